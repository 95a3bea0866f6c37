#include "LoopbackCollector.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace trackertest {
namespace {

// Trackers read the screen size from the display; a developer's display must
// not leak into the tests (the screen tests set their own).
const bool g_NoDisplay = [] {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    return true;
}();

}  // namespace

LoopbackCollector::LoopbackCollector(bool fail, std::string jsonlPath)
    : m_Collector(std::move(jsonlPath), fail), m_Server(std::make_unique<httplib::Server>()) {
    m_Collector.Mount(*m_Server);
    m_Port = m_Server->bind_to_any_port("127.0.0.1");
    if (m_Port <= 0) throw std::runtime_error("cannot bind the loopback collector");
    m_Thread = std::thread([this] { m_Server->listen_after_bind(); });
}

LoopbackCollector::~LoopbackCollector() {
    // stop() only works once the accept loop runs.
    while (!m_Server->is_running()) std::this_thread::yield();
    m_Server->stop();
    m_Thread.join();
}

std::string LoopbackCollector::Url() const {
    return "http://127.0.0.1:" + std::to_string(m_Port) + "/collect";
}

std::vector<Json::Value> LoopbackCollector::Records() const {
    std::vector<Json::Value> out;
    for (const auto& r : m_Collector.Records()) out.push_back(ParseJson(r));
    return out;
}

std::string RefusedUrl() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    const int port = ntohs(a.sin_port);
    ::close(fd);  // bound but never listening: the port now refuses
    return "http://127.0.0.1:" + std::to_string(port) + "/collect";
}

Json::Value ParseJson(const std::string& text) {
    Json::CharReaderBuilder b;
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    Json::Value v;
    std::string errs;
    if (!r->parse(text.data(), text.data() + text.size(), &v, &errs))
        throw std::runtime_error("not JSON: " + text + ": " + errs);
    return v;
}

std::vector<Json::Value> ReadRecordLines(const std::string& path) {
    std::vector<Json::Value> out;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) out.push_back(ParseJson(line));
    return out;
}

std::vector<std::string> EventNames(const std::vector<Json::Value>& records) {
    std::vector<std::string> out;
    for (const auto& r : records) out.push_back(r.get("event", "").asString());
    return out;
}

}  // namespace trackertest
