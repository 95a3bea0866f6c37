// The libcurl post: what it sends, and that certificates are checked.
#include "HttpPost.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <thread>

namespace {

const std::string kCert = std::string(TRACKER_TEST_DATA) + "/localhost-cert.pem";
const std::string kKey = std::string(TRACKER_TEST_DATA) + "/localhost-key.pem";

// Runs a server on 127.0.0.1 for the test's duration.
class Running {
public:
    explicit Running(httplib::Server& s) : m_Server(s) {
        m_Port = s.bind_to_any_port("127.0.0.1");
        m_Thread = std::thread([this] { m_Server.listen_after_bind(); });
    }
    ~Running() {
        while (!m_Server.is_running()) std::this_thread::yield();
        m_Server.stop();
        m_Thread.join();
    }
    int Port() const { return m_Port; }

private:
    httplib::Server& m_Server;
    std::thread m_Thread;
    int m_Port;
};

TEST(CollectorPost, SendsTheFormPostWithTheLibraryUserAgent) {
    httplib::Server server;
    std::string method, agent, type, body;
    server.Post("/collect", [&](const httplib::Request& req, httplib::Response& res) {
        method = req.method;
        agent = req.get_header_value("User-Agent");
        type = req.get_header_value("Content-Type");
        body = req.body;
        res.set_header("X-Answer", "  yes ");
        res.set_content("fine", "text/plain");
    });
    Running run(server);
    beacon_analytics::CurlTransport t;
    auto r = t.Post("http://127.0.0.1:" + std::to_string(run.Port()) + "/collect",
                    "data_list=QQ%3D%3D&gzip=1", "", {});
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body, "fine");
    EXPECT_EQ(r.headers["X-Answer"], "yes");
    EXPECT_EQ(method, "POST");
    EXPECT_EQ(agent, "BeaconAnalytics CPP SDK 0.9");
    EXPECT_EQ(type, "application/x-www-form-urlencoded");
    EXPECT_EQ(body, "data_list=QQ%3D%3D&gzip=1");
}

TEST(CollectorPost, DoesNotFollowRedirects) {
    httplib::Server server;
    std::atomic<int> elsewhere{0};
    server.Post("/collect", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/other", 307);
    });
    server.Post("/other", [&](const httplib::Request&, httplib::Response&) { ++elsewhere; });
    Running run(server);
    beacon_analytics::CurlTransport t;
    auto r = t.Post("http://127.0.0.1:" + std::to_string(run.Port()) + "/collect", "x", "", {});
    EXPECT_EQ(r.status, 307);
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST(CollectorPost, ReportsLibraryFailuresAsMinusOne) {
    beacon_analytics::CurlTransport t;
    auto r = t.Post("", "x", "", {});
    EXPECT_EQ(r.status, -1);
    EXPECT_FALSE(r.body.empty());
}

TEST(CollectorPost, ChecksTheCollectorsCertificateAndName) {
    httplib::SSLServer server(kCert.c_str(), kKey.c_str());
    ASSERT_TRUE(server.is_valid());
    std::atomic<int> received{0};
    server.Post("/collect", [&](const httplib::Request&, httplib::Response& res) {
        ++received;
        res.set_content("ok", "text/plain");
    });
    Running run(server);
    const std::string port = std::to_string(run.Port());

    // Trusted certificate, matching name: the post goes through.
    auto trusted = beacon_analytics::CurlTransport(kCert).Post(
        "https://localhost:" + port + "/collect", "x", "", {});
    EXPECT_EQ(trusted.status, 200) << trusted.body;
    EXPECT_EQ(received.load(), 1);

    // Unknown issuer: refused before anything is sent.
    auto unknown = beacon_analytics::CurlTransport().Post("https://localhost:" + port + "/collect",
                                                          "x", "", {});
    EXPECT_EQ(unknown.status, -1);

    // Trusted certificate for another name.
    auto wrongName = beacon_analytics::CurlTransport(kCert).Post(
        "https://127.0.0.1:" + port + "/collect", "x", "", {});
    EXPECT_EQ(wrongName.status, -1) << wrongName.body;
    EXPECT_EQ(received.load(), 1);
}

}  // namespace
