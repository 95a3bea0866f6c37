// The log's destinations (held lines, standard error, a capped file) and
// opening a run's log file (folder and file modes, the previous run kept,
// a file another run still writes).
#include "platform/LogFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/DebugOutput.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

namespace {

using testsupport::ReadFile;

std::string Home(const std::string& name) { return testsupport::CurrentTestHome() + "/" + name; }

unsigned Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

int OpenForAppend(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

// Every test leaves the log where the test binaries keep it.
class DebugOutputDestination : public testing::Test {
protected:
    void TearDown() override { Platform::SendDebugOutputToStandardError(); }
};

TEST_F(DebugOutputDestination, HeldLinesComeFirstInTheChosenFile) {
    testsupport::LogCapture err;
    Platform::HoldDebugOutput();
    Platform::WriteDebugOutput("early 1\n");
    Platform::WriteDebugOutput("early 2\n");
    const std::string path = Home("log.txt");
    Platform::SendDebugOutputToFile(OpenForAppend(path), 1 << 20);
    Platform::WriteDebugOutput("late\n");
    EXPECT_EQ(ReadFile(path), "early 1\nearly 2\nlate\n");
    EXPECT_EQ(err.Text(), "");
}

TEST_F(DebugOutputDestination, HeldLinesGoToStandardErrorWhenThatIsChosen) {
    testsupport::LogCapture err;
    Platform::HoldDebugOutput();
    Platform::WriteDebugOutput("early\n");
    EXPECT_EQ(err.Text(), "");
    Platform::SendDebugOutputToStandardError();
    Platform::WriteDebugOutput("late\n");
    EXPECT_EQ(err.Text(), "early\nlate\n");
}

TEST_F(DebugOutputDestination, HoldingIsBoundedAndSaysWhatItDropped) {
    Platform::HoldDebugOutput();
    const std::string line(1000, 'x');
    for (int i = 0; i < 1100; ++i) Platform::WriteDebugOutput(line + "\n");
    const std::string path = Home("log.txt");
    Platform::SendDebugOutputToFile(OpenForAppend(path), 8u << 20);
    const std::vector<std::string> lines = Lines(ReadFile(path));
    const size_t kept = (1u << 20) / 1001;  // 1 MiB of 1001-byte lines, then the note
    ASSERT_EQ(lines.size(), kept + 1);
    EXPECT_EQ(lines.back(),
              "[log] " + std::to_string(1100 - kept) +
                  " lines written before the log was opened did not fit in memory and were "
                  "dropped");
}

TEST_F(DebugOutputDestination, FileStopsAtItsCapWithOneClosingLine) {
    const std::string path = Home("log.txt");
    const std::string closing(Platform::DebugOutputCapLine());
    // Room for exactly three 10-byte lines besides the closing line.
    Platform::SendDebugOutputToFile(OpenForAppend(path), 30 + closing.size());
    for (int i = 0; i < 6; ++i) Platform::WriteDebugOutput("line " + std::to_string(i) + "...\n");
    EXPECT_EQ(ReadFile(path), "line 0...\nline 1...\nline 2...\n" + closing);
}

TEST_F(DebugOutputDestination, CapCountsWhatASharedFileAlreadyHolds) {
    const std::string path = Home("log.txt");
    testsupport::WriteFile(path, std::string(90, 'o') + "\n");
    const std::string closing(Platform::DebugOutputCapLine());
    Platform::SendDebugOutputToFile(OpenForAppend(path), 91 + 10 + closing.size(), 91);
    Platform::WriteDebugOutput("fits....\n");
    Platform::WriteDebugOutput("no room\n");
    EXPECT_EQ(ReadFile(path), std::string(90, 'o') + "\nfits....\n" + closing);
}

TEST_F(DebugOutputDestination, ThreadsFloodingAFileNeverPassTheCapOrSplitALine) {
    const std::string path = Home("log.txt");
    constexpr uint64_t kCap = 64 * 1024;
    Platform::SendDebugOutputToFile(OpenForAppend(path), kCap);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 5000; ++i)
                Platform::WriteDebugOutput("thread " + std::to_string(t) + " line " +
                                           std::to_string(i) + " " + std::string(i % 50, '.') +
                                           "\n");
        });
    for (auto& th : threads) th.join();
    const std::string text = ReadFile(path);
    EXPECT_LE(text.size(), kCap);
    EXPECT_GT(text.size(), kCap - 100);  // filled up to the cap, not stopped early
    const std::vector<std::string> lines = Lines(text);
    ASSERT_FALSE(lines.empty());
    const std::string closing(Platform::DebugOutputCapLine());
    EXPECT_EQ(lines.back() + "\n", closing);
    const std::regex whole(R"(thread [0-3] line \d+ \.*)");
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        ASSERT_TRUE(std::regex_match(lines[i], whole)) << lines[i];
}

class RunLogFile : public testing::Test {
protected:
    std::string m_Folder = Home("state/lumora");
    std::string m_Path = m_Folder + "/run.log";
    std::string m_Previous = m_Folder + "/run.1.log";

    Platform::OpenedLog Open() {
        Platform::OpenedLog log = Platform::OpenRunLogFile(m_Path, m_Previous);
        if (log.fd >= 0) m_Fds.push_back(log.fd);
        return log;
    }
    void TearDown() override {
        for (int fd : m_Fds) ::close(fd);
    }
    std::vector<int> m_Fds;
};

TEST_F(RunLogFile, FirstRunMakesAPrivateFolderAndFileWhateverTheUmask) {
    const mode_t old = ::umask(0);
    const Platform::OpenedLog log = Open();
    ::umask(old);
    ASSERT_GE(log.fd, 0) << log.error;
    EXPECT_FALSE(log.shared);
    EXPECT_EQ(log.size, 0u);
    EXPECT_EQ(Mode(Home("state")), 0700u);
    EXPECT_EQ(Mode(m_Folder), 0700u);
    EXPECT_EQ(Mode(m_Path), 0600u);
    EXPECT_FALSE(testsupport::FileExists(m_Previous));
    // Not handed to the programs the installer starts.
    EXPECT_TRUE(::fcntl(log.fd, F_GETFD) & FD_CLOEXEC);
}

TEST_F(RunLogFile, AnOpenFolderIsClosedToOthers) {
    testsupport::MakeDirs(m_Folder);
    ::chmod(m_Folder.c_str(), 0755);
    ASSERT_GE(Open().fd, 0);
    EXPECT_EQ(Mode(m_Folder), 0700u);
}

TEST_F(RunLogFile, ThePreviousRunIsKeptAndTheOneBeforeGoes) {
    testsupport::MakeDirs(m_Folder);
    testsupport::WriteFile(m_Path, "run 2\n");
    testsupport::WriteFile(m_Previous, "run 1\n");
    ::chmod(m_Path.c_str(), 0644);
    const Platform::OpenedLog log = Open();
    ASSERT_GE(log.fd, 0) << log.error;
    EXPECT_EQ(ReadFile(m_Previous), "run 2\n");
    EXPECT_EQ(ReadFile(m_Path), "");
    EXPECT_EQ(Mode(m_Path), 0600u);
    ASSERT_EQ(::write(log.fd, "run 3\n", 6), 6);
    EXPECT_EQ(ReadFile(m_Path), "run 3\n");
    // Two files at most.
    int files = 0;
    for (const char* n : {"run.log", "run.1.log", "run.2.log", "run.1.1.log"})
        files += testsupport::FileExists(m_Folder + "/" + n);
    EXPECT_EQ(files, 2);
}

TEST_F(RunLogFile, AnEmptyFileIsNotWorthKeeping) {
    testsupport::MakeDirs(m_Folder);
    testsupport::WriteFile(m_Path, "");
    testsupport::WriteFile(m_Previous, "run 1\n");
    ASSERT_GE(Open().fd, 0);
    EXPECT_EQ(ReadFile(m_Previous), "run 1\n");
}

TEST_F(RunLogFile, AFileAnotherRunStillWritesIsSharedNotPushedAside) {
    // The running installer holds its log locked; a second start appends.
    ASSERT_GE(Open().fd, 0);
    ASSERT_EQ(::write(m_Fds[0], "first run\n", 10), 10);
    testsupport::WriteFile(m_Previous, "older run\n");
    const Platform::OpenedLog second = Open();
    ASSERT_GE(second.fd, 0) << second.error;
    EXPECT_TRUE(second.shared);
    EXPECT_EQ(second.size, 10u);
    ASSERT_EQ(::write(second.fd, "second\n", 7), 7);
    EXPECT_EQ(ReadFile(m_Path), "first run\nsecond\n");
    EXPECT_EQ(ReadFile(m_Previous), "older run\n");
}

TEST_F(RunLogFile, WhatIsNotAPlainFolderOrFileOfTheUserIsRefused) {
    struct Case {
        const char* what;
        void (*make)(const std::string& folder, const std::string& path);
    } cases[] = {
        {"folder is a file",
         [](const std::string& folder, const std::string&) {
             testsupport::MakeDirs(Home("state"));
             testsupport::WriteFile(folder, "");
         }},
        {"folder is a link",
         [](const std::string& folder, const std::string&) {
             testsupport::MakeDirs(Home("elsewhere"));
             testsupport::MakeDirs(Home("state"));
             ASSERT_EQ(::symlink(Home("elsewhere").c_str(), folder.c_str()), 0);
         }},
        {"file is a link",
         [](const std::string& folder, const std::string& path) {
             testsupport::MakeDirs(folder);
             ASSERT_EQ(::symlink(Home("target").c_str(), path.c_str()), 0);
         }},
        {"file is a folder",
         [](const std::string&, const std::string& path) { testsupport::MakeDirs(path); }},
    };
    testsupport::WriteFile(Home("target"), "keep\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(Home("state"));
        std::filesystem::remove_all(Home("elsewhere"));
        c.make(m_Folder, m_Path);
        const Platform::OpenedLog log = Open();
        EXPECT_LT(log.fd, 0);
        EXPECT_NE(log.error, "");
    }
    EXPECT_EQ(ReadFile(Home("target")), "keep\n");
}

TEST(LogFileStateHome, FollowsTheBaseDirectoryRules) {
    struct Case {
        const char* value;  // null: unset
        std::string expected;
    } cases[] = {
        {"/srv/state/", "/srv/state"},
        {nullptr, Home("home/.local/state")},
        {"", Home("home/.local/state")},
        {"relative/state", Home("home/.local/state")},
    };
    ::setenv("HOME", Home("home").c_str(), 1);
    for (const auto& c : cases) {
        if (c.value)
            ::setenv("XDG_STATE_HOME", c.value, 1);
        else
            ::unsetenv("XDG_STATE_HOME");
        EXPECT_EQ(Platform::StateHome(), c.expected) << (c.value ? c.value : "(unset)");
    }
}

}  // namespace
