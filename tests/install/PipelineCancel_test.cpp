// The pipeline when the owner starts again at once, and when the run is
// interrupted.
#include <gtest/gtest.h>

#include <fstream>

#include "ChildScripts.h"
#include "FakeDownloader.h"
#include "install/DownloadInstaller.h"
#include "support/LogCapture.h"
#include "utils/Text.h"

using installtest::FakeMaker;
using installtest::FakeRun;
using installtest::Made;
using installtest::Recorder;
using installtest::Report;

namespace {

std::wstring W(const std::string& s) { return Utils::FromAnsi(s); }

bool Gone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

}  // namespace

TEST(PipelineRestart, AFailedAttemptDeletesItsOwnPackageNotTheNextOnes) {
    // The owner sees the failure and starts again into another folder
    // before the pipeline has acted on the report: the new attempt's
    // package must stay.
    const std::string first = installtest::HomePath("first");
    const std::string second = installtest::HomePath("second");
    testsupport::MakeDirs(second);
    const std::string secondPackage = second + "/__Package_lumoraapp.exe";
    Made made;
    testsupport::LogCapture log;
    std::unique_ptr<CDownloadInstaller> pipeline;
    auto owner = [&](int code, double, const std::wstring&) {
        if (code != DL_CODE_FAIL) return;
        testsupport::WriteFile(secondPackage, "the next attempt's package");
        pipeline->SetParams(L"http://h/a/b", L"", W(second), true, true, true, true, L"");
        pipeline->Start();
    };
    pipeline = std::make_unique<CDownloadInstaller>(
        owner, L"http://h/a/b", L"", W(first), true, true, true,
        FakeMaker(made, {{{{DL_CODE_START, 1, L""}, {DL_CODE_FAIL, 28, L"LibCurl"}}, true}}, ""));
    pipeline->Start();
    while (log.Count("DL_CODE_FAIL") < 1) std::this_thread::yield();
    EXPECT_FALSE(testsupport::FileExists(first + "/__Package_lumoraapp.exe"));
    EXPECT_TRUE(testsupport::FileExists(secondPackage));
    pipeline.reset();
}

TEST(PipelineCancel, EndsTheRunningPackageDeletesTheDownloadAndStartsNothingMore) {
    const std::string dir = installtest::HomePath("apps/lumoratool");
    const std::string pidFile = installtest::HomePath("pid");
    const std::string package =
        "#!/bin/sh\necho Progress=0.2\necho $$ > '" + pidFile + "'\nexec sleep 1000\n";
    Recorder rec;
    Made made;
    CDownloadInstaller pipeline(
        rec.Callback(), L"http://h/a/b", L"", W(dir), true, true, true,
        FakeMaker(made,
                  {{{{DL_CODE_START, 1, L""}, {DL_CODE_SUCCESS, 0, L"LibCurl"}}, true},
                   {{{DL_CODE_START, 1, L""}}, false}},
                  package));
    pipeline.Start();
    const int pid = installtest::WaitForPidFile(pidFile);
    // A part file the download left beside the package.
    testsupport::WriteFile(dir + "/__Package_lumoraapp.exe_0", "part");
    pipeline.Cancel(std::chrono::seconds(5));
    EXPECT_TRUE(Gone(pid));
    EXPECT_FALSE(pipeline.RunnersRunning());
    EXPECT_FALSE(testsupport::FileExists(dir + "/__Package_lumoraapp.exe"));
    EXPECT_FALSE(testsupport::FileExists(dir + "/__Package_lumoraapp.exe_0"));
    // The package's end still reaches the owner; nothing starts after it.
    EXPECT_EQ(rec.Reports().back(), (Report{IST_CODE_FAIL, 0, L"安装包安装失败"}));
    const size_t reports = rec.Reports().size();
    pipeline.Start();
    EXPECT_EQ(rec.Reports().size(), reports);
}

TEST(PipelineCancel, ARequestBeforeTheStartKeepsEverythingFromStarting) {
    const std::string old = installtest::HomePath("old");
    testsupport::MakeDirs(old);
    const std::string marker = installtest::HomePath("uninstaller-ran");
    installtest::WriteScript("old/uninst.ep", ": > '" + marker + "'\necho State=Success\n");
    Recorder rec;
    Made made;
    PipelineSettings settings;
    settings.insNew = true;  // would wait for a running product first
    CDownloadInstaller pipeline(rec.Callback(), L"u", W(old + "/uninst.ep"),
                                W(installtest::HomePath("new")), true, true, true,
                                FakeMaker(made, {}, ""), settings);
    pipeline.RequestCancel();
    pipeline.Start();
    pipeline.Cancel(std::chrono::seconds(5));
    EXPECT_TRUE(rec.Reports().empty());
    EXPECT_FALSE(testsupport::FileExists(marker));
}
