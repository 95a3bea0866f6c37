// Where a silent run puts and runs things, whatever the user's locale, the
// folder's name, the temporary folder's mount or who else can write there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "SilentRunFixture.h"

namespace {

using installtest::HomePath;
using testsupport::RunCommand;
namespace fs = std::filesystem;

class SilentRunPlaces : public installtest::SilentRun {
protected:
    testsupport::CommandResult Setup(const testsupport::DevServerProcess& server,
                                     const std::string& parent, const std::string& extra = "") {
        return RunCommand(std::string(LUMORA_SETUP) + " -silent=true -downloadurl=" +
                          server.PackageAddress() + " -installdir='" + parent + "' " + extra);
    }
    static bool HaveCommaLocale() { return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr; }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

// The "installing N%" lines of a run's standard output.
std::vector<int> InstallPercents(const std::string& out) {
    std::vector<int> p;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("installing ", 0) == 0 && line.back() == '%')
            p.push_back(std::stoi(line.substr(11)));
    return p;
}

TEST_F(SilentRunPlaces, UnderADecimalCommaLocaleTheRunFollowsThePackagesProgress) {
    if (!HaveCommaLocale()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    Package("--startup NonStartup");  // Progress= 0.05, 0.4, 0.6, 0.9, 1
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    // The whole bar for the installation: its figure is the package's
    // share, or the creep (15 points a line) where a share reads as 0; each
    // first figure of a new tenth is printed. A share read as 0 would give
    // 15, 30, 44, 60, 75, 90, 100.
    const auto r =
        RunCommand("LC_ALL=de_DE.UTF-8 " + std::string(LUMORA_SETUP) +
                   " -silent=true -downloadscale=0 -downloadurl=" + server.PackageAddress() +
                   " -installdir='" + HomePath("programs") + "'");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(InstallPercents(r.out), (std::vector<int>{15, 30, 44, 60, 90, 100})) << r.out;
}

TEST_F(SilentRunPlaces, UnderADecimalCommaLocaleTheFreeSpaceIsWrittenWithAPoint) {
    if (!HaveCommaLocale()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const std::string events = HomePath("events.jsonl");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages,
                                         "--collect \"" + events + "\"");
    // No package on the server: the download fails and its report goes out.
    const auto r = RunCommand("LC_ALL=de_DE.UTF-8 " + std::string(LUMORA_SETUP) +
                              " -silent=true -downloadurl=" + server.PackageAddress() +
                              " -beaconserverurl=" + server.CollectorAddress() + " -installdir='" +
                              HomePath("programs") + "'");
    ASSERT_EQ(r.status, 2) << r.err;
    const std::string sent = testsupport::ReadFile(events);
    EXPECT_TRUE(std::regex_search(sent, std::regex("3\\.缓存磁盘容量=[0-9]+\\.[0-9]{2}G"))) << sent;
}

TEST_F(SilentRunPlaces, EveryIniFileOfAnInstallationIsInTheProfileForm) {
    Package("--version 1.0.0 --startup NonStartup");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    ASSERT_EQ(Setup(server, HomePath("programs")).status, 0);
    Package("--version 2.0.0 --startup NonStartup");  // the update rewrites each file
    ASSERT_EQ(Setup(server, HomePath("programs")).status, 0);
    const std::string data = std::getenv("XDG_DATA_HOME");
    const std::string files[] = {
        m_Install + "/set.ini",
        data + "/TaMikData/lumoratool/QVBeaconAnalytics.ini",
        std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry/HKEY_CURRENT_USER.ini",
        data + "/RIRivez/lumoraapp.downloader/lumoraapp.downloader_QVSConfigure.ini",
    };
    const std::regex keyLine("^[A-Za-z_]+=[^ ].*$|^[A-Za-z_]+=$");
    for (const std::string& file : files) {
        const std::string text = testsupport::ReadFile(file);
        ASSERT_FALSE(text.empty()) << file;
        std::istringstream lines(text);
        std::vector<std::string> sections;
        for (std::string line; std::getline(lines, line);) {
            if (line.empty()) continue;
            if (line.front() == '[') {
                EXPECT_EQ(std::count(sections.begin(), sections.end(), line), 0) << file << line;
                sections.push_back(line);
                continue;
            }
            EXPECT_TRUE(std::regex_match(line, keyLine)) << file << ": " << line;
        }
    }
}

TEST_F(SilentRunPlaces, AFolderWithTwoBlanksAndAQuoteReachesThePackageAndTheUninstaller) {
    const std::string parent = HomePath("my  apps \"x\"");
    const std::string dir = parent + "/lumoratool";
    Package("--version 1.0.0 --startup NonStartup");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    const auto first = Setup(server, parent);
    ASSERT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(testsupport::ReadFile(dir + "/VERSION"), "1.0.0\n");
    EXPECT_EQ(Registry("InstallPath"), dir);
    // The update runs the old copy's uninstaller on exactly that folder.
    Package("--version 2.0.0 --startup NonStartup");
    const auto second = Setup(server, parent);
    ASSERT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_FALSE(testsupport::FileExists(dir + "/v1.0.0.marker"));
    EXPECT_TRUE(testsupport::FileExists(dir + "/v2.0.0.marker"));
    // Nothing went to a folder cut at a blank.
    EXPECT_FALSE(fs::exists(HomePath("my")));
}

TEST_F(SilentRunPlaces, ANoexecTemporaryFolderStillRemovesTheOldCopy) {
    const std::string tmp = std::getenv("TMPDIR");
    if (::geteuid() != 0 ||
        std::system(
            ("mount -t tmpfs -o noexec,size=16m tmpfs '" + tmp + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a noexec file system here (root only)";
    struct Unmount {
        std::string path;
        ~Unmount() { std::system(("umount '" + path + "'").c_str()); }
    } unmount{tmp};
    Package("--version 1.0.0 --startup NonStartup");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    ASSERT_EQ(Setup(server, HomePath("programs")).status, 0);
    Package("--version 2.0.0 --startup NonStartup");
    const auto r = Setup(server, HomePath("programs"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(testsupport::FileExists(m_Install + "/v1.0.0.marker"));
    EXPECT_TRUE(testsupport::FileExists(std::string(std::getenv("XDG_CACHE_HOME")) +
                                        "/~TaMikTemp.92482B06FB471E17/lumoratool_un_asa.exe"));
}

TEST_F(SilentRunPlaces, FoldersOthersCouldChangeAreRefusedPrivateOnesUsed) {
    Package("--startup NonStartup");
    testsupport::DevServerProcess server(LUMORA_DEVSERVER, m_Packages);
    struct Case {
        const char* what;
        bool rootOnly;
        void (*make)(const std::string& parent);
        int status;
        const char* said;
    } cases[] = {
        {"a parent anyone may write", false,
         [](const std::string& p) {
             testsupport::MakeDirs(p);
             ::chmod(p.c_str(), 0777);
         },
         5, "can be written by other users (mode 0777)"},
        {"a link planted where lumoratool would be", false,
         [](const std::string& p) {
             testsupport::MakeDirs(p + "-elsewhere");
             testsupport::MakeDirs(p);
             fs::create_directory_symlink(p + "-elsewhere", p + "/lumoratool");
         },
         5, "is a symbolic link"},
        {"a lumoratool folder another user made", true,
         [](const std::string& p) {
             testsupport::MakeDirs(p + "/lumoratool");
             (void)!::chown((p + "/lumoratool").c_str(), 65534, 65534);
         },
         5, "belongs to another user (uid 65534)"},
        {"our own folder in a sticky shared parent", false,
         [](const std::string& p) {
             testsupport::MakeDirs(p);
             ::chmod(p.c_str(), 01777);
         },
         0, "installed into"},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.rootOnly && ::geteuid() != 0) continue;  // chown needs root
        const std::string parent = HomePath("place" + std::to_string(++n));
        c.make(parent);
        const auto r = Setup(server, parent);
        EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << c.what << "\n" << r.err;
        if (c.status != 0) {
            EXPECT_NE(r.err.find("is not a safe place to run the package"), std::string::npos)
                << r.err;
            EXPECT_EQ(Registry("InstallPath"), "<missing>") << c.what;
        }
    }
}

}  // namespace
