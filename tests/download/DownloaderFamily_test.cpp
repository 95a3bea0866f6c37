// What every member of the downloader family promises alike.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

#include "DownloadTestUtil.h"
#include "download/CurlDownloader.h"
#include "download/MTCurlDownloader.h"
#include "download/WinDownloader.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/Text.h"

namespace {

using dltest::Recorder;
using testsupport::DigestPath;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;
using testsupport::ServedFile;

std::unique_ptr<CDownloader> Make(int type, const StatusCallback& cb, const std::string& url,
                                  const std::string& path) {
    return dltest::MakeDownloader(type, cb, url, path);
}

class DownloaderFamily : public testing::TestWithParam<int> {
protected:
    const std::string target = dltest::TempPath("pkg.exe");
};

TEST_P(DownloaderFamily, ReportsStartThenRisingProgressThenOneOutcome) {
    LoopbackHttpServer server;
    const std::string body = MakeContent(3 << 20);
    const std::string path = DigestPath(body);
    ServedFile f;
    f.body = body;
    f.rateLimit = 1 << 20;  // about three seconds: several progress reports
    server.Serve(path, f);
    Recorder rec;
    auto d = Make(GetParam(), rec.Callback(), server.Url(path), target);
    d->Start();
    ASSERT_TRUE(rec.WaitForOutcomes(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // nothing may follow
    auto reports = rec.Reports();
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front().code, DL_CODE_START);
    EXPECT_EQ(reports.front().value, 1.0);
    EXPECT_EQ(reports.front().text, L"");
    EXPECT_EQ(reports.back().code, DL_CODE_SUCCESS);
    EXPECT_EQ(reports.back().text, GetParam() == 2 ? L"URLDownloadToFile" : L"LibCurl");
    double last = 0.0;
    for (size_t i = 1; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].code, DL_CODE_PROGRESS);
        EXPECT_GT(reports[i].value, 0.0);
        EXPECT_LE(reports[i].value, 1.0);
        EXPECT_GE(reports[i].value, last);
        EXPECT_EQ(reports[i].text, L"");
        last = reports[i].value;
    }
    EXPECT_GT(last, 0.0);
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
}

TEST_P(DownloaderFamily, ReleaseDuringATransferStopsItAndStaysSilent) {
    LoopbackHttpServer server;
    ServedFile f;
    f.body = MakeContent(24 << 20);
    f.rateLimit = 2 << 20;
    server.Serve("/setup.exe", f);
    Recorder rec;
    auto d = Make(GetParam(), rec.Callback(), server.Url("/setup.exe"), target);
    d->Start();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (rec.Progress().empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_FALSE(rec.Progress().empty());

    const auto released = std::chrono::steady_clock::now();
    d.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::seconds(5));
    const size_t count = rec.Reports().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(rec.Reports().size(), count);
    for (const auto& r : rec.Reports())
        EXPECT_TRUE(r.code == DL_CODE_START || r.code == DL_CODE_PROGRESS);
}

TEST_P(DownloaderFamily, RefusesAServerWhoseCertificateDoesNotVerify) {
    LoopbackHttpServer server(/*tls=*/true);
    const std::string body = MakeContent(2 << 20);
    const std::string path = DigestPath(body);
    server.ServeBytes(path, body);
    Recorder rec;
    auto d = Make(GetParam(), rec.Callback(), server.Url(path), target);
    d->Start();
    ASSERT_TRUE(rec.WaitForOutcomes(1, std::chrono::seconds(90)));
    const std::wstring why = d->FailureReason();
    d.reset();
    EXPECT_EQ(rec.Codes().back(), DL_CODE_FAIL);
    EXPECT_EQ(server.Count("GET", path), 0);
    // Who refused it, and who issued it.
    EXPECT_TRUE(dltest::Has(why, L"the TLS certificate of 127.0.0.1 is not trusted by this system"))
        << Utils::ToUtf8(why);
    EXPECT_TRUE(dltest::Has(why, L"issued by") && dltest::Has(why, L"127.0.0.1)"))
        << Utils::ToUtf8(why);
    EXPECT_FALSE(testsupport::FileExists(target));
}

TEST_P(DownloaderFamily, FullDiskEndsInFailureNotSuccess) {
    LoopbackHttpServer server;
    const std::string body = MakeContent(3 << 20);
    server.ServeBytes("/setup.exe", body);  // no digest: only the write errors can tell
    // A file-size limit makes every write past 1 MiB fail as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limit = old;
    limit.rlim_cur = 1 << 20;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    Recorder rec;
    auto d = Make(GetParam(), rec.Callback(), server.Url("/setup.exe"), target);
    d->Start();
    const bool ended = rec.WaitForOutcomes(1);
    const std::wstring why = d->FailureReason();
    d.reset();
    setrlimit(RLIMIT_FSIZE, &old);
    // The file-size limit answers as a file that cannot grow (a full disk
    // would say "the disk is full").
    EXPECT_TRUE(dltest::Has(why, L"cannot grow any further")) << Utils::ToUtf8(why);
    ASSERT_TRUE(ended);
    const auto codes = rec.Codes();
    EXPECT_EQ(std::count(codes.begin(), codes.end(), DL_CODE_SUCCESS), 0);
    EXPECT_TRUE(codes.back() == DL_CODE_FAIL || codes.back() == DL_CODE_RETRY);
    EXPECT_FALSE(testsupport::FileExists(target));
}

INSTANTIATE_TEST_SUITE_P(Types, DownloaderFamily, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Type" + std::to_string(info.param);
                         });

}  // namespace
