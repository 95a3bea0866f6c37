// The platform services of the installation pipeline and the Utils facts
// over them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "ChildScripts.h"
#include "platform/DiskSpace.h"
#include "platform/ProcessList.h"
#include "platform/RegistryStore.h"
#include "support/LogCapture.h"
#include "utils/CheckNetwork.h"
#include "utils/HardDiskManager.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

std::string PrivateName() {
    return std::string(std::getenv("TMPDIR")) + "/~TaMikTemp.92482B06FB471E17";
}

TEST(ChildProcess, GetsNoDescriptorButItsThreePipes) {
    // One we hold without close-on-exec, as a parent's lock file would be.
    const int fd = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 3);
    Utils::PipeProcess child;
    child.Launch(L"/bin/sh", L"sh -c \"ls /proc/self/fd\"");
    std::string out;
    while (child.ReadOutput(out) == Utils::PipeProcess::ReadResult::Data) {
    }
    child.WaitForEnd();
    ::close(fd);
    // 0, 1, 2 and the one ls reads the folder with.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 4) << out;
}

TEST(TempFolder, IsMadeForUsAloneAndReturnedWithASlash) {
    const std::wstring t = Utils::GetTempFolder();
    EXPECT_EQ(t, Utils::FromAnsi(PrivateName()) + L"/");
    struct stat st {};
    ASSERT_EQ(::lstat(PrivateName().c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // An existing one is returned untouched.
    testsupport::WriteFile(PrivateName() + "/keep", "k");
    EXPECT_EQ(Utils::GetTempFolder(), t);
    EXPECT_TRUE(testsupport::FileExists(PrivateName() + "/keep"));
}

TEST(TempFolder, IsRefusedWhenOthersCouldReachIt) {
    const std::string elsewhere = HomePath("elsewhere");
    testsupport::MakeDirs(elsewhere);
    ::chmod(elsewhere.c_str(), 0700);
    ASSERT_EQ(::symlink(elsewhere.c_str(), PrivateName().c_str()), 0);
    EXPECT_EQ(Utils::GetTempFolder(), L"");  // a link
    ::unlink(PrivateName().c_str());

    ASSERT_EQ(::mkdir(PrivateName().c_str(), 0777), 0);
    ::chmod(PrivateName().c_str(), 0777);
    EXPECT_EQ(Utils::GetTempFolder(), L"");  // open to everyone
    ::chmod(PrivateName().c_str(), 0700);
    EXPECT_NE(Utils::GetTempFolder(), L"");

    if (::geteuid() != 0) return;  // only root can give a folder away
    ASSERT_EQ(::chown(PrivateName().c_str(), 65534, 65534), 0);
    EXPECT_EQ(Utils::GetTempFolder(), L"");  // someone else's
}

TEST(TempFolder, UnmakeableGivesEmpty) {
    testsupport::WriteFile(PrivateName(), "a file");
    EXPECT_EQ(Utils::GetTempFolder(), L"");
}

TEST(DirectoryTree, MakesEveryLevel) {
    const std::string deep = HomePath("A/B/C/");
    EXPECT_TRUE(Utils::MakeDirectoryTree(Utils::FromAnsi(deep)));
    EXPECT_TRUE(testsupport::FileExists(HomePath("A/B/C")));
    EXPECT_TRUE(Utils::MakeDirectoryTree(Utils::FromAnsi(deep)));  // exists already
    testsupport::WriteFile(HomePath("F"), "x");
    EXPECT_FALSE(Utils::MakeDirectoryTree(Utils::FromAnsi(HomePath("F/G"))));
}

TEST(DirectoryTree, TooLongPathCreatesNothing) {
    std::string path = HomePath("long/");
    path += std::string(261 - path.size(), 'x');
    ASSERT_EQ(path.size(), 261u);
    EXPECT_FALSE(Utils::MakeDirectoryTree(Utils::FromAnsi(path)));
    EXPECT_FALSE(testsupport::FileExists(HomePath("long")));
}

TEST(Guid, TextForm) {
    const uint8_t bytes[16] = {0x3F, 0x25, 0x04, 0xE0, 0x4F, 0x89, 0x11, 0xD3,
                               0x9A, 0x0C, 0x03, 0x05, 0xE8, 0x2C, 0x33, 0x01};
    EXPECT_EQ(Utils::FormatGuid(bytes), L"3F2504E04F8911d39A0C0305E82C3301");
    const std::wstring a = Utils::CreateGuidString(), b = Utils::CreateGuidString();
    EXPECT_NE(a, b);
    EXPECT_TRUE(
        std::regex_match(Utils::ToAnsi(a), std::regex("[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}")));
}

TEST(Accounts, AdministratorAccounts) {
    EXPECT_TRUE(Utils::IsAdminAccount(L"root"));
    EXPECT_FALSE(Utils::IsAdminAccount(L""));
    EXPECT_FALSE(Utils::IsAdminAccount(L"no-such-user-here"));
    EXPECT_EQ(Utils::IsRunAsAdmin(), ::geteuid() == 0);
    std::wstring name = L"unchanged";
    if (!Utils::GetConsoleUserName(name)) {
        EXPECT_EQ(name, L"unchanged");
    }
}

TEST(ProcessFinder, NameRuleOverWhatProcShows) {
    struct Case {
        const char* comm;
        const char* exe;
        std::string cmdline;
        bool match;
    };
    const std::string n = "lumoratool_un_asa.exe";
    const Case cases[] = {
        {"lumoratool_un_a", "/t/lumoratool_un_asa.exe", std::string("x\0", 2), true},
        {"lumoratool_un_a", "/t/lumoratool_un_asa.exe (deleted)", "", true},
        {"lumoratool_un_a", "/usr/bin/dash", std::string("/bin/sh\0/t/lumoratool_un_asa.exe\0", 33),
         true},
        {"lumoratool_un_a", "/usr/bin/dash", std::string("/t/lumoratool_un_asa.exe\0-x\0", 28),
         true},
        {"lumoratool_un_a", "/usr/bin/dash", std::string("/bin/sh\0/t/other\0", 17), false},
        {"lumoratool_un_b", "/t/lumoratool_un_asa.exe", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Platform::ProcessNameMatches(n, c.comm, c.exe, c.cmdline), c.match) << c.exe;
    // Shorter names are whole in comm; a name of exactly 15 bytes may be cut.
    EXPECT_TRUE(
        Platform::ProcessNameMatches("lumoraapp.exe", "lumoraapp.exe", "/usr/bin/dash", ""));
    EXPECT_FALSE(Platform::ProcessNameMatches("lumoratool_un_a", "lumoratool_un_a",
                                              "/t/lumoratool_un_asa.exe", ""));
    EXPECT_TRUE(Platform::ProcessNameMatches("lumoratool_un_a", "lumoratool_un_a",
                                             "/t/lumoratool_un_a", ""));
}

TEST(NetworkVerdict, FromWhatTheSystemReports) {
    using F = Platform::NetworkFacts;
    using R = F::Reach;
    struct Case {
        F facts;
        uint32_t verdict;
        const char* logged;
    };
    const Case cases[] = {
        {{false, false, R::None, false, false}, 0, nullptr},
        {{true, false, R::None, false, false}, 65536, "GetConnectivity 0"},
        {{true, true, R::Full, true, false}, 0x40, nullptr},
        {{true, true, R::Full, true, true}, 0x440, nullptr},
        {{true, true, R::Limited, true, false}, 131104, "get_IsConnectedToInternet:0"},
        {{true, false, R::Local, true, false}, (2u << 16) | 0x1, "get_IsConnectedToInternet:0"},
    };
    for (const Case& c : cases) {
        testsupport::LogCapture log;
        EXPECT_EQ(Utils::NetworkVerdict(c.facts), c.verdict);
        if (c.logged) {
            EXPECT_EQ(log.Count(c.logged), 1) << log.Text();
        }
    }
    // The live check gives a value of the same layout.
    const uint32_t live = Utils::CheckNetwork();
    EXPECT_LE(live >> 16, 2u);
}

TEST(DiskSpace, NearestExistingParentAnswers) {
    Utils::HardDiskManager disk;
    EXPECT_EQ(disk.GetFreeBytesAvailable(), 0u);
    EXPECT_TRUE(disk.CheckFreeSpace(Utils::FromAnsi(HomePath("not/made/yet"))));
    EXPECT_GT(disk.GetTotalBytes(), 0u);
    EXPECT_GE(disk.GetTotalFreeBytes(), disk.GetFreeBytesAvailable());
    EXPECT_DOUBLE_EQ(Utils::HardDiskManager::ToGigabytes(536870912), 0.5);
}

TEST(RegistryStore, LivesInTheConfigFolderOneSectionPerKey) {
    EXPECT_FALSE(Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"));
    ASSERT_TRUE(Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath",
                                             "/opt/x", nullptr));
    const std::string store =
        std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry/HKEY_CURRENT_USER.ini";
    EXPECT_EQ(Platform::RegistryStorePath(), store);
    EXPECT_EQ(testsupport::ReadFile(store).find("[Software\\TaMikSoft\\lumoraapp]"), 0u);
    EXPECT_EQ(*Platform::ReadRegistryValue("software\\tamiksoft\\LUMORAAPP", "installpath"),
              "/opt/x");
    struct stat st {};
    ::stat((std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(ElapsedTimer, ReadsZeroUntilStartedThenTheTimeSinceTheStart) {
    Utils::ElapsedTimer t;
    EXPECT_EQ(t.GetElapsedSeconds(), 0.0f);
    EXPECT_FALSE(t.IsStarted());
    const auto before = std::chrono::steady_clock::now();
    t.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // time to measure
    const float seconds = t.GetElapsedSeconds();
    const double measured =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_TRUE(t.IsStarted());
    EXPECT_GE(seconds, 0.11f);
    EXPECT_LE(seconds, measured + 0.02);
}

}  // namespace
