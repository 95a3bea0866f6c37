// The real lumora-setup -silent=true against lumora-devserver with real
// sample packages.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>
#include <thread>

#include "ChildScripts.h"
#include "platform/ProfileIni.h"
#include "support/DevServerProcess.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;
namespace fs = std::filesystem;

using RunResult = testsupport::CommandResult;
using testsupport::RunCommand;

// The development server with this suite's packages.
class DevServer : public testsupport::DevServerProcess {
public:
    explicit DevServer(const std::string& root) : DevServerProcess(LUMORA_DEVSERVER, root) {}
};

class Silent : public testing::Test {
protected:
    void SetUp() override {
        m_Packages = HomePath("packages");
        testsupport::MakeDirs(m_Packages);
        m_Install = HomePath("programs/lumoratool");
    }

    // Builds a package; each later one is the newest on the server.
    std::string Package(const std::string& options) {
        RunResult r = RunCommand(std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + m_Packages +
                                 "' " + options);
        EXPECT_EQ(r.status, 0) << r.err;
        const std::string path = r.out.substr(0, r.out.find('\n'));
        const utimbuf times{0, static_cast<time_t>(1000000000 + 1000 * ++m_Built)};
        ::utime(path.c_str(), &times);
        return path;
    }

    RunResult Setup(const DevServer& server, const std::string& extra = "") {
        return RunCommand(std::string(LUMORA_SETUP) +
                          " -silent=true -downloadurl=" + server.Address() +
                          "software/595 -installdir='" + HomePath("programs") + "' " + extra);
    }

    std::string Registry(const char* name) {
        return Platform::ReadProfileString(
            std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry/HKEY_CURRENT_USER.ini",
            "Software\\TaMikSoft\\lumoraapp", name, "<missing>");
    }

    // The diagnostic log of the last run.
    static std::string RunLog() {
        return testsupport::ReadFile(std::string(std::getenv("XDG_STATE_HOME")) +
                                     "/lumora/lumora-setup.log");
    }

    bool PackageLeft() {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(m_Install, ec))
            if (e.path().filename().string().rfind("__Package_", 0) == 0) return true;
        return false;
    }

    std::string m_Packages, m_Install;
    int m_Built = 0;
};

class SilentPerDownloadType : public Silent, public testing::WithParamInterface<int> {};

TEST_P(SilentPerDownloadType, InstallsTheProductAndRecordsIt) {
    Package("--version 1.0.0");
    DevServer server(m_Packages);
    const RunResult r = Setup(server, "-downloadtype=" + std::to_string(GetParam()));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("installed into " + m_Install), std::string::npos) << r.out;
    EXPECT_EQ(testsupport::ReadFile(m_Install + "/VERSION"), "1.0.0\n");
    EXPECT_TRUE(testsupport::FileExists(m_Install + "/uninst.ep"));
    EXPECT_FALSE(PackageLeft());
    EXPECT_EQ(Registry("InstallPath"), m_Install);
    EXPECT_EQ(Registry("UnInstallEp"), m_Install + "/uninst.ep");
    const std::string setIni = m_Install + "/set.ini";
    EXPECT_EQ(Platform::ReadProfileString(setIni, "Install", "AppName", ""), "lumoraapp");
    EXPECT_EQ(Platform::ReadProfileString(setIni, "Install", "DeviceID", "").size(), 32u);
    const std::string identity =
        Platform::ReadProfileString(setIni, "Install", "QVBeaconAnalyticsIni", "");
    EXPECT_EQ(identity, std::string(std::getenv("XDG_DATA_HOME")) +
                            "/TaMikData/lumoratool/QVBeaconAnalytics.ini");
    EXPECT_NE(Platform::ReadProfileString(identity, "Init", "UpdateTime", ""), "");
    // The package asks for the product to be started.
    EXPECT_NE(installtest::WaitForLine(m_Install + "/product-started"), "");
    // The product ends by itself; the next test must not find it running.
    while (Utils::FindProcessByName(L"lumoraapp.exe") != 0) std::this_thread::yield();
}

INSTANTIATE_TEST_SUITE_P(Types, SilentPerDownloadType, testing::Values(1, 2, 3));

TEST_F(Silent, UpdateRemovesTheOldCopyWithItsUninstallerFirst) {
    Package("--version 1.0.0 --startup NonStartup");
    DevServer server(m_Packages);
    ASSERT_EQ(Setup(server).status, 0);
    ASSERT_TRUE(testsupport::FileExists(m_Install + "/v1.0.0.marker"));

    Package("--version 2.0.0");  // asks to be started, -norun holds it back
    const RunResult r = Setup(server, "-norun=true");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("removing the previous version"), std::string::npos) << r.out;
    EXPECT_FALSE(testsupport::FileExists(m_Install + "/v1.0.0.marker"));
    EXPECT_TRUE(testsupport::FileExists(m_Install + "/v2.0.0.marker"));
    EXPECT_EQ(testsupport::ReadFile(m_Install + "/VERSION"), "2.0.0\n");
    const std::string log = RunLog();
    EXPECT_LT(log.find("UNIST_CODE_SUCCESS"), log.find("DL_CODE_START")) << log;
    EXPECT_FALSE(testsupport::FileExists(m_Install + "/product-started"));
}

TEST_F(Silent, TerminalGetsOneRedrawnLine) {
    Package("--startup NonStartup");
    DevServer server(m_Packages);
    // script(1) gives lumora-setup a terminal and copies what it shows.
    const std::string shown = HomePath("terminal.txt");
    const RunResult r = RunCommand("script -qec \"" + std::string(LUMORA_SETUP) +
                                   " -silent=true -downloadurl=" + server.Address() +
                                   "software/595 -installdir=" + HomePath("programs") +
                                   " 2>/dev/null\" '" + shown + "'");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string text = testsupport::ReadFile(shown);
    EXPECT_NE(text.find("\r\033[Kinstalled   [##############################] 100%\r\n"),
              std::string::npos)
        << text;
    // No line per step (the terminal shows a line end as CR LF).
    EXPECT_EQ(text.find("installing 74%\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("installed into " + m_Install), std::string::npos);
}

TEST_F(Silent, NoPackageOnTheServerIsADownloadFailure) {
    DevServer server(m_Packages);
    const RunResult r = Setup(server);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("lumora-setup: the download of the package"), std::string::npos) << r.err;
    EXPECT_FALSE(PackageLeft());
    EXPECT_EQ(Registry("InstallPath"), "<missing>");
}

TEST_F(Silent, FailingPackageIsAnInstallationFailure) {
    Package("--error 'disk full'");
    DevServer server(m_Packages);
    const RunResult r = Setup(server);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("lumora-setup: the installation failed: disk full."), std::string::npos)
        << r.err;
    EXPECT_FALSE(PackageLeft());
    EXPECT_EQ(Registry("InstallPath"), "<missing>");
    EXPECT_TRUE(testsupport::FileExists(m_Install + "/set.ini"));  // written when the run began
}

TEST_F(Silent, FailingUninstallerStopsTheUpdate) {
    Package("--version 1.0.0 --startup NonStartup --uninst-fail");
    DevServer server(m_Packages);
    ASSERT_EQ(Setup(server).status, 0);
    Package("--version 2.0.0");
    const RunResult r = Setup(server);
    EXPECT_EQ(r.status, 4);
    EXPECT_NE(r.err.find("lumora-setup: the previous version could not be removed"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(testsupport::ReadFile(m_Install + "/VERSION"), "1.0.0\n");
    EXPECT_NE(RunLog().find("UNIST_CODE_"), std::string::npos) << RunLog();
    EXPECT_EQ(RunLog().find("DL_CODE_START"), std::string::npos);
}

TEST_F(Silent, LessThanOneGigabyteFreeIsRefused) {
    // A small file system of our own; only root may mount one.
    const std::string small = HomePath("small");
    testsupport::MakeDirs(small);
    if (::geteuid() != 0 ||
        std::system(("mount -t tmpfs -o size=8m tmpfs '" + small + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        std::string path;
        ~Unmount() { std::system(("umount '" + path + "'").c_str()); }
    } unmount{small};
    DevServer server(m_Packages);
    const RunResult r =
        RunCommand(std::string(LUMORA_SETUP) + " -silent=true -downloadurl=" + server.Address() +
                   "software/595 -installdir='" + small + "'");
    EXPECT_EQ(r.status, 6);
    EXPECT_NE(r.err.find("less than 1 GiB is free"), std::string::npos) << r.err;
}

TEST_F(Silent, ChecksBeforeTheDownload) {
    DevServer server(m_Packages);
    testsupport::WriteFile(HomePath("file"), "x");
    RunResult r =
        RunCommand(std::string(LUMORA_SETUP) + " -silent=true -downloadurl=" + server.Address() +
                   "software/595 -installdir='" + HomePath("file") + "'");
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("cannot be created"), std::string::npos) << r.err;

    const std::string exe = HomePath("lumoraapp.exe");
    std::system(("cp /bin/sleep '" + exe + "'").c_str());
    Utils::PipeProcess product;
    product.Launch(Utils::FromAnsi(exe), L"lumoraapp.exe 1000");
    r = Setup(server);
    EXPECT_EQ(r.status, 8);
    EXPECT_NE(r.err.find("Lumora or its uninstaller is running"), std::string::npos) << r.err;
    ::kill(product.ProcessId(), SIGKILL);
    product.WaitForEnd();
}

}  // namespace
