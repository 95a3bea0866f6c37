// Each downloader says in plain words why its download failed, from what it
// saw, and names the host; the report codes stay the downloader's.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>

#include "DownloadTestUtil.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using dltest::Has;
using dltest::Recorder;
using testsupport::DigestPath;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::Md5Hex;
using testsupport::ServedFile;

class FailureReason : public testing::TestWithParam<int> {
protected:
    // Runs a download to its final outcome (answering 1005 as the pipeline
    // does) and returns the downloader's words for it.
    std::wstring Fail(const std::string& url) {
        Recorder rec;
        std::unique_ptr<CDownloader> d;
        auto callback = rec.Callback([&](const dltest::Report& r) {
            if (r.code == DL_CODE_RETRY) d->Start();
        });
        d = dltest::MakeDownloader(GetParam(), callback, url, target);
        d->Start();
        EXPECT_TRUE(rec.WaitForFinal()) << url;
        const auto codes = rec.Codes();
        EXPECT_FALSE(codes.empty());
        if (!codes.empty()) {
            EXPECT_EQ(codes.back(), DL_CODE_FAIL) << url;
        }
        std::wstring words = d->FailureReason();
        d.reset();
        return words;
    }

    LoopbackHttpServer server;
    const std::string target = dltest::TempPath("pkg.exe");
};

TEST_P(FailureReason, NamesTheFaultAndTheHost) {
    int deadPort;
    {
        LoopbackHttpServer gone;
        deadPort = gone.Port();
    }
    ServedFile missing;
    missing.status = 404;
    server.Serve("/missing.exe", missing);
    ServedFile loop;
    loop.redirectTo = "/loop.exe";
    server.Serve("/loop.exe", loop);

    const struct {
        std::string url;
        std::wstring words;
    } cases[] = {
        {"http://127.0.0.1:" + std::to_string(deadPort) + "/setup.exe",
         L"connection refused by 127.0.0.1"},
        {server.Url("/missing.exe"), L"127.0.0.1 answered HTTP status 404 (Not Found)"},
        {server.Url("/loop.exe"), L"redirect loop"},
    };
    for (const auto& c : cases) {
        const std::wstring words = Fail(c.url);
        EXPECT_TRUE(Has(words, c.words)) << c.url << ": " << Utils::ToUtf8(words);
    }
}

TEST_P(FailureReason, DigestMismatchGivesBothDigests) {
    if (GetParam() == 2) GTEST_SKIP() << "the system downloader checks no digest";
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath("another package");
    server.ServeBytes(path, body);
    const std::wstring words = Fail(server.Url(path));
    EXPECT_EQ(words, L"the downloaded file does not match its digest: expected " +
                         Utils::FromUtf8(Md5Hex("another package")) + L", got " +
                         Utils::FromUtf8(Md5Hex(body)));
}

TEST_P(FailureReason, ATinyPageIsRefusedBySize) {
    if (GetParam() == 2) GTEST_SKIP() << "the system downloader has no size floor";
    server.ServeBytes("/setup.exe", "<html>moved</html>");
    const std::wstring words = Fail(server.Url("/setup.exe"));
    EXPECT_EQ(words, GetParam() == 1
                         ? L"the file at 127.0.0.1 is 18 bytes, smaller than 1 MiB"
                         : L"the file at 127.0.0.1 is 18 bytes, smaller than 256 bytes");
}

INSTANTIATE_TEST_SUITE_P(Types, FailureReason, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Type" + std::to_string(info.param);
                         });

}  // namespace
