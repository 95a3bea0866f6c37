#include "download/WinDownloader.h"

#include <gtest/gtest.h>

#include <chrono>

#include "DownloadTestUtil.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using dltest::Options;
using dltest::Recorder;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::ServedFile;

using WinDownloaderTest = dltest::DownloaderTest;

TEST_F(WinDownloaderTest, DownloadsWithProgressAndRunsOnlyOnce) {
    const std::string body = MakeContent(3 << 20);
    ServedFile f;
    f.body = body;
    f.rateLimit = 6 << 20;
    server.Serve("/setup.exe", f);
    CWinDownloader d(recorder.Callback(), Url("/setup.exe"), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_EQ(recorder.Last(DL_CODE_SUCCESS).text, L"URLDownloadToFile");
    EXPECT_EQ(recorder.Last(DL_CODE_SUCCESS).value, 0.0);
    auto progress = recorder.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_TRUE(testsupport::ReadFile(target) == body);

    // The worker ran for good: a second Start sends nothing.
    const size_t before = recorder.Reports().size();
    d.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(recorder.Reports().size(), before);
    EXPECT_EQ(server.Count("GET", "/setup.exe"), 1);
}

TEST_F(WinDownloaderTest, UnreachableHostFailsAfterThreeAttemptsOneSecondApart) {
    int port;
    {
        LoopbackHttpServer gone;
        port = gone.Port();
    }
    CWinDownloader d(recorder.Callback(),
                     Utils::FromUtf8("http://127.0.0.1:" + std::to_string(port) + "/p.exe"),
                     targetW, Options());
    const auto began = std::chrono::steady_clock::now();
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(2900));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    // INET_E_RESOURCE_NOT_FOUND as a negative number.
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, CWinDownloader::kINET_E_RESOURCE_NOT_FOUND);
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).text, L"URLDownloadToFile");
}

TEST_F(WinDownloaderTest, FailuresCarryTheMatchingNumber) {
    const struct {
        const char* name;
        ServedFile rules;
        int32_t hresult;
    } cases[] = {
        {"not found",
         [] {
             ServedFile f;
             f.status = 404;
             return f;
         }(),
         CWinDownloader::kINET_E_OBJECT_NOT_FOUND},
        {"server error",
         [] {
             ServedFile f;
             f.status = 500;
             return f;
         }(),
         CWinDownloader::kINET_E_DOWNLOAD_FAILURE},
        {"cut short",
         [] {
             ServedFile f;
             f.body = MakeContent(1 << 20);
             f.dropAfter = 5000;
             return f;
         }(),
         CWinDownloader::kINET_E_DATA_NOT_AVAILABLE},
        {"empty",
         [] {
             ServedFile f;
             return f;
         }(),
         CWinDownloader::kINET_E_DATA_NOT_AVAILABLE},
    };
    for (const auto& c : cases) {
        Recorder rec;
        server.ClearLog();
        server.Serve("/p.exe", c.rules);
        CWinDownloader d(rec.Callback(), Url("/p.exe"), targetW, Options());
        d.SetRetryDelayForTest(std::chrono::milliseconds(20));
        d.Start();
        ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.name;
        EXPECT_EQ(rec.Last(DL_CODE_FAIL).value, c.hresult) << c.name;
        EXPECT_EQ(server.Count("GET", "/p.exe"), 3) << c.name;
        // Nothing half-written is left behind as if it were the package.
        EXPECT_FALSE(testsupport::FileExists(target)) << c.name;
    }
}

TEST_F(WinDownloaderTest, EncodesTheAddressButNotLocalFiles) {
    const std::string body = MakeContent(4096);
    server.ServeBytes("/a+b/中.exe", body);
    CWinDownloader d(recorder.Callback(), Url("/a b/中.exe"), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    auto requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].target, "/a+b/%E4%B8%AD.exe");
    EXPECT_EQ(recorder.Codes().back(), DL_CODE_SUCCESS);

    // A local file address travels unchanged (its space stays a space).
    Recorder local;
    const std::string source = dltest::TempPath("a b.bin");
    testsupport::WriteFile(source, body);
    const std::string copy = dltest::TempPath("copy.exe");
    CWinDownloader l(local.Callback(), Utils::FromUtf8("file://" + source), Utils::FromUtf8(copy),
                     Options());
    l.Start();
    ASSERT_TRUE(local.WaitForOutcomes(1));
    EXPECT_EQ(local.Codes().back(), DL_CODE_SUCCESS);
    EXPECT_TRUE(testsupport::ReadFile(copy) == body);
}

TEST_F(WinDownloaderTest, EmptyTargetPathFailsAtOnce) {
    CWinDownloader d(recorder.Callback(), Url("/x"), L"", Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, 1.0);
}

}  // namespace
