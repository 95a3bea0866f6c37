#include "download/CurlClient.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>

#include "DownloadTestUtil.h"
#include "support/LogCapture.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::ServedFile;

class CurlClientTest : public testing::Test {
protected:
    // A client whose failed size queries land in `reports` (the program
    // sends them to analytics). Start runs on the test's thread.
    std::unique_ptr<CurlClient> Client(const std::string& url, void* owner = nullptr,
                                       CurlClient::ProgressFn progress = nullptr) {
        DownloaderOptions options = dltest::Options();
        options.reportFailure = [this](const std::wstring& reason) { reports.push_back(reason); };
        return std::make_unique<CurlClient>(Utils::FromUtf8(url), Utils::FromUtf8(target), owner,
                                            progress, options);
    }

    LoopbackHttpServer server;
    const std::string target = dltest::TempPath("pkg.exe");
    std::vector<std::wstring> reports;
};

TEST_F(CurlClientTest, FollowsTheRedirectOnceAndDownloadsFromTheMirror) {
    const std::string body = MakeContent(2 << 20);
    ServedFile redirect;
    redirect.redirectTo = "/mirror/abc/setup.exe";
    server.Serve("/dl/595", redirect);
    server.ServeBytes("/mirror/abc/setup.exe", body);

    auto client = Client(server.Url("/dl/595"));
    ASSERT_EQ(client->Start(), 0);
    EXPECT_EQ(client->RealUrl(), server.Url("/mirror/abc/setup.exe"));
    EXPECT_EQ(testsupport::ReadFile(target), body);
    EXPECT_FALSE(testsupport::FileExists(target + ".part"));
    EXPECT_EQ(server.Count("GET", "/mirror/abc/setup.exe"), 1);
    EXPECT_EQ(server.Count("GET", "/dl/595"), 0);

    // A second run on the same object asks no HEAD again and replaces the file.
    testsupport::WriteFile(target, "old");
    server.ClearLog();
    ASSERT_EQ(client->Start(), 0);
    EXPECT_EQ(server.Count("HEAD", "/dl/595"), 0);
    EXPECT_EQ(server.Count("HEAD", "/mirror/abc/setup.exe"), 0);
    EXPECT_EQ(server.Count("GET", "/mirror/abc/setup.exe"), 1);
    EXPECT_EQ(testsupport::ReadFile(target), body);
    EXPECT_TRUE(reports.empty());
}

TEST_F(CurlClientTest, RefusesPackagesBelowOneMebibyteWithoutAnyGet) {
    const struct {
        int headStatus;
        std::vector<std::wstring> reports;
    } cases[] = {
        {0, {}},
        // Both discovery rounds see the 404.
        {404, {L"1.获取文件大小的状态码为=404；", L"1.获取文件大小的状态码为=404；"}},
    };
    for (const auto& c : cases) {
        reports.clear();
        server.ClearLog();
        ServedFile f;
        f.body = MakeContent(900 * 1024);
        f.headStatus = c.headStatus;
        server.Serve("/small.exe", f);
        auto client = Client(server.Url("/small.exe"));
        EXPECT_EQ(client->Start(), CurlClient::kSizeUnknownOrTooSmall);
        EXPECT_EQ(server.Count("GET", "/small.exe"), 0);
        EXPECT_GE(server.Count("HEAD", "/small.exe"), 2);
        EXPECT_EQ(reports, c.reports) << c.headStatus;
        EXPECT_FALSE(testsupport::FileExists(target));
    }
}

TEST_F(CurlClientTest, DeadServerReportsStatusZeroAndFailsWithSizeUnknown) {
    int port;
    {
        LoopbackHttpServer gone;
        port = gone.Port();
    }
    auto client = Client("http://127.0.0.1:" + std::to_string(port) + "/p.exe");
    testsupport::LogCapture log;
    EXPECT_EQ(client->Start(), CurlClient::kSizeUnknownOrTooSmall);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports[0], L"1.获取文件大小的状态码为=0；");
    EXPECT_GE(log.Count("error:" + std::to_string(CURLE_COULDNT_CONNECT) + ":"), 1);
    EXPECT_EQ(log.Count("end download"), 1);
}

TEST_F(CurlClientTest, ResumesABrokenTransferFromTheSideFileSize) {
    const std::string body = MakeContent(4 << 20);
    const int64_t brokenAt = 1600000;
    ServedFile f;
    f.body = body;
    f.dropAfter = brokenAt;
    f.faultyResponses = 1;
    server.Serve("/pkg.exe", f);

    struct Seen {
        std::mutex lock;
        std::vector<double> percents;
    } seen;
    auto progress = [](void* owner, double, double, double percent) {
        auto* s = static_cast<Seen*>(owner);
        std::lock_guard<std::mutex> guard(s->lock);
        s->percents.push_back(percent);
    };
    auto client = Client(server.Url("/pkg.exe"), &seen, progress);
    EXPECT_EQ(client->Start(), CURLE_PARTIAL_FILE);
    EXPECT_EQ(dltest::FileSize(target + ".part"), brokenAt);
    EXPECT_FALSE(testsupport::FileExists(target));

    // The rest arrives slowly enough for progress reports.
    f.faultyResponses = 0;
    f.rateLimit = 1500000;
    server.Serve("/pkg.exe", f);
    server.ClearLog();
    seen.percents.clear();
    ASSERT_EQ(client->Start(), 0);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].range, "bytes=" + std::to_string(brokenAt) + "-");
    EXPECT_EQ(testsupport::ReadFile(target), body);
    ASSERT_FALSE(seen.percents.empty());
    EXPECT_GE(seen.percents.front(), 100.0 * brokenAt / body.size());
}

TEST_F(CurlClientTest, AsksForTheIdentityEncodingSoTheBodyIsStoredAsSent) {
    const std::string body(3 << 20, 'z');  // compresses well: a gzip answer would be tiny
    ServedFile f;
    f.body = body;
    f.gzipIfAccepted = true;
    server.Serve("/pkg.exe", f);
    auto client = Client(server.Url("/pkg.exe"));
    ASSERT_EQ(client->Start(), 0);
    EXPECT_EQ(testsupport::ReadFile(target), body);
    for (const auto& r : server.Requests()) {
        if (r.method == "GET") {
            EXPECT_EQ(r.acceptEncoding, "identity");
        }
    }
}

TEST_F(CurlClientTest, HttpErrorOnTheTransferKeepsTheTargetUntouched) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.getStatus = 500;
    server.Serve("/pkg.exe", f);
    testsupport::WriteFile(target, "previous");
    auto client = Client(server.Url("/pkg.exe"));
    EXPECT_EQ(client->Start(), CURLE_HTTP_RETURNED_ERROR);
    EXPECT_EQ(testsupport::ReadFile(target), "previous");
}

TEST_F(CurlClientTest, SizeQueriesTreatStatus400Differently) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.headStatus = 400;
    server.Serve("/p", f);
    auto client = Client("unused");
    // Without redirects, 400 counts as an answer and is not reported.
    client->GetDownloadFileLength_Str(server.Url("/p"));
    EXPECT_TRUE(reports.empty());
    CURL* h = client->Head(server.Url("/p"));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(client->GetDownloadFileLength(h), -1.0);
    curl_easy_cleanup(h);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], L"1.获取文件大小的状态码为=400；");
}

TEST_F(CurlClientTest, LocalFileAddressesWork) {
    const std::string body = MakeContent((1 << 20) + 17);
    const std::string source = dltest::TempPath("source.bin");
    testsupport::WriteFile(source, body);
    auto client = Client("file://" + source);
    ASSERT_EQ(client->Start(), 0);
    EXPECT_EQ(testsupport::ReadFile(target), body);
}

TEST_F(CurlClientTest, ResumesAnEarlierRunsSideFileOnlyWhenItsCompanionMatches) {
    const std::string body = MakeContent(3 << 20, 7);
    const std::string path = testsupport::DigestPath(body);
    server.ServeBytes(path, body);
    const std::string url = server.Url(path);
    auto companion = [&](const std::string& real, size_t size) {
        return "lumora-resume 1\nurl " + url + "\nreal " + real + "\nsize " + std::to_string(size) +
               "\n";
    };
    const struct {
        const char* name;
        std::string leftover;
        std::string companion;
        std::string range;  // of the GET
    } cases[] = {
        {"matching", body.substr(0, 1 << 20), companion(url, body.size()), "bytes=1048576-"},
        {"another final address", body.substr(0, 1 << 20),
         companion(server.Url(testsupport::DigestPath(body, "old.exe")), body.size()), ""},
        {"another size", body.substr(0, 1 << 20), companion(url, body.size() + 1), ""},
        {"larger than the package", body + "x", companion(url, body.size()), ""},
    };
    for (const auto& c : cases) {
        server.ClearLog();
        testsupport::WriteFile(target + ".part", c.leftover);
        testsupport::WriteFile(target + ".part.url", c.companion);
        {
            auto client = Client(url);
            ASSERT_EQ(client->Start(), 0) << c.name;
            EXPECT_EQ(client->FinishDigest(), testsupport::Md5Hex(body)) << c.name;
        }
        std::vector<std::string> ranges;
        for (const auto& r : server.Requests())
            if (r.method == "GET") ranges.push_back(r.range);
        EXPECT_EQ(ranges, std::vector<std::string>{c.range}) << c.name;
        EXPECT_TRUE(testsupport::ReadFile(target) == body) << c.name;
        EXPECT_FALSE(testsupport::FileExists(target + ".part.url")) << c.name;
    }
}

TEST_F(CurlClientTest, DestructionDeletesTheSideFile) {
    ServedFile f;
    f.body = MakeContent(2 << 20);
    f.dropAfter = 1000;
    server.Serve("/pkg.exe", f);
    {
        auto client = Client(server.Url("/pkg.exe"));
        EXPECT_EQ(client->Start(), CURLE_PARTIAL_FILE);
        EXPECT_TRUE(testsupport::FileExists(target + ".part"));
    }
    EXPECT_FALSE(testsupport::FileExists(target + ".part"));
}

}  // namespace
