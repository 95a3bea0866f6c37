// Both runners against real child processes and real pipes.
#include <gtest/gtest.h>

#include <csignal>

#include "ChildScripts.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

using installtest::Recorder;
using installtest::Report;
using installtest::WriteScript;

namespace {

std::vector<Report> RunPackage(const std::string& path, Recorder& rec,
                               const std::wstring& dir = L"/opt/unused") {
    CInstaller runner(rec.Callback(), L"\"" + std::wstring(path.begin(), path.end()) + L"\"", dir);
    runner.Start();
    runner.Wait();
    return rec.Reports();
}

std::vector<Report> RunPackageScript(const std::string& body) {
    Recorder rec;
    return RunPackage(WriteScript("package.exe", body), rec);
}

// The reports after the two opening ones (2001, 2002 with 0).
std::vector<Report> AfterStart(std::vector<Report> r) {
    EXPECT_GE(r.size(), 2u);
    if (r.size() < 2) return r;
    EXPECT_EQ(r[0], (Report{IST_CODE_START, 0, L""}));
    EXPECT_EQ(r[1], (Report{IST_CODE_PROGRESS, 0, L""}));
    return {r.begin() + 2, r.end()};
}

struct PackageCase {
    const char* name;
    const char* script;
    std::vector<Report> expected;  // after 2001 and 2002 (0)
};

void PrintTo(const PackageCase& c, std::ostream* os) { *os << c.name; }

class PackageRun : public testing::TestWithParam<PackageCase> {};

TEST_P(PackageRun, ReportsWhatThePackageSays) {
    EXPECT_EQ(AfterStart(RunPackageScript(GetParam().script)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PackageRun,
    testing::Values(
        PackageCase{"NoFinalLineIsSuccess",
                    "echo Progress=0.5\nexit 3\n",
                    {{IST_CODE_PROGRESS, 0.5, L""}, {IST_CODE_SUCCESS, 1, L""}}},
        PackageCase{"NothingWritten", "exit 0\n", {{IST_CODE_SUCCESS, 1, L""}}},
        PackageCase{"StateFail", "echo State=Fail\n", {{IST_CODE_FAIL, 0, L"安装包安装失败"}}},
        PackageCase{"ErrorLine", "echo 'Error=disk full'\n", {{IST_CODE_FAIL, 1000, L"disk full"}}},
        PackageCase{"CrLfLineEnds",
                    "printf 'InstPath=/opt/p\\r\\nUninstEp=/opt/p/u\\r\\nState=Success\\r\\n'\n",
                    {{IST_INFO_INST_PATH, 0, L"/opt/p"},
                     {IST_INFO_UNINST_EP, 0, L"/opt/p/u"},
                     {IST_CODE_SUCCESS, 0, L""}}},
        // Pauses make the reads end inside a line and inside a character.
        PackageCase{"LineCutAcrossReads",
                    "printf 'Err'; sleep 0.3; printf 'or=disk full\\n'\n",
                    {{IST_CODE_FAIL, 1000, L"disk full"}}},
        PackageCase{"CharacterCutAcrossReads",
                    "printf 'Encode=UTF8\\nMessage=\\347\\243'; sleep 0.3; printf "
                    "'\\201\\347\\233\\230\\n'\n",
                    {{IST_INFO_MESSAGE, 0, L"磁盘"}, {IST_CODE_SUCCESS, 1, L""}}},
        // The announced code page holds from the next line on, even in the same read.
        PackageCase{"CodePageFromTheNextLine",
                    "printf 'Encode=936\\nMessage=\\264\\305\\305\\314\\n'\n",
                    {{IST_INFO_MESSAGE, 0, L"磁盘"}, {IST_CODE_SUCCESS, 1, L""}}},
        PackageCase{"LastLineWithoutLf",
                    "printf 'Progress=0.25\\nState=Success'\n",
                    {{IST_CODE_PROGRESS, 0.25, L""}, {IST_CODE_SUCCESS, 0, L""}}},
        PackageCase{"OutputAfterTheFinalReadIsNotParsed",
                    "echo State=Success; sleep 0.3; echo 'Error=late'\n",
                    {{IST_CODE_SUCCESS, 0, L""}}},
        PackageCase{"CrashIsNoSuccess",
                    "echo Progress=0.1\nkill -SEGV $$\n",
                    {{IST_CODE_PROGRESS, 0.1, L""}, {IST_CODE_FAIL, 0, L"安装包安装失败"}}},
        // 8 MB without a line end, then a line: the flood is dropped, the line read.
        PackageCase{"FloodOfStdout",
                    "head -c 8000000 /dev/zero | tr '\\0' x\nprintf '\\nState=Success\\n'\n",
                    {{IST_CODE_SUCCESS, 0, L""}}},
        PackageCase{"FloodOfStderr",
                    "head -c 8000000 /dev/zero >&2\necho State=Success\n",
                    {{IST_CODE_SUCCESS, 0, L""}}},
        PackageCase{"FloodAfterTheFinalLine",
                    "echo State=Success\nhead -c 8000000 /dev/zero\n",
                    {{IST_CODE_SUCCESS, 0, L""}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PackageRunner, MissingPackageCannotStart) {
    Recorder rec;
    EXPECT_EQ(RunPackage(installtest::HomePath("absent.exe"), rec),
              (std::vector<Report>{
                  {IST_CODE_START, 0, L""}, {IST_CODE_PROGRESS, 0, L""}, {IST_CODE_FAIL, 2, L""}}));
}

TEST(PackageRunner, FileThatIsNoProgramCannotStart) {
    const std::string path = installtest::HomePath("junk.exe");
    testsupport::WriteFile(path, std::string("\x7f\x01\x02 not a program\n"));
    Recorder rec;
    EXPECT_EQ(AfterStart(RunPackage(path, rec)), (std::vector<Report>{{IST_CODE_FAIL, 2, L""}}));
}

TEST(PackageRunner, DownloadedFileGetsItsExecuteBit) {
    Recorder rec;
    const std::string path = WriteScript("package.exe", "echo State=Success\n", false);
    EXPECT_EQ(AfterStart(RunPackage(path, rec)), (std::vector<Report>{{IST_CODE_SUCCESS, 0, L""}}));
}

TEST(PackageRunner, ManyLinesAreAllRead) {
    // 20000 lines in large writes: every one becomes a report.
    auto r = AfterStart(RunPackageScript("yes Progress=0.5 | head -n 20000\necho State=Success\n"));
    ASSERT_EQ(r.size(), 20001u);
    EXPECT_EQ(r.back(), (Report{IST_CODE_SUCCESS, 0, L""}));
}

TEST(PackageRunner, PackageGetsItsCommandLine) {
    const std::string args = installtest::HomePath("args.txt");
    const std::string path = WriteScript(
        "package.exe", "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + args + "'\n");
    Recorder rec;
    RunPackage(path, rec, L"/opt/my dir");
    EXPECT_EQ(testsupport::ReadFile(args),
              "/S\n-console=show\n-version=1.0.0\n-adminact=false\n-authorizationact=false\n"
              "-dsc=true\n-ssc=true\n-instdir=/opt/my dir\n/D=/opt/my dir\n");
}

TEST(PackageRunner, HangingPackageEndsWhenKilled) {
    const std::string pidFile = installtest::HomePath("pid");
    const std::string path = WriteScript(
        "package.exe", "echo Progress=0.3\necho $$ > '" + pidFile + "'\nexec sleep 1000\n");
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"" + std::wstring(path.begin(), path.end()) + L"\"", L"");
    runner.Start();
    const int pid = installtest::WaitForPidFile(pidFile);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    runner.Wait();
    EXPECT_EQ(AfterStart(rec.Reports()),
              (std::vector<Report>{{IST_CODE_PROGRESS, 0.3, L""},
                                   {IST_CODE_FAIL, 0, L"安装包安装失败"}}));
}

TEST(PackageRunner, ProgramLeftRunningDoesNotHoldTheRun) {
    const std::string pidFile = installtest::HomePath("pid");
    // The background program inherits the package's standard output.
    auto r = RunPackageScript("sleep 1000 &\necho $! > '" + pidFile + "'\necho Progress=0.9\n");
    const int pid = installtest::WaitForPidFile(pidFile);
    ::kill(pid, SIGKILL);
    EXPECT_EQ(AfterStart(r),
              (std::vector<Report>{{IST_CODE_PROGRESS, 0.9, L""}, {IST_CODE_SUCCESS, 1, L""}}));
}

TEST(PackageRunner, RunsAgainAfterARun) {
    Recorder rec;
    const std::string path = WriteScript("package.exe", "echo State=Success\n");
    CInstaller runner(rec.Callback(), L"\"" + std::wstring(path.begin(), path.end()) + L"\"", L"");
    runner.Start();
    runner.Start();  // waits for the first run
    runner.Wait();
    EXPECT_EQ(rec.Codes(), (std::vector<int>{IST_CODE_START, IST_CODE_PROGRESS, IST_CODE_SUCCESS,
                                             IST_CODE_START, IST_CODE_PROGRESS, IST_CODE_SUCCESS}));
}

// The uninstaller runner.

std::vector<Report> RunUninstaller(const std::string& path,
                                   const std::wstring& home = L"/opt/old") {
    Recorder rec;
    CUnInstaller runner(rec.Callback(), std::wstring(path.begin(), path.end()), home);
    runner.Start();
    runner.Wait();
    return rec.Reports();
}

struct UninstCase {
    const char* name;
    const char* script;
    std::vector<Report> expected;
};

void PrintTo(const UninstCase& c, std::ostream* os) { *os << c.name; }

class UninstallerRun : public testing::TestWithParam<UninstCase> {};

TEST_P(UninstallerRun, ReportsWhatTheUninstallerSays) {
    EXPECT_EQ(RunUninstaller(WriteScript("lumoratool_un_asa.exe", GetParam().script)),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Uninstallers, UninstallerRun,
    testing::Values(
        UninstCase{"NothingWritten",
                   "exit 1\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_SUCCESS, 1, L""}}},
        UninstCase{"Success",
                   "echo Progress=0.5\necho State=Success\n",
                   {{UNIST_CODE_PROGRESS, 0, L""},
                    {UNIST_CODE_PROGRESS, 0.5, L""},
                    {UNIST_CODE_SUCCESS, 0, L""}}},
        UninstCase{"SuccessThenKeepsRunning",
                   "echo State=Success\nsleep 0.3\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_SUCCESS, 0, L""}}},
        UninstCase{"ErrorLine",
                   "printf 'Error=in use\\r\\n'\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_ERROR, 0, L"in use"}}},
        // Much output, then the verdict right before the exit: still read.
        UninstCase{"FailJustBeforeExit",
                   "yes Other=1 | head -n 30000\necho State=Fail\nexit 0\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_ERROR, 0, L"安装包卸载失败"}}},
        UninstCase{"LineCutAcrossReads",
                   "printf 'State=Fa'; sleep 0.3; printf 'il\\n'\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_ERROR, 0, L"安装包卸载失败"}}},
        UninstCase{"FloodOfStderr",
                   "head -c 8000000 /dev/zero >&2\necho State=Success\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_SUCCESS, 0, L""}}},
        UninstCase{"CrashIsNoSuccess",
                   "kill -SEGV $$\n",
                   {{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_ERROR, 0, L"安装包卸载失败"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UninstallerRunner, MissingCopyGivesOneReport) {
    EXPECT_EQ(RunUninstaller(installtest::HomePath("absent.exe")),
              (std::vector<Report>{{UNIST_CODE_FAIL, 1, L"可执行卸载文件不存在"}}));
}

TEST(UninstallerRunner, FileThatIsNoProgramCannotStart) {
    const std::string path = installtest::HomePath("junk.exe");
    testsupport::WriteFile(path, "\x7f\x01 junk");
    EXPECT_EQ(RunUninstaller(path),
              (std::vector<Report>{{UNIST_CODE_PROGRESS, 0, L""}, {UNIST_CODE_FAIL, 2, L""}}));
}

TEST(UninstallerRunner, HangingUninstallerEndsWhenKilled) {
    const std::string pidFile = installtest::HomePath("pid");
    const std::string path =
        WriteScript("lumoratool_un_asa.exe",
                    "echo Progress=0.4\necho $$ > '" + pidFile + "'\nexec sleep 1000\n");
    Recorder rec;
    CUnInstaller runner(rec.Callback(), Utils::FromAnsi(path), L"/opt/old");
    runner.Start();
    ASSERT_EQ(::kill(installtest::WaitForPidFile(pidFile), SIGKILL), 0);
    runner.Wait();
    EXPECT_EQ(rec.Reports(), (std::vector<Report>{{UNIST_CODE_PROGRESS, 0, L""},
                                                  {UNIST_CODE_PROGRESS, 0.4, L""},
                                                  {UNIST_CODE_ERROR, 0, L"安装包卸载失败"}}));
}

TEST(UninstallerRunner, GetsHomeFolderLast) {
    const std::string args = installtest::HomePath("args.txt");
    const std::string path =
        WriteScript("lumoratool_un_asa.exe",
                    "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + args + "'\n");
    RunUninstaller(path, L"/opt/Apps/lumoratool");
    // Both facts are asked anew at the start.
    const std::string admin = Utils::ConsoleUserIsAdmin() ? "true" : "false";
    const std::string elevated = Utils::IsRunAsAdmin() ? "true" : "false";
    EXPECT_EQ(testsupport::ReadFile(args), "/S\n-adminact=" + admin +
                                               "\n-authorizationact=" + elevated +
                                               "\n-console=show\n_?=/opt/Apps/lumoratool\n");
}

}  // namespace
