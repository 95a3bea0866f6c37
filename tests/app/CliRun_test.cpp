// The real lumora-setup as a person meets it on Linux: --help and --version,
// a quiet standard error with the log in a file, the redrawn bar on a
// terminal, the manual page and `cmake --install`.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "support/DevServerProcess.h"
#include "support/TempHome.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::RunCommand;

std::string HomePath(const std::string& name) {
    return testsupport::CurrentTestHome() + "/" + name;
}

std::string StateHome() { return std::getenv("XDG_STATE_HOME"); }
std::string LogFolder() { return StateHome() + "/lumora"; }
std::string LogPath() { return LogFolder() + "/lumora-setup.log"; }
std::string PreviousLogPath() { return LogFolder() + "/lumora-setup.1.log"; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

unsigned Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// The process id in the header of a log's first installer line.
std::string FirstPid(const std::string& log) {
    std::smatch m;
    return std::regex_search(log, m, std::regex(R"(<P(\d+)><T)")) ? m[1].str() : "";
}

// A log line of the installer ("<P..><T..><date time>(function)<line>: ")
// or one of the tracker's own plain lines.
bool IsWholeLogLine(const std::string& line) {
    static const std::regex header(
        R"(<P\d{5,}><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(.+\)<\d{4,}>: .*)");
    static const std::regex tracker(R"((\[[Bb]eacon\] |BeaconAnalytics |Failed to track).*)");
    return std::regex_match(line, header) || std::regex_match(line, tracker);
}

// A program with pipes on its standard input and output.
struct Child {
    pid_t pid = -1;
    int in = -1, out = -1;
};

Child Spawn(const std::vector<std::string>& argv) {
    int in[2], out[2];
    EXPECT_EQ(::pipe(in), 0);
    EXPECT_EQ(::pipe(out), 0);
    Child c;
    c.pid = ::fork();
    if (c.pid == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::close(in[1]);
        ::close(out[0]);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    c.in = in[1];
    c.out = out[0];
    return c;
}

int Reap(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Holds the installer's single-instance lock while it lives.
class HeldLock {
public:
    HeldLock() : m_Holder(Spawn({LOCK_HOLDER_PATH})) {
        char buf[8] = {};
        EXPECT_GT(::read(m_Holder.out, buf, sizeof buf - 1), 0);
        EXPECT_STREQ(buf, "held\n");
    }
    ~HeldLock() {
        ::close(m_Holder.in);
        ::close(m_Holder.out);
        Reap(m_Holder.pid);
    }

private:
    Child m_Holder;
};

// `timeout` turns a hang into status 124 instead of a stuck suite.
std::string SetupCommand(const std::string& args) {
    return std::string("timeout 60 ") + LUMORA_SETUP + " " + args;
}

const std::set<std::string> kOptions = {
    "-downloadurl",     "-downloadtype", "-downloadscale", "-ischecknet", "-isenableappbeacon",
    "-dlappnamesuffix", "-dlappversion", "-instcmd",       "-language",   "-insnew",
    "-beaconserverurl", "-silent",       "-installdir",    "-norun",      "-log",
};
const std::vector<std::string> kStatuses = {"0", "1", "2", "3", "4",  "5",
                                            "6", "7", "8", "9", "255"};

TEST(CliInformation, AnswersAtOnceWhileAnotherInstallerHoldsTheLock) {
    HeldLock lock;
    const std::string usage = RunCommand(SetupCommand("--help")).out;
    ASSERT_EQ(usage.rfind("Usage: lumora-setup", 0), 0u) << usage;
    struct Case {
        const char* args;
        std::string out;
    } cases[] = {
        {"--help", usage},
        {"-h", usage},
        {"'-?'", usage},
        {"-silent=true --help", usage},
        {"--version", "lumora-setup 1.7.9\n"},
    };
    for (const auto& c : cases) {
        const testsupport::CommandResult r = RunCommand(SetupCommand(c.args));
        EXPECT_EQ(r.status, 0) << c.args;
        EXPECT_EQ(r.out, c.out) << c.args;
        EXPECT_EQ(r.err, "") << c.args;
    }
    // Nothing of a run happened: no log was opened or renewed.
    EXPECT_FALSE(fs::exists(LogFolder()));
    // Other texts are read as they always were: this one is a run, which
    // meets the lock.
    EXPECT_EQ(RunCommand(SetupCommand("-help -silent=true -isenableappbeacon=false")).status, 255);
}

TEST(CliInformation, UsageThatCannotBeWrittenIsAFailure) {
    const testsupport::CommandResult r = RunCommand("(" + SetupCommand("--help") + " >/dev/full)");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("lumora-setup: cannot write to standard output"), std::string::npos)
        << r.err;
}

TEST(CliInformation, UsageAndManualPageListTheSameOptionsAndStatuses) {
    const std::string usage = RunCommand(SetupCommand("--help")).out;
    std::set<std::string> listed;
    std::multiset<std::string> lines;
    for (const std::string& l : Lines(usage)) {
        std::smatch m;
        if (std::regex_match(l, m, std::regex(R"(  (-[a-z]+)=\S*\s+\S.*)"))) {
            listed.insert(m[1]);
            lines.insert(m[1]);
        }
    }
    EXPECT_EQ(listed, kOptions);
    EXPECT_EQ(lines.size(), listed.size());  // one line each
    const std::string page = ReadFile(LUMORA_MAN_PAGE);
    for (const std::string& o : kOptions)
        EXPECT_TRUE(page.find(".BI \\" + o + "=") != std::string::npos ||
                    page.find(".B \\" + o + "=") != std::string::npos)
            << o << " is not described in the manual page";
    for (const std::string& s : kStatuses) {
        EXPECT_TRUE(std::regex_search(usage, std::regex("\n  " + s + " +\\S"))) << s;
        EXPECT_NE(page.find(".B " + s + "\n"), std::string::npos) << s;
    }
    EXPECT_NE(page.find("lumora-setup 1.7.9"), std::string::npos);
    for (const char* name : {"LUMORA_LOG", "http_proxy", "XDG_STATE_HOME", "XDG_CONFIG_HOME",
                             "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "lumora-setup.1.log"})
        EXPECT_NE(page.find(name), std::string::npos) << name;
}

TEST(CliManualPage, RendersWithoutWarnings) {
    for (int width : {40, 80, 120}) {
        const testsupport::CommandResult r =
            RunCommand("groff -ww -man -Tutf8 -rLL=" + std::to_string(width) + "n -z '" +
                       LUMORA_MAN_PAGE + "'");
        EXPECT_EQ(r.status, 0) << width;
        EXPECT_EQ(r.err, "") << width;
    }
    const testsupport::CommandResult lint =
        RunCommand(std::string("mandoc -T lint -W all '") + LUMORA_MAN_PAGE + "'");
    EXPECT_EQ(lint.status, 0);
    EXPECT_EQ(lint.out + lint.err, "");
}

TEST(CliManualPage, CmakeInstallPutsTheProgramAndThePage) {
    const std::string prefix = HomePath("prefix");
    const testsupport::CommandResult r =
        RunCommand(std::string("'") + CMAKE_COMMAND + "' --install '" + BUILD_DIR + "' --prefix '" +
                   prefix + "'");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(RunCommand("'" + prefix + "/bin/lumora-setup' --version").out,
              "lumora-setup 1.7.9\n");
    const std::string page = prefix + "/share/man/man1/lumora-setup.1";
    ASSERT_TRUE(testsupport::FileExists(page));
    const testsupport::CommandResult shown = RunCommand("MANWIDTH=80 man -l '" + page + "'");
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.err, "");
    EXPECT_NE(shown.out.find("lumora-setup - download and install Lumora"), std::string::npos)
        << shown.out;
}

// Runs of the real installer against the development server.
class CliRun : public testing::Test {
protected:
    void SetUp() override { testsupport::MakeDirs(m_Packages); }

    // A sample package; the product stays unstarted.
    void Package(const std::string& options = "") {
        const testsupport::CommandResult r =
            RunCommand(std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + m_Packages +
                       "' --startup NonStartup " + options);
        ASSERT_EQ(r.status, 0) << r.err;
        // Each later package is the newest one on the server.
        const std::string path = r.out.substr(0, r.out.find('\n'));
        const utimbuf times{0, static_cast<time_t>(1000000000 + 1000 * ++m_Built)};
        ::utime(path.c_str(), &times);
    }

    std::string Install(const testsupport::DevServerProcess& server,
                        const std::string& extra = "") const {
        return LUMORA_SETUP + std::string(" -silent=true -downloadurl=") + server.PackageAddress() +
               " -installdir='" + HomePath("programs") + "' " + extra;
    }

    std::string m_Packages = HomePath("packages");
    int m_Built = 0;
};

TEST_F(CliRun, SuccessfulRunWritesNothingOnStandardErrorAndEverythingInTheLog) {
    Package();
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    const testsupport::CommandResult r = RunCommand(Install(server));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Mode(LogFolder()), 0700u);
    EXPECT_EQ(Mode(LogPath()), 0600u);
    const std::string log = ReadFile(LogPath());
    EXPECT_NE(log.find("DL_CODE_START"), std::string::npos) << log;
    EXPECT_NE(log.find("INSTALL_SUCCESS"), std::string::npos) << log;
    // The tracker's console lines (every send fails without a collector).
    EXPECT_NE(log.find("\nBeaconAnalytics SDK send failed"), std::string::npos) << log;
    for (const std::string& line : Lines(log)) EXPECT_TRUE(IsWholeLogLine(line)) << line;
    EXPECT_FALSE(testsupport::FileExists(PreviousLogPath()));
}

TEST_F(CliRun, FailureWritesItsSentenceAndWhereTheLogIs) {
    Package("--error 'disk full'");
    testsupport::WriteFile(HomePath("a-file"), "x");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    struct Case {
        std::string args;
        int status;
        std::string sentence;
    } cases[] = {
        {Install(server), 3, "lumora-setup: the installation failed: disk full."},
        {std::string(LUMORA_SETUP) + " -silent=true -installdir='" + HomePath("a-file") + "'", 5,
         // The reason's words are the session's; the sentence names the folder.
         "lumora-setup: the install directory " + HomePath("a-file") + "/lumoratool "},
        {std::string(LUMORA_SETUP) + " -silent=true -downloadurl=" + server.Address() +
             "missing/setup.exe -installdir='" + HomePath("programs") + "'",
         2,
         // The downloader's own words, then its report's number.
         "lumora-setup: the download of the package from " + server.Address() +
             "missing/setup.exe failed: 127.0.0.1 answered HTTP status 404 (Not Found) (LibCurl "
             "error -998)."},
    };
    for (const auto& c : cases) {
        const testsupport::CommandResult r = RunCommand(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        const std::vector<std::string> err = Lines(r.err);
        ASSERT_EQ(err.size(), 2u) << r.err;
        EXPECT_EQ(err[0].substr(0, c.sentence.size()), c.sentence) << r.err;
        EXPECT_EQ(err[1], "lumora-setup: details are in " + LogPath());
        EXPECT_NE(ReadFile(LogPath()), "");
    }
}

TEST_F(CliRun, LogGoesWhereTheOptionOrTheEnvironmentSays) {
    Package();
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    const std::string named = HomePath("mine.log");
    struct Case {
        std::string env, args;
        bool onStandardError;
        std::string file;  // empty: no log file anywhere
    } cases[] = {
        {"", "-log=-", true, ""},
        {"LUMORA_LOG=stderr", "", true, ""},
        {"LUMORA_LOG=stderr", "-log='" + named + "'", false, named},
        {"", "-log='" + named + "'", false, named},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.env + " " + c.args);
        fs::remove_all(LogFolder());
        fs::remove(named);
        const testsupport::CommandResult r =
            RunCommand(c.env + " " + Install(server, c.args + " -norun=true"));
        ASSERT_EQ(r.status, 0) << r.err;
        if (c.onStandardError) {
            EXPECT_NE(r.err.find("DL_CODE_START"), std::string::npos) << r.err;
            for (const std::string& line : Lines(r.err)) EXPECT_TRUE(IsWholeLogLine(line)) << line;
        } else {
            EXPECT_EQ(r.err, "");
        }
        if (!c.file.empty()) {
            EXPECT_NE(ReadFile(c.file).find("DL_CODE_START"), std::string::npos);
            EXPECT_EQ(Mode(c.file), 0600u);
        }
        EXPECT_FALSE(fs::exists(LogFolder()));
    }
    // A failure with the log on standard error has no path to point to.
    testsupport::WriteFile(HomePath("a-file"), "x");
    const testsupport::CommandResult r =
        RunCommand(std::string(LUMORA_SETUP) + " -silent=true -log=- -installdir='" +
                   HomePath("a-file") + "'");
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("\nlumora-setup: the install directory "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("details are in"), std::string::npos) << r.err;
}

TEST_F(CliRun, LogThatCannotBeWrittenIsSaidAndKeptOnStandardError) {
    testsupport::WriteFile(HomePath("a-file"), "x");
    const std::string quickRun =
        std::string(LUMORA_SETUP) + " -silent=true -installdir='" + HomePath("a-file") + "'";
    struct Case {
        const char* what;
        std::string args;
        void (*prepare)();
    } cases[] = {
        {"a folder named as the file", "-log='" + HomePath("") + "'", [] {}},
        {"the log's folder is a file", "",
         [] {
             testsupport::MakeDirs(StateHome());
             testsupport::WriteFile(LogFolder(), "");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        const testsupport::CommandResult r = RunCommand(quickRun + " " + c.args);
        EXPECT_EQ(r.status, 5);  // the run itself goes on as before
        const std::vector<std::string> err = Lines(r.err);
        ASSERT_GE(err.size(), 3u) << r.err;
        EXPECT_TRUE(std::regex_match(
            err[0], std::regex(R"(lumora-setup: the log cannot be written \(.+\); it goes to )"
                               R"(standard error\.)")))
            << err[0];
        // The log follows on standard error, and no path is pointed to.
        EXPECT_TRUE(IsWholeLogLine(err[1])) << err[1];
        EXPECT_EQ(r.err.find("details are in"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("\nlumora-setup: the install directory "), std::string::npos);
    }
}

TEST_F(CliRun, EachRunRenewsTheLogAndKeepsOnlyThePreviousOne) {
    testsupport::WriteFile(HomePath("a-file"), "x");
    // Quick runs: the install directory cannot be made.
    const std::string run =
        std::string(LUMORA_SETUP) + " -silent=true -installdir='" + HomePath("a-file") + "'";
    std::vector<std::string> pids;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(RunCommand(run).status, 5);
        pids.push_back(FirstPid(ReadFile(LogPath())));
        ASSERT_NE(pids.back(), "");
    }
    EXPECT_EQ(FirstPid(ReadFile(PreviousLogPath())), pids[1]);
    EXPECT_EQ(ReadFile(LogPath()).find("<P" + pids[0] + ">"), std::string::npos);
    std::set<std::string> files;
    for (const auto& e : fs::directory_iterator(LogFolder())) files.insert(e.path().filename());
    EXPECT_EQ(files, (std::set<std::string>{"lumora-setup.log", "lumora-setup.1.log"}));
}

TEST_F(CliRun, SecondStartLeavesTheRunningInstallersLogInPlace) {
    Package("--size 1500000");
    // About five seconds of download: time for a second start meanwhile.
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages, "--rate 300000");
    testsupport::MakeDirs(LogFolder());
    testsupport::WriteFile(LogPath(), "the run before\n");
    testsupport::WriteFile(PreviousLogPath(), "the run before that\n");

    const pid_t first = ::fork();
    if (first == 0) {
        const std::string cmd = Install(server, "-norun=true >/dev/null 2>&1");
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Wait until the first run is downloading (its log says so).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(LogPath()).find("DL_CODE_START") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(ReadFile(LogPath()).find("DL_CODE_START"), std::string::npos);

    const testsupport::CommandResult second =
        RunCommand(Install(server, "-isenableappbeacon=false"));
    EXPECT_EQ(second.status, 255);
    EXPECT_EQ(second.err, "");
    EXPECT_EQ(Reap(first), 0);

    // The first run's log is where it was, with the second start's lines in
    // it; the run before stays the previous one.
    const std::string log = ReadFile(LogPath());
    EXPECT_NE(log.find("INSTALL_SUCCESS"), std::string::npos) << log;
    EXPECT_NE(log.find("lock not taken"), std::string::npos) << log;
    EXPECT_EQ(ReadFile(PreviousLogPath()), "the run before\n");
}

// A pseudo-terminal of a given width for one program; what the program
// shows is collected until it ends.
struct TerminalRun {
    int status = -1;
    std::string shown;
};

TerminalRun RunOnTerminal(const std::string& command, int columns) {
    TerminalRun run;
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master, 0);
    EXPECT_EQ(::grantpt(master), 0);
    EXPECT_EQ(::unlockpt(master), 0);
    const std::string slaveName = ::ptsname(master);
    struct winsize ws {};
    ws.ws_row = 24;
    ws.ws_col = static_cast<unsigned short>(columns);
    EXPECT_EQ(::ioctl(master, TIOCSWINSZ, &ws), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int slave = ::open(slaveName.c_str(), O_RDWR);
        if (slave < 0) ::_exit(126);
        ::ioctl(slave, TIOCSCTTY, 0);
        for (int fd = 0; fd < 3; ++fd) ::dup2(slave, fd);
        if (slave > 2) ::close(slave);
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    char buf[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0) continue;
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0) break;  // EIO: the terminal's last user has gone
        run.shown.append(buf, static_cast<size_t>(n));
    }
    ::close(master);
    if (std::chrono::steady_clock::now() >= deadline) ::kill(pid, SIGKILL);
    run.status = Reap(pid);
    return run;
}

class CliTerminal : public CliRun, public testing::WithParamInterface<int> {};

TEST_P(CliTerminal, BarIsRedrawnWithinTheWidth) {
    const int columns = GetParam();
    Package("--size 1500000");
    // About three seconds of download.
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages, "--rate 500000");
    const TerminalRun run = RunOnTerminal(Install(server, "-norun=true"), columns);
    ASSERT_EQ(run.status, 0) << run.shown;

    // Every redraw begins with CR and erase-line; the last one ends the line.
    const std::string redraw = "\r\033[K";
    std::vector<std::string> drawn;
    for (size_t at = run.shown.find(redraw); at != std::string::npos;) {
        const size_t next = run.shown.find(redraw, at + redraw.size());
        drawn.push_back(run.shown.substr(at + redraw.size(), next == std::string::npos
                                                                 ? std::string::npos
                                                                 : next - at - redraw.size()));
        at = next;
    }
    ASSERT_GE(drawn.size(), 3u) << run.shown;
    const std::string last = drawn.back();
    drawn.back() = last.substr(0, last.find("\r\n"));
    EXPECT_EQ(drawn.back().substr(0, 11), "installed  ") << drawn.back();
    EXPECT_NE(drawn.back().find("100%"), std::string::npos);
    EXPECT_NE(last.find("\r\ninstalled into " + HomePath("programs") + "/lumoratool"),
              std::string::npos);

    std::vector<int> percents;
    bool sizes = false, speed = false, left = false;
    for (const std::string& d : drawn) {
        EXPECT_LT(d.size(), static_cast<size_t>(columns)) << d;
        EXPECT_EQ(d.find('\n'), std::string::npos) << d;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(d, m, std::regex(R"(\[[#-]{10,30}\] +(\d+)%)"))) << d;
        percents.push_back(std::stoi(m[1]));
        if (d.rfind("downloading", 0) != 0) continue;
        sizes |= std::regex_search(d, std::regex(R"( \d+\.\d/1\.[45] MiB)"));
        speed |= std::regex_search(d, std::regex(R"( \d+(\.\d)? [KM]iB/s)"));
        left |= std::regex_search(d, std::regex(R"( \d+:\d\d\+ left)"));
    }
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << run.shown;
    EXPECT_GE(std::set<int>(percents.begin(), percents.end()).size(), 3u) << run.shown;
    if (columns >= 100) {
        EXPECT_TRUE(sizes) << run.shown;
        EXPECT_TRUE(speed) << run.shown;
        EXPECT_TRUE(left) << run.shown;
    } else {
        EXPECT_FALSE(sizes || speed || left) << run.shown;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, CliTerminal, testing::Values(40, 120));

}  // namespace
