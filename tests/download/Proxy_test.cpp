// Every downloader and the analytics post go through the forwarding proxy
// that http_proxy names. The package's address is on 127.0.0.2, where
// nothing listens: only the proxy (which forwards it to 127.0.0.1) can reach
// it. The variable is set before any thread that reads it exists, and each
// test runs in a process of its own.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <string>

#include "DownloadTestUtil.h"
#include "HttpPost.h"
#include "support/ForwardingProxy.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"

namespace {

using testsupport::DigestPath;
using testsupport::ForwardingProxy;
using testsupport::LoopbackHttpServer;
using testsupport::MakeContent;

// http_proxy for the test's duration; 127.0.0.1 (the proxy itself) stays
// direct through the suite's no_proxy.
class ProxyEnvironment {
public:
    explicit ProxyEnvironment(const std::string& proxy) { setenv("http_proxy", proxy.c_str(), 1); }
    ~ProxyEnvironment() { unsetenv("http_proxy"); }
};

// "http://127.0.0.1:PORT/path" of the server as "http://127.0.0.2:PORT/path".
std::string Elsewhere(const LoopbackHttpServer& server, const std::string& path) {
    return "http://127.0.0.2:" + std::to_string(server.Port()) + path;
}

bool Proxied(const ForwardingProxy& proxy, const std::string& method, const std::string& target) {
    for (const auto& line : proxy.Log())
        if (line == method + " " + target) return true;
    return false;
}

class DownloadThroughProxy : public testing::TestWithParam<int> {};

TEST_P(DownloadThroughProxy, TheWholePackageComesThroughTheProxy) {
    LoopbackHttpServer server;
    ForwardingProxy proxy;
    const std::string body = MakeContent(21 << 20, 4);  // two segments for type 3
    const std::string path = DigestPath(body);
    server.ServeBytes(path, body);
    const std::string target = dltest::TempPath("pkg.exe");
    ProxyEnvironment env(proxy.Address());

    dltest::Recorder rec;
    auto d = dltest::MakeDownloader(GetParam(), rec.Callback(), Elsewhere(server, path), target);
    d->Start();
    ASSERT_TRUE(rec.WaitForOutcomes(1));
    d.reset();
    EXPECT_EQ(rec.Codes().back(), DL_CODE_SUCCESS);
    EXPECT_TRUE(testsupport::ReadFile(target) == body);
    EXPECT_TRUE(Proxied(proxy, "GET", Elsewhere(server, path)));
    if (GetParam() != 2) {
        EXPECT_TRUE(Proxied(proxy, "HEAD", Elsewhere(server, path)));
    }
    // Everything the origin saw came through the proxy.
    EXPECT_EQ(static_cast<size_t>(server.Count("GET", path) + server.Count("HEAD", path)),
              proxy.Log().size());
}

INSTANTIATE_TEST_SUITE_P(Types, DownloadThroughProxy, testing::Values(1, 2, 3),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Type" + std::to_string(info.param);
                         });

TEST(AnalyticsThroughProxy, TheBatchPostGoesThroughTheProxy) {
    httplib::Server collector;
    std::string received;
    collector.Post("/collect", [&](const httplib::Request& req, httplib::Response& res) {
        received = req.body;
        res.set_content("ok", "text/plain");
    });
    const int port = collector.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { collector.listen_after_bind(); });
    while (!collector.is_running()) std::this_thread::yield();
    {
        ForwardingProxy proxy;
        ProxyEnvironment env(proxy.Address());
        const std::string url = "http://127.0.0.2:" + std::to_string(port) + "/collect";
        beacon_analytics::CurlTransport transport;
        auto r = transport.Post(url, "data_list=QQ%3D%3D&gzip=1", "", {});
        EXPECT_EQ(r.status, 200);
        EXPECT_EQ(received, "data_list=QQ%3D%3D&gzip=1");
        EXPECT_TRUE(Proxied(proxy, "POST", url));
    }
    collector.stop();
    serving.join();
}

}  // namespace
