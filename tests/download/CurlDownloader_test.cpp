#include "download/CurlDownloader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "DownloadTestUtil.h"
#include "support/LogCapture.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using dltest::Options;
using dltest::Recorder;
using testsupport::DigestPath;
using testsupport::MakeContent;
using testsupport::Md5Hex;
using testsupport::ServedFile;

using CurlDownloaderTest = dltest::DownloaderTest;

TEST_F(CurlDownloaderTest, RetryBudgetDependsOnTheKindOfFailure) {
    const struct {
        const char* name;
        ServedFile rules;
        int code;
        int attempts;
    } cases[] = {
        // Cut connections cost one unit of twelve, other failures two.
        {"partial",
         [] {
             ServedFile f;
             f.dropAfter = 0;
             return f;
         }(),
         CURLE_PARTIAL_FILE, 12},
        {"http error",
         [] {
             ServedFile f;
             f.getStatus = 503;
             return f;
         }(),
         CURLE_HTTP_RETURNED_ERROR, 6},
    };
    for (const auto& c : cases) {
        Recorder rec;
        ServedFile f = c.rules;
        f.body = MakeContent(2 << 20);
        const std::string path = std::string("/") + std::to_string(c.code) + ".exe";
        server.Serve(path, f);
        testsupport::LogCapture log;
        CCurlDownloader d(rec.Callback(), Url(path), targetW, Options());
        d.Start();
        ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.name;
        EXPECT_EQ(rec.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL})) << c.name;
        EXPECT_EQ(rec.Last(DL_CODE_FAIL).value, c.code) << c.name;
        EXPECT_EQ(rec.Last(DL_CODE_FAIL).text, L"LibCurl");
        EXPECT_EQ(server.Count("GET", path), c.attempts) << c.name;
        EXPECT_EQ(log.Count("CurlDownLoader Code=" + std::to_string(c.code)), c.attempts - 1)
            << c.name;
        EXPECT_FALSE(testsupport::FileExists(target));
    }
}

TEST_F(CurlDownloaderTest, DigestMismatchAsksForOneRetryThenFails) {
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath("something else");
    server.ServeBytes(path, body);
    std::unique_ptr<CCurlDownloader> d;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code == DL_CODE_RETRY) d->Start();  // what the pipeline does, on this thread
    });
    d = std::make_unique<CCurlDownloader>(callback, Url(path), targetW, Options());
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(2));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_ERROR, DL_CODE_FAIL}));
    for (const auto& r : recorder.Reports()) {
        if (r.code == DL_CODE_ERROR) {
            EXPECT_EQ(r.text, L"curl文件md5校验失败");
        }
        if (r.code == DL_CODE_FAIL || r.code == DL_CODE_RETRY) {
            EXPECT_EQ(r.value, 0.0);
        }
    }
    // The second run downloaded everything again.
    EXPECT_EQ(server.Count("GET", path), 2);
    d.reset();
}

TEST_F(CurlDownloaderTest, DigestIsComparedWithoutRegardToCase) {
    const std::string body = MakeContent(2 << 20);
    std::string upper = Md5Hex(body);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const std::string path = "/" + upper + "/setup.exe";
    server.ServeBytes(path, body);
    CCurlDownloader d(recorder.Callback(), Url(path), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_EQ(recorder.Last(DL_CODE_SUCCESS).text, L"LibCurl");
    EXPECT_EQ(testsupport::ReadFile(target), body);
}

TEST_F(CurlDownloaderTest, AddressWithoutDigestIsReportedAndAccepted) {
    const std::string body = MakeContent(3 << 20);
    ServedFile f;
    f.body = body;
    f.rateLimit = 2 << 20;  // long enough for progress reports
    server.Serve("/setup.exe", f);
    CCurlDownloader d(recorder.Callback(), Url("/setup.exe"), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_SUCCESS}));
    EXPECT_EQ(recorder.Last(DL_CODE_ERROR).text, L"curl获取url-md5失败");
    EXPECT_EQ(recorder.Last(DL_CODE_START).value, 1.0);
    auto progress = recorder.Progress();
    ASSERT_FALSE(progress.empty());
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_GT(progress[i], 0.0);
        EXPECT_LE(progress[i], 1.0);
        if (i) {
            EXPECT_GE(progress[i], progress[i - 1]);
        }
    }
    EXPECT_EQ(testsupport::ReadFile(target), body);
}

TEST_F(CurlDownloaderTest, ABodyThatEndsEarlyWithoutAnErrorIsResumedNotAccepted) {
    // No digest in the address: only the size found by discovery can tell
    // that the first answer was short.
    const std::string body = MakeContent(3 << 20);
    ServedFile f;
    f.body = body;
    f.closeAfter = 1 << 20;  // no length, the connection closes after 1 MiB
    f.faultyResponses = 1;
    server.Serve("/setup.exe", f);
    testsupport::LogCapture log;
    CCurlDownloader d(recorder.Callback(), Url("/setup.exe"), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes().back(), DL_CODE_SUCCESS);
    EXPECT_EQ(log.Count("CurlDownLoader Code=" + std::to_string(CURLE_PARTIAL_FILE)), 1);
    std::vector<std::string> ranges;
    for (const auto& r : server.Requests())
        if (r.method == "GET") ranges.push_back(r.range);
    EXPECT_EQ(ranges, (std::vector<std::string>{"", "bytes=1048576-"}));
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST_F(CurlDownloaderTest, ADigestThatCannotBeComputedCountsAsAMismatch) {
    // The address carries the right digest, but the file cannot be read back.
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath(body);
    server.ServeBytes(path, body);
    std::unique_ptr<CCurlDownloader> d;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code == DL_CODE_RETRY) d->Start();
    });
    d = std::make_unique<CCurlDownloader>(callback, Url(path), targetW, Options());
    d->FailDigestReadsAtForTest(1 << 20);
    d->Start();
    ASSERT_TRUE(recorder.WaitForFinal());
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_ERROR, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_ERROR).text, L"curl文件md5校验失败");
    EXPECT_TRUE(dltest::Has(d->FailureReason(), L"could not be computed"));
}

TEST_F(CurlDownloaderTest, EmptyTargetPathFailsAtOnce) {
    CCurlDownloader d(recorder.Callback(), Url("/x"), L"", Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, 1.0);
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).text, L"");
    EXPECT_EQ(d.FailureReason(), L"no file to download into was given");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(CurlDownloaderTest, ConstructionDeletesASideFileOfUnknownOrigin) {
    const struct {
        const char* name;
        std::string companion;  // empty: none
    } cases[] = {
        {"no companion", ""},
        {"another address",
         "lumora-resume 1\nurl http://127.0.0.1:1/other\nreal http://127.0.0.1:1/other\nsize "
         "5\n"},
        {"damaged companion", "lumora-resume 1\nurl http://127.0.0.1:1/x\n"},
    };
    for (const auto& c : cases) {
        testsupport::WriteFile(target + ".part", "stale bytes of another package");
        if (!c.companion.empty()) testsupport::WriteFile(target + ".part.url", c.companion);
        CCurlDownloader d(recorder.Callback(), L"http://127.0.0.1:1/x", targetW, Options());
        EXPECT_FALSE(testsupport::FileExists(target + ".part")) << c.name;
        EXPECT_FALSE(testsupport::FileExists(target + ".part.url")) << c.name;
    }
}

}  // namespace
