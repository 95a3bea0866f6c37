// The pipeline's report order and file handling, with a downloader of the
// test's own (it plays each run from a script) and real child processes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

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

const std::vector<Report> kGoodDownload = {
    {DL_CODE_START, 1, L""}, {DL_CODE_PROGRESS, 0.5, L""}, {DL_CODE_SUCCESS, 0, L"LibCurl"}};

const char* kGoodPackage =
    "#!/bin/sh\necho Progress=0.5\necho InstPath=/opt/reported\necho State=Success\n";

std::wstring W(const std::string& s) { return Utils::FromAnsi(s); }

class Pipeline : public testing::Test {
protected:
    std::string Dir(const std::string& name) { return installtest::HomePath(name); }
};

TEST_F(Pipeline, FreshInstallReportsInOrderAndRemovesThePackage) {
    Recorder rec;
    Made made;
    const std::string dir = Dir("apps/lumoratool");  // made at 1001
    {
        PipelineSettings settings;
        settings.downloadType = 3;
        CDownloadInstaller pipeline(rec.Callback(), L"http://h/a/b", L"", W(dir), true, true, true,
                                    FakeMaker(made, {{kGoodDownload, true}}, kGoodPackage),
                                    settings);
        pipeline.Start();
        rec.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL});
        pipeline.WaitForRunners();
    }
    EXPECT_EQ(rec.Reports(), (std::vector<Report>{{DL_CODE_START, 1, L""},
                                                  {DL_CODE_PROGRESS, 0.5, L""},
                                                  {DL_CODE_SUCCESS, 0, L"LibCurl"},
                                                  {IST_CODE_START, 0, L""},
                                                  {IST_CODE_PROGRESS, 0, L""},
                                                  {IST_CODE_PROGRESS, 0.5, L""},
                                                  {IST_INFO_INST_PATH, 0, L"/opt/reported"},
                                                  {IST_CODE_SUCCESS, 0, L""}}));
    EXPECT_EQ(made.type, 3);
    EXPECT_TRUE(testsupport::FileExists(dir));
    EXPECT_FALSE(testsupport::FileExists(dir + "/__Package_lumoraapp.exe"));
}

TEST_F(Pipeline, UpdateRemovesTheOldCopyFirstWithItsCopiedUninstaller) {
    const std::string old = Dir("old/lumoratool");
    testsupport::MakeDirs(old);
    const std::string args = Dir("uninstall-args.txt");
    testsupport::WriteFile(old + "/uninst.ep", "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" +
                                                   args +
                                                   "'\necho Progress=0.5\necho State=Success\n");
    ::chmod((old + "/uninst.ep").c_str(), 0755);

    Recorder rec;
    Made made;
    CDownloadInstaller pipeline(rec.Callback(), L"http://h/a/b", L"", L"", true, true, true,
                                FakeMaker(made, {{kGoodDownload, true}}, kGoodPackage));
    pipeline.SetParams(L"http://h/a/b", W(old + "/uninst.ep"), W(Dir("new")), true, true, false,
                       false, L"");
    pipeline.Start();
    rec.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL, UNIST_CODE_FAIL, UNIST_CODE_ERROR});
    pipeline.WaitForRunners();

    EXPECT_EQ(rec.Codes(),
              (std::vector<int>{UNIST_CODE_PROGRESS, UNIST_CODE_PROGRESS, UNIST_CODE_SUCCESS,
                                DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_SUCCESS, IST_CODE_START,
                                IST_CODE_PROGRESS, IST_CODE_PROGRESS, IST_INFO_INST_PATH,
                                IST_CODE_SUCCESS}));
    const std::string copy =
        std::string(std::getenv("TMPDIR")) + "/~TaMikTemp.92482B06FB471E17//lumoratool_un_asa.exe";
    EXPECT_TRUE(testsupport::FileExists(copy));
    const std::string got = testsupport::ReadFile(args);
    EXPECT_EQ(got.substr(0, got.find('\n')), copy);
    EXPECT_NE(got.find("\n_?=" + old + "\n"), std::string::npos) << got;
}

TEST_F(Pipeline, FailedRemovalStopsBeforeTheDownload) {
    const std::string old = Dir("old");
    testsupport::MakeDirs(old);
    testsupport::WriteFile(old + "/uninst.ep", "#!/bin/sh\necho 'Error=in use'\n");
    Recorder rec;
    Made made;
    CDownloadInstaller pipeline(rec.Callback(), L"u", W(old + "/uninst.ep"), W(Dir("new")), true,
                                true, true, FakeMaker(made, {{kGoodDownload, true}}, kGoodPackage));
    pipeline.Start();
    rec.WaitForCode({UNIST_CODE_FAIL, UNIST_CODE_ERROR});
    pipeline.WaitForRunners();
    EXPECT_EQ(rec.Reports(), (std::vector<Report>{{UNIST_CODE_PROGRESS, 0, L""},
                                                  {UNIST_CODE_ERROR, 0, L"in use"}}));
}

TEST_F(Pipeline, UnusablePrivateFolderMeansNoCopyAndNoRemoval) {
    const std::string old = Dir("old");
    testsupport::MakeDirs(old);
    testsupport::WriteFile(old + "/uninst.ep", "#!/bin/sh\necho State=Success\n");
    // Someone else's folder (here: a link) stands where ours would be.
    const std::string elsewhere = Dir("elsewhere");
    testsupport::MakeDirs(elsewhere);
    const std::string ours = std::string(std::getenv("TMPDIR")) + "/~TaMikTemp.92482B06FB471E17";
    ASSERT_EQ(::symlink(elsewhere.c_str(), ours.c_str()), 0);

    Recorder rec;
    Made made;
    CDownloadInstaller pipeline(rec.Callback(), L"u", W(old + "/uninst.ep"), W(Dir("new")), true,
                                true, true, FakeMaker(made, {{kGoodDownload, true}}, kGoodPackage));
    pipeline.Start();
    rec.WaitForCode({UNIST_CODE_FAIL, UNIST_CODE_ERROR});
    pipeline.WaitForRunners();
    EXPECT_EQ(rec.Reports(), (std::vector<Report>{{UNIST_CODE_FAIL, 1, L"可执行卸载文件不存在"}}));
    EXPECT_FALSE(testsupport::FileExists(elsewhere + "/lumoratool_un_asa.exe"));
}

TEST_F(Pipeline, RetryRestartsTheDownloaderAndFailureDeletesThePackages) {
    Recorder rec;
    Made made;
    const std::string first = Dir("first");
    const std::string second = Dir("second");
    std::vector<FakeRun> runs = {
        {{{DL_CODE_START, 1, L""},
          {DL_CODE_ERROR, 0, L"curl文件md5校验失败"},
          {DL_CODE_RETRY, 0, L"LibCurl"}},
         false},
        {{{DL_CODE_START, 1, L""}, {DL_CODE_PROGRESS, 0.2, L""}, {DL_CODE_FAIL, 28, L"LibCurl"}},
         true},
        {{{DL_CODE_START, 1, L""}, {DL_CODE_FAIL, 7, L"LibCurl"}}, true},
    };
    testsupport::LogCapture log;
    CDownloadInstaller pipeline(rec.Callback(), L"http://first/a/b", L"", W(first), true, true,
                                true, FakeMaker(made, runs, kGoodPackage));
    pipeline.Start();
    // The pipeline logs DL_CODE_FAIL once it has acted on the report.
    while (log.Count("DL_CODE_FAIL") < 1) std::this_thread::yield();
    EXPECT_EQ(rec.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_RETRY,
                                             DL_CODE_START, DL_CODE_PROGRESS, DL_CODE_FAIL}));
    EXPECT_FALSE(testsupport::FileExists(first + "/__Package_lumoraapp.exe"));
    EXPECT_EQ(log.Count("DL_CODE_RETRY"), 1);

    // A second start into another folder reuses the downloader (first
    // address and path) and deletes both packages when it ends.
    testsupport::MakeDirs(second);
    testsupport::WriteFile(second + "/__Package_lumoraapp.exe", "stale");
    pipeline.SetParams(L"http://second/a/b", L"", W(second), true, true, true, true, L"");
    pipeline.Start();
    while (log.Count("DL_CODE_FAIL") < 2) std::this_thread::yield();
    EXPECT_EQ(made.downloader->Url(), L"http://first/a/b");
    EXPECT_EQ(made.downloader->Path(), W(first + "/__Package_lumoraapp.exe"));
    EXPECT_EQ(pipeline.PackagePath(), W(second + "/__Package_lumoraapp.exe"));
    EXPECT_FALSE(testsupport::FileExists(second + "/__Package_lumoraapp.exe"));
    EXPECT_FALSE(testsupport::FileExists(first + "/__Package_lumoraapp.exe"));
    EXPECT_EQ(log.Count("DL_TYPE="), 2);
}

TEST_F(Pipeline, FailingPackageIsDeletedToo) {
    Recorder rec;
    Made made;
    const std::string dir = Dir("d");
    CDownloadInstaller pipeline(
        rec.Callback(), L"u", L"", W(dir), true, true, true,
        FakeMaker(made, {{kGoodDownload, true}}, "#!/bin/sh\necho 'Error=no room'\n"));
    pipeline.Start();
    rec.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL});
    pipeline.WaitForRunners();
    EXPECT_EQ(rec.Reports().back(), (Report{IST_CODE_FAIL, 1000, L"no room"}));
    EXPECT_FALSE(testsupport::FileExists(dir + "/__Package_lumoraapp.exe"));
}

}  // namespace
