#include "download/MTCurlDownloader.h"

#include <gtest/gtest.h>

#include <memory>

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

class MTCurlDownloaderTest : public dltest::DownloaderTest {
protected:
    // Short waits keep the retry tests quick; one test keeps the real ones.
    static CMTCurlDownloader::Tuning Quick() {
        CMTCurlDownloader::Tuning t;
        t.retryDelay = std::chrono::milliseconds(20);
        t.lowSpeedTime = 1;
        return t;
    }
    std::vector<std::string> GetRanges(const std::string& path) const {
        std::vector<std::string> out;
        for (const auto& r : server.Requests())
            if (r.method == "GET" && r.path == path) out.push_back(r.range);
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST_F(MTCurlDownloaderTest, CutsThePackageIntoAtMostTwoRanges) {
    const struct {
        size_t size;
        std::vector<std::string> ranges;
    } cases[] = {
        {15728640, {"bytes=0-15728639"}},
        {20971520, {"bytes=0-10485759", "bytes=10485760-20971519"}},
        // The second segment takes the odd byte.
        {20971521, {"bytes=0-10485759", "bytes=10485760-20971520"}},
    };
    for (const auto& c : cases) {
        Recorder rec;
        server.ClearLog();
        const std::string body = MakeContent(c.size, static_cast<uint32_t>(c.size));
        const std::string path = DigestPath(body);
        server.ServeBytes(path, body);
        testsupport::LogCapture log;
        {
            CMTCurlDownloader d(rec.Callback(), Url(path), targetW, Options());
            d.Start();
            ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.size;
        }
        EXPECT_EQ(rec.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS})) << c.size;
        EXPECT_EQ(GetRanges(path), c.ranges);
        EXPECT_EQ(server.Count("HEAD", path), 1);
        EXPECT_EQ(log.Count("partPath::"), c.ranges.size() == 2 ? 1 : 0);
        EXPECT_EQ(log.Count("finish recv"), 1);
        EXPECT_EQ(log.Count("Download File Length " + std::to_string(c.size)), 1);
        EXPECT_TRUE(testsupport::ReadFile(target) == body) << c.size;
        EXPECT_FALSE(testsupport::FileExists(target + "_0"));
        EXPECT_FALSE(testsupport::FileExists(target + "_1"));
    }
}

TEST_F(MTCurlDownloaderTest, RetryResumesThePartFilesWithoutAnotherHead) {
    const size_t size = 20971520;
    const std::string body = MakeContent(size);
    const std::string path = DigestPath(body);
    ServedFile broken;
    broken.body = body;
    broken.dropAfter = 3 << 20;  // each segment's first answer breaks off ...
    broken.faultyResponses = 2;
    broken.laterGetStatus = 503;  // ... and the server then fails for a while
    server.Serve(path, broken);

    std::unique_ptr<CMTCurlDownloader> d;
    std::vector<int64_t> partSizes;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code != DL_CODE_RETRY) return;
        partSizes = {dltest::FileSize(target + "_0"), dltest::FileSize(target + "_1")};
        server.ServeBytes(path, body);
        server.ClearLog();
        d->Start();
    });
    d = std::make_unique<CMTCurlDownloader>(callback, Url(path), targetW, Options());
    CMTCurlDownloader::Tuning t;
    t.retryDelay = std::chrono::milliseconds(400);  // the failing attempts span a few seconds
    d->SetTuningForTest(t);
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(2));
    d.reset();

    EXPECT_EQ(recorder.Codes(),
              (std::vector<int>{DL_CODE_START, DL_CODE_RETRY, DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_EQ(recorder.Last(DL_CODE_RETRY).value, CURLE_HTTP_RETURNED_ERROR);
    ASSERT_EQ(partSizes, (std::vector<int64_t>{3 << 20, 3 << 20}));
    EXPECT_EQ(server.Count("HEAD", path), 0);
    EXPECT_EQ(GetRanges(path),
              (std::vector<std::string>{"bytes=13631488-20971519", "bytes=3145728-10485759"}));
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST_F(MTCurlDownloaderTest, DigestMismatchOnBothRunsEndsWithFailure) {
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath("not this");
    server.ServeBytes(path, body);
    std::unique_ptr<CMTCurlDownloader> d;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code == DL_CODE_RETRY) d->Start();
    });
    testsupport::LogCapture log;
    d = std::make_unique<CMTCurlDownloader>(callback, Url(path), targetW, Options());
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(2));
    d.reset();
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_ERROR, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_ERROR).text, L"mtcurl文件md5校验失败");
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, 0.0);
    EXPECT_EQ(log.Count("finish recv, md5 chaek failed retry once."), 1);
    EXPECT_EQ(log.Count("finish recv, md5 chaek failed and retry failed."), 1);
    EXPECT_FALSE(testsupport::FileExists(target));
    EXPECT_EQ(server.Count("HEAD", path), 1);  // the retry knows the address already
}

TEST_F(MTCurlDownloaderTest, UpperCaseDigestIsAccepted) {
    const std::string body = MakeContent(2 << 20);
    std::string upper = Md5Hex(body);
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    const std::string path = "/" + upper + "/setup.exe";
    server.ServeBytes(path, body);
    CMTCurlDownloader d(recorder.Callback(), Url(path), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_SUCCESS}));
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST_F(MTCurlDownloaderTest, AddressWithoutDigestIsReportedAndAccepted) {
    const std::string body = MakeContent(2 << 20);
    server.ServeBytes("/setup.exe", body);
    CMTCurlDownloader d(recorder.Callback(), Url("/setup.exe"), targetW, Options());
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_SUCCESS}));
    EXPECT_EQ(recorder.Last(DL_CODE_ERROR).text, L"mtcurl获取url-md5失败");
    EXPECT_EQ(recorder.Last(DL_CODE_SUCCESS).text, L"LibCurl");
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST_F(MTCurlDownloaderTest, SegmentAttemptsDependOnTheKindOfFailure) {
    const struct {
        const char* name;
        ServedFile rules;
        bool realTiming;
        int code;
        int attempts;
    } cases[] = {
        // A cut connection costs one unit of twelve; this case runs with the
        // product's own waits.
        {"partial",
         [] {
             ServedFile f;
             f.dropAfter = 0;
             return f;
         }(),
         true, CURLE_PARTIAL_FILE, 13},
        // A stall trips the low-speed limit; it costs two units.
        {"stall",
         [] {
             ServedFile f;
             f.stallAfter = 0;
             return f;
         }(),
         false, CURLE_OPERATION_TIMEDOUT, 7},
    };
    for (const auto& c : cases) {
        Recorder rec;
        ServedFile f = c.rules;
        f.body = MakeContent(2 << 20);
        const std::string path = std::string("/") + c.name + ".exe";
        server.Serve(path, f);
        testsupport::LogCapture log;
        {
            CMTCurlDownloader d(rec.Callback(), Url(path), targetW, Options());
            if (!c.realTiming) d.SetTuningForTest(Quick());
            d.Start();
            ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.name;
        }
        EXPECT_EQ(rec.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_RETRY})) << c.name;
        EXPECT_EQ(rec.Last(DL_CODE_RETRY).value, c.code) << c.name;
        EXPECT_EQ(server.Count("GET", path), c.attempts) << c.name;
        EXPECT_EQ(log.Count("CurlDownLoader Code=" + std::to_string(c.code)), c.attempts - 1)
            << c.name;
        EXPECT_FALSE(testsupport::FileExists(target));
    }
}

TEST_F(MTCurlDownloaderTest, DiscoveryFailureEndsWithoutRetry) {
    const struct {
        const char* name;
        ServedFile rules;
    } cases[] = {
        {"not found",
         [] {
             ServedFile f;
             f.headStatus = 404;
             return f;
         }()},
        {"tiny",
         [] {
             ServedFile f;
             f.body = std::string(255, 'x');
             return f;
         }()},
        {"no length",
         [] {
             ServedFile f;
             f.body = MakeContent(2 << 20);
             f.sendLength = false;
             return f;
         }()},
    };
    for (const auto& c : cases) {
        Recorder rec;
        server.ClearLog();
        server.Serve("/p.exe", c.rules);
        {
            CMTCurlDownloader d(rec.Callback(), Url("/p.exe"), targetW, Options());
            d.Start();
            ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.name;
        }
        EXPECT_EQ(rec.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL})) << c.name;
        EXPECT_EQ(rec.Last(DL_CODE_FAIL).value, 0.0);
        EXPECT_EQ(server.Count("GET", "/p.exe"), 0) << c.name;
    }
}

TEST_F(MTCurlDownloaderTest, WithoutLibcurlEveryRunFailsBeforeAnyRequest) {
    const std::string body = MakeContent(2 << 20);
    server.ServeBytes(DigestPath(body), body);
    DownloaderOptions notReady = Options();
    notReady.curlReady = false;
    CMTCurlDownloader d(recorder.Callback(), Url(DigestPath(body)), targetW, notReady);
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, 0.0);
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(MTCurlDownloaderTest, ServerIgnoringRangesNeverYieldsACorruptPackage) {
    // Without a digest in the address nothing else would notice that the
    // second segment received the file's first bytes.
    const std::string body = MakeContent(20971520);
    ServedFile f;
    f.body = body;
    f.ignoreRange = true;
    server.Serve("/setup.exe", f);
    std::unique_ptr<CMTCurlDownloader> d;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code == DL_CODE_RETRY) d->Start();
    });
    d = std::make_unique<CMTCurlDownloader>(callback, Url("/setup.exe"), targetW, Options());
    d->SetTuningForTest(Quick());
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(2));
    d.reset();
    auto codes = recorder.Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), DL_CODE_SUCCESS), 0);
    EXPECT_EQ(codes.back(), DL_CODE_FAIL);
    EXPECT_FALSE(testsupport::FileExists(target) && testsupport::ReadFile(target) != body);
}

TEST_F(MTCurlDownloaderTest, ConstructionDeletesLeftoversOfUnknownOrigin) {
    for (const char* suffix : {"", "_0", "_1"}) testsupport::WriteFile(target + suffix, "old");
    testsupport::WriteFile(target + "_parts.url",
                           "lumora-resume 1\nurl http://127.0.0.1:1/other\nreal "
                           "http://127.0.0.1:1/other\nsize 3\n");
    CMTCurlDownloader d(recorder.Callback(), L"http://127.0.0.1:1/x", targetW, Options());
    for (const char* suffix : {"", "_0", "_1", "_parts.url"})
        EXPECT_FALSE(testsupport::FileExists(target + suffix)) << suffix;
}

TEST_F(MTCurlDownloaderTest, ARangeThatEndsEarlyWithoutAnErrorIsRetriedNotJoined) {
    // No digest in the address: only the segment's own end can tell.
    const struct {
        const char* name;
        size_t size;
        ServedFile rules;
    } cases[] = {
        {"no length, one segment", 15 << 20,
         [] {
             ServedFile f;
             f.closeAfter = 5 << 20;
             f.faultyResponses = 1;
             return f;
         }()},
        {"short ranges, two segments", 20 << 20,
         [] {
             ServedFile f;
             f.shortRangeBy = 1000;
             f.faultyResponses = 2;
             return f;
         }()},
    };
    for (const auto& c : cases) {
        Recorder rec;
        server.ClearLog();
        ServedFile f = c.rules;
        f.body = MakeContent(c.size, 3);
        server.Serve("/setup.exe", f);
        testsupport::LogCapture log;
        {
            CMTCurlDownloader d(rec.Callback(), Url("/setup.exe"), targetW, Options());
            d.SetTuningForTest(Quick());
            d.Start();
            ASSERT_TRUE(rec.WaitForOutcomes(1)) << c.name;
        }
        EXPECT_EQ(rec.Codes().back(), DL_CODE_SUCCESS) << c.name;
        EXPECT_GE(log.Count("CurlDownLoader Code=" + std::to_string(CURLE_PARTIAL_FILE)), 1)
            << c.name;
        EXPECT_TRUE(testsupport::ReadFile(target) == MakeContent(c.size, 3)) << c.name;
    }
}

TEST_F(MTCurlDownloaderTest, ADigestThatCannotBeComputedCountsAsAMismatch) {
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath(body);
    server.ServeBytes(path, body);
    std::unique_ptr<CMTCurlDownloader> d;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code == DL_CODE_RETRY) d->Start();
    });
    d = std::make_unique<CMTCurlDownloader>(callback, Url(path), targetW, Options());
    d->FailDigestReadsAtForTest(1 << 20);
    d->Start();
    ASSERT_TRUE(recorder.WaitForFinal());
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_ERROR, DL_CODE_RETRY,
                                                  DL_CODE_START, DL_CODE_ERROR, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_ERROR).text, L"mtcurl文件md5校验失败");
    EXPECT_TRUE(dltest::Has(d->FailureReason(), L"could not be computed"));
    d.reset();
    EXPECT_FALSE(testsupport::FileExists(target));
}

TEST_F(MTCurlDownloaderTest, AFinalFailureLeavesNoPartFile) {
    const std::string body = MakeContent(20 << 20);
    const std::string path = DigestPath(body);
    ServedFile f;
    f.body = body;
    f.dropAfter = 3 << 20;  // progress first (slow enough to be reported) ...
    f.rateLimit = 2 << 20;
    f.faultyResponses = 2;
    f.laterGetStatus = 503;  // ... then only failures, on both runs
    server.Serve(path, f);
    std::unique_ptr<CMTCurlDownloader> d;
    bool partsAtRetry = false;
    auto callback = recorder.Callback([&](const dltest::Report& r) {
        if (r.code != DL_CODE_RETRY) return;
        partsAtRetry =
            testsupport::FileExists(target + "_0") && testsupport::FileExists(target + "_1");
        d->Start();
    });
    d = std::make_unique<CMTCurlDownloader>(callback, Url(path), targetW, Options());
    d->SetTuningForTest(Quick());
    d->Start();
    ASSERT_TRUE(recorder.WaitForFinal());
    EXPECT_EQ(recorder.Codes().back(), DL_CODE_FAIL);
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, CURLE_HTTP_RETURNED_ERROR);
    EXPECT_TRUE(dltest::Has(d->FailureReason(), L"HTTP status 503"));
    // The retry resumed them; the final failure removed them.
    EXPECT_TRUE(partsAtRetry);
    for (const char* suffix : {"", "_0", "_1", "_parts.url"})
        EXPECT_FALSE(testsupport::FileExists(target + suffix)) << suffix;
}

TEST(MTCurlProgress, NeverGoesBackWithinARun) {
    // Two segment threads compute their fractions under one lock but deliver
    // them after it: the later, lower one is dropped where it is delivered.
    Recorder rec;
    CMTCurlDownloader::State state;
    state.callback = rec.Callback();
    state.Report(DL_CODE_START, 1.0, L"");
    for (double v : {0.30, 0.50, 0.49, 0.51}) state.Report(DL_CODE_PROGRESS, v, L"");
    // A new run (after 1005) starts its own bar.
    state.Report(DL_CODE_START, 1.0, L"");
    for (double v : {0.10, 0.05}) state.Report(DL_CODE_PROGRESS, v, L"");
    EXPECT_EQ(rec.Progress(), (std::vector<double>{0.30, 0.50, 0.51, 0.10}));
}

}  // namespace
