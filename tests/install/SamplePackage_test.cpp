// The sample package and its uninstaller, run by the real runners, and the
// development server's answers.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>
#include <thread>

#include "ChildScripts.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

using installtest::HomePath;
using installtest::Recorder;
using installtest::Report;

namespace {

int ProcessWithCommandLine(const std::string& cmdline) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string name = e.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (testsupport::ReadFile(e.path().string() + "/cmdline") == cmdline)
            return std::stoi(name);
    }
    return 0;
}

std::string BuildPackage(const std::string& options) {
    const std::string out = HomePath("pkg.out");
    const std::string cmd = std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + HomePath("packages") +
                            "' " + options + " > '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::string path = testsupport::ReadFile(out);
    return path.substr(0, path.find('\n'));
}

std::vector<Report> Install(const std::string& package, const std::string& dir) {
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"" + Utils::FromAnsi(package) + L"\"",
                      Utils::FromAnsi(dir));
    runner.Start();
    runner.Wait();
    return rec.Reports();
}

struct SampleCase {
    const char* name;
    const char* options;
    Report last;
};
void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.name; }

class SamplePackage : public testing::TestWithParam<SampleCase> {};

TEST_P(SamplePackage, EndsAsItsSwitchesSay) {
    const auto r = Install(BuildPackage(GetParam().options), HomePath("my apps/lumoratool"));
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.back(), GetParam().last);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SamplePackage,
    testing::Values(SampleCase{"Default", "", {IST_CODE_SUCCESS, 0, L""}},
                    SampleCase{"Fail", "--fail", {IST_CODE_FAIL, 0, L"安装包安装失败"}},
                    SampleCase{"Error", "--error 'no room'", {IST_CODE_FAIL, 1000, L"no room"}},
                    SampleCase{"NoFinal", "--no-final", {IST_CODE_SUCCESS, 1, L""}},
                    SampleCase{"Crash", "--crash", {IST_CODE_FAIL, 0, L"安装包安装失败"}},
                    SampleCase{"CrLf", "--crlf", {IST_CODE_SUCCESS, 0, L""}},
                    SampleCase{"FloodStdout", "--flood-stdout 3000000", {IST_CODE_SUCCESS, 0, L""}},
                    SampleCase{
                        "FloodStderr", "--flood-stderr 3000000", {IST_CODE_SUCCESS, 0, L""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SamplePackage, InstallsIntoTheExactFolderAndReportsIt) {
    const std::string dir = HomePath("my  apps/lumora\"tool");
    const std::string package = BuildPackage("--version 3.1.4 --crlf --encode UTF8 --message 你好");
    EXPECT_GE(testsupport::ReadFile(package).size(), 1048576u);
    const auto r = Install(package, dir);
    auto has = [&r](const Report& want) { return std::find(r.begin(), r.end(), want) != r.end(); };
    EXPECT_TRUE(has({IST_INFO_INST_PATH, 0, Utils::FromAnsi(dir)}));
    EXPECT_TRUE(has({IST_INFO_EXE_PATH, 0, Utils::FromAnsi(dir + "/lumoraapp.exe")}));
    EXPECT_TRUE(has({IST_INFO_UNINST_EP, 0, Utils::FromAnsi(dir + "/uninst.ep")}));
    EXPECT_TRUE(has({IST_INFO_STARTUP_STYLE, 1, L""}));
    EXPECT_TRUE(has({IST_INFO_MESSAGE, 0, L"你好"}));
    EXPECT_EQ(testsupport::ReadFile(dir + "/VERSION"), "3.1.4\n");
}

TEST(SamplePackage, ItsUninstallerRemovesTheInstallation) {
    // The folder after "_?=" reaches the uninstaller whole: two blanks and a
    // quote included.
    const std::string dir = HomePath("my  apps/lumora\"tool");
    Install(BuildPackage(""), dir);
    ASSERT_TRUE(testsupport::FileExists(dir + "/uninst.ep"));
    Recorder rec;
    CUnInstaller uninstaller(rec.Callback(), Utils::FromAnsi(dir + "/uninst.ep"),
                             Utils::FromAnsi(dir));
    uninstaller.Start();
    uninstaller.Wait();
    EXPECT_EQ(rec.Reports().back(), (Report{UNIST_CODE_SUCCESS, 0, L""}));
    EXPECT_FALSE(testsupport::FileExists(dir));
}

TEST(SamplePackage, AnnouncedCodePageCarriesItsMessage) {
    const auto r = Install(BuildPackage("--encode 936 --message 磁盘已满"), HomePath("cp"));
    EXPECT_NE(std::find(r.begin(), r.end(), Report{IST_INFO_MESSAGE, 0, L"磁盘已满"}), r.end());
    EXPECT_EQ(r.back(), (Report{IST_CODE_SUCCESS, 0, L""}));
}

TEST(SamplePackage, UnwritableFolderGivesAnError) {
    testsupport::WriteFile(HomePath("file"), "x");
    const auto r = Install(BuildPackage(""), HomePath("file/lumoratool"));
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.back().code, IST_CODE_FAIL);
    EXPECT_EQ(r.back().value, 1000);
    EXPECT_NE(r.back().text.find(L"cannot write"), std::wstring::npos);
}

TEST(SamplePackage, UninstallerSwitches) {
    const std::string dir = HomePath("apps");
    Install(BuildPackage("--uninst-error 'still running'"), dir);
    Recorder rec;
    CUnInstaller uninstaller(rec.Callback(), Utils::FromAnsi(dir + "/uninst.ep"),
                             Utils::FromAnsi(dir));
    uninstaller.Start();
    uninstaller.Wait();
    EXPECT_EQ(rec.Reports().back(), (Report{UNIST_CODE_ERROR, 0, L"still running"}));
    EXPECT_TRUE(testsupport::FileExists(dir + "/lumoraapp.exe"));
}

TEST(SamplePackage, HangEndsWhenKilled) {
    const std::string package = BuildPackage("--hang");
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"" + Utils::FromAnsi(package) + L"\"",
                      Utils::FromAnsi(HomePath("h")));
    runner.Start();
    // The package reaches its last files, then waits for ever.
    while (!testsupport::FileExists(HomePath("h/v2.0.0.marker"))) std::this_thread::yield();
    // The package has become "sleep 1000000" (it execs), in its own process.
    int pid = 0;
    while ((pid = ProcessWithCommandLine(std::string("sleep\0"
                                                     "1000000\0",
                                                     14))) == 0)
        std::this_thread::yield();
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    runner.Wait();
    EXPECT_EQ(rec.Reports().back(), (Report{IST_CODE_FAIL, 0, L"安装包安装失败"}));
}

TEST(DevServer, ServesHeadRangesAndTheNewestPackage) {
    const std::string package = BuildPackage("--version 1.0.0");
    Utils::PipeProcess server;
    server.Launch(Utils::FromAnsi(LUMORA_DEVSERVER),
                  L"lumora-devserver --root " + Utils::FromAnsi(HomePath("packages")));
    std::string first;
    while (first.find('\n') == std::string::npos &&
           server.ReadOutput(first) == Utils::PipeProcess::ReadResult::Data) {
    }
    const std::string address = first.substr(0, first.find('\n'));
    ASSERT_EQ(address.rfind("http://127.0.0.1:", 0), 0u) << first;
    const int port = std::stoi(address.substr(17));
    httplib::Client client("127.0.0.1", port);

    const std::string digestPath = package.substr(HomePath("packages").size());
    auto redirect = client.Get("/software/595");
    ASSERT_TRUE(redirect);
    EXPECT_EQ(redirect->status, 302);
    EXPECT_EQ(redirect->get_header_value("Location"),
              address.substr(0, address.size() - 1) + digestPath);

    auto head = client.Head(digestPath.c_str());
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->get_header_value("Content-Length"),
              std::to_string(testsupport::ReadFile(package).size()));

    auto range = client.Get(digestPath.c_str(), {{"Range", "bytes=2-10"}});
    ASSERT_TRUE(range);
    EXPECT_EQ(range->status, 206);
    EXPECT_EQ(range->body, testsupport::ReadFile(package).substr(2, 9));

    auto outside = client.Get("/../../etc/passwd");
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->status, 404);

    ::kill(server.ProcessId(), SIGTERM);
    EXPECT_EQ(server.WaitForEnd(), 0);
}

}  // namespace
