// Servers that stall: every request of every downloader ends, either with a
// retry that succeeds or with 1004 and words that say it stalled. The stall
// limit is shortened to seconds (the product waits 30 s).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "DownloadTestUtil.h"
#include "download/CurlDownloader.h"
#include "download/WinDownloader.h"
#include "support/LogCapture.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using dltest::Has;
using dltest::Recorder;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::ServedFile;

struct StallCase {
    int type;
    bool silent;  // silence after the first bytes, or a trickle of 1 byte every 2 s
};

std::string Name(const testing::TestParamInfo<StallCase>& info) {
    return "Type" + std::to_string(info.param.type) + (info.param.silent ? "Silent" : "Trickle");
}

class StallMidBody : public testing::TestWithParam<StallCase> {
protected:
    LoopbackHttpServer server;
    Recorder recorder;
    const std::string target = dltest::TempPath("pkg.exe");
};

TEST_P(StallMidBody, TheRetryAfterTheStallDeliversTheWholeFile) {
    const std::string body = MakeContent(3 << 20);
    ServedFile f;
    f.body = body;
    f.stallAfter = 100 * 1024;
    f.stallSilent = GetParam().silent;
    f.faultyResponses = 1;
    server.Serve("/setup.exe", f);
    testsupport::LogCapture log;
    auto d = dltest::MakeDownloader(GetParam().type, recorder.Callback(), server.Url("/setup.exe"),
                                    target, dltest::QuickStallOptions());
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    d.reset();
    const auto codes = recorder.Codes();
    EXPECT_EQ(codes.front(), DL_CODE_START);
    EXPECT_EQ(codes.back(), DL_CODE_SUCCESS);
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
    std::vector<std::string> ranges;
    for (const auto& r : server.Requests())
        if (r.method == "GET") ranges.push_back(r.range);
    ASSERT_EQ(ranges.size(), 2u);
    if (GetParam().type == 1) {
        // The single connection resumes from what arrived before the stall
        // (and the few bytes of a trickle).
        ASSERT_EQ(ranges[1].rfind("bytes=", 0), 0u);
        const long from = std::stol(ranges[1].substr(6));
        EXPECT_GE(from, 100 * 1024);
        EXPECT_LT(from, 100 * 1024 + 100);
        EXPECT_EQ(log.Count("CurlDownLoader Code=" + std::to_string(CURLE_OPERATION_TIMEDOUT)), 1);
    }
}

TEST_P(StallMidBody, AServerThatAlwaysStallsEndsInFailureThatSaysSo) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.stallAfter = 100 * 1024;
    f.stallSilent = GetParam().silent;
    server.Serve("/setup.exe", f);
    auto d = dltest::MakeDownloader(GetParam().type, recorder.Callback(), server.Url("/setup.exe"),
                                    target, dltest::QuickStallOptions());
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1, std::chrono::seconds(100)));
    EXPECT_EQ(recorder.Codes().back(), DL_CODE_FAIL);
    // Type 1 spends its budget of 12 on timeouts that cost 2 each; the
    // system downloader has three attempts.
    const int attempts = GetParam().type == 1 ? 6 : 3;
    EXPECT_EQ(server.Count("GET", "/setup.exe"), attempts);
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value, GetParam().type == 1
                                                     ? CURLE_OPERATION_TIMEDOUT
                                                     : CWinDownloader::kINET_E_CONNECTION_TIMEOUT);
    EXPECT_TRUE(
        Has(d->FailureReason(), L"the download from 127.0.0.1 stalled: less than 1 byte/s for 2 s"))
        << Utils::ToUtf8(d->FailureReason());
    d.reset();
    EXPECT_FALSE(testsupport::FileExists(target));
}

INSTANTIATE_TEST_SUITE_P(Types, StallMidBody,
                         testing::Values(StallCase{1, true}, StallCase{1, false},
                                         StallCase{2, true}, StallCase{2, false}),
                         Name);

class Discovery : public testing::TestWithParam<int> {
protected:
    LoopbackHttpServer server;
    Recorder recorder;
    const std::string target = dltest::TempPath("pkg.exe");
};

// Types 1 and 3 ask HEAD first; type 2 does not.
TEST_P(Discovery, AHeadThatNeverAnswersEndsInFailureThatSaysSo) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.stallHeads = -1;
    server.Serve("/setup.exe", f);
    auto d = dltest::MakeDownloader(GetParam(), recorder.Callback(), server.Url("/setup.exe"),
                                    target, dltest::QuickStallOptions(std::chrono::seconds(1)));
    d->Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1, std::chrono::seconds(100)));
    EXPECT_EQ(recorder.Codes(), (std::vector<int>{DL_CODE_START, DL_CODE_FAIL}));
    EXPECT_EQ(recorder.Last(DL_CODE_FAIL).value,
              GetParam() == 1 ? CurlClient::kSizeUnknownOrTooSmall : 0);
    EXPECT_EQ(server.Count("GET", "/setup.exe"), 0);
    EXPECT_TRUE(Has(d->FailureReason(), L"stalled: less than 1 byte/s for 1 s"))
        << Utils::ToUtf8(d->FailureReason());
}

TEST_P(Discovery, ReleaseWhileTheHeadWaitsEndsAtOnce) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.stallHeads = -1;
    server.Serve("/setup.exe", f);
    // The product's own stall limit: only the release can end the request.
    auto d =
        dltest::MakeDownloader(GetParam(), recorder.Callback(), server.Url("/setup.exe"), target);
    d->Start();
    ASSERT_TRUE(server.WaitForRequests("HEAD", "/setup.exe", 1));
    const auto released = std::chrono::steady_clock::now();
    d.reset();
    const auto took = std::chrono::steady_clock::now() - released;
    EXPECT_LT(took, std::chrono::seconds(2))
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    EXPECT_EQ(recorder.Codes(), std::vector<int>{DL_CODE_START});
}

INSTANTIATE_TEST_SUITE_P(Types, Discovery, testing::Values(1, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Type" + std::to_string(info.param);
                         });

TEST(StallOnce, AHeadThatStallsOnceIsAnsweredByTheSecondDiscoveryRound) {
    LoopbackHttpServer server;
    Recorder recorder;
    const std::string body = MakeContent(2 << 20);
    ServedFile f;
    f.body = body;
    f.stallHeads = 1;
    server.Serve("/setup.exe", f);
    const std::string target = dltest::TempPath("pkg.exe");
    CCurlDownloader d(recorder.Callback(), Utils::FromUtf8(server.Url("/setup.exe")),
                      Utils::FromUtf8(target), dltest::QuickStallOptions(std::chrono::seconds(1)));
    d.Start();
    ASSERT_TRUE(recorder.WaitForOutcomes(1));
    EXPECT_EQ(recorder.Codes().back(), DL_CODE_SUCCESS);
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST(NeverAnswered, ReleaseOfTheSystemDownloaderEndsItsRequestAtOnce) {
    LoopbackHttpServer server;
    Recorder recorder;
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.neverAnswer = true;
    server.Serve("/setup.exe", f);
    auto d = dltest::MakeDownloader(2, recorder.Callback(), server.Url("/setup.exe"),
                                    dltest::TempPath("pkg.exe"));
    d->Start();
    ASSERT_TRUE(server.WaitForRequests("GET", "/setup.exe", 1));
    const auto released = std::chrono::steady_clock::now();
    d.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::seconds(2));
    EXPECT_EQ(recorder.Codes(), std::vector<int>{DL_CODE_START});
}

}  // namespace
