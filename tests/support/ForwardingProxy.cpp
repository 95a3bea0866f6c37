#include "support/ForwardingProxy.h"

#include <httplib.h>

#include <stdexcept>

namespace testsupport {
namespace {

struct Target {
    std::string host;
    int port = 80;
    std::string path;
};

// "http://host:port/path?query" into its parts; false for anything else.
bool ParseAbsolute(const std::string& target, Target* t) {
    const std::string scheme = "http://";
    if (target.rfind(scheme, 0) != 0) return false;
    const size_t hostStart = scheme.size();
    const size_t slash = target.find('/', hostStart);
    const std::string authority = target.substr(hostStart, slash - hostStart);
    t->path = slash == std::string::npos ? "/" : target.substr(slash);
    const size_t colon = authority.rfind(':');
    t->host = authority.substr(0, colon);
    if (colon != std::string::npos) t->port = std::stoi(authority.substr(colon + 1));
    return !t->host.empty();
}

httplib::Headers Forwarded(const httplib::Request& req) {
    httplib::Headers out;
    for (const char* name : {"Range", "Accept-Encoding", "User-Agent"})
        if (req.has_header(name)) out.emplace(name, req.get_header_value(name));
    return out;
}

}  // namespace

ForwardingProxy::ForwardingProxy() : m_Server(std::make_unique<httplib::Server>()) {
    auto handle = [this](const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard<std::mutex> guard(m_Lock);
            m_Log.push_back(req.method + " " + req.target);
        }
        Target t;
        if (!ParseAbsolute(req.target, &t)) {
            res.status = 400;
            return;
        }
        // The tests' servers listen on 127.0.0.1 only.
        httplib::Client origin(t.host == "127.0.0.2" ? "127.0.0.1" : t.host, t.port);
        origin.set_keep_alive(false);
        origin.set_decompress(false);
        httplib::Result r = req.method == "HEAD" ? origin.Head(t.path.c_str(), Forwarded(req))
                            : req.method == "POST"
                                ? origin.Post(t.path.c_str(), Forwarded(req), req.body,
                                              req.get_header_value("Content-Type").c_str())
                                : origin.Get(t.path.c_str(), Forwarded(req));
        if (!r) {
            res.status = 502;
            return;
        }
        // The answer goes back as the origin sent it, range included.
        const_cast<httplib::Request&>(req).ranges.clear();
        res.status = r->status;
        for (const char* name : {"Content-Range", "Content-Encoding", "Location"})
            if (r->has_header(name)) res.set_header(name, r->get_header_value(name));
        const std::string type = r->has_header("Content-Type") ? r->get_header_value("Content-Type")
                                                               : "application/octet-stream";
        if (req.method == "HEAD") {
            // Only the length travels: a provider that is never asked.
            const size_t length = r->has_header("Content-Length")
                                      ? std::stoul(r->get_header_value("Content-Length"))
                                      : 0;
            res.set_content_provider(length, type.c_str(),
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
        } else {
            res.set_content(r->body, type.c_str());
        }
    };
    m_Server->Get(".*", handle);
    m_Server->Post(".*", handle);
    m_Port = m_Server->bind_to_any_port("127.0.0.1");
    if (m_Port <= 0) throw std::runtime_error("forwarding proxy: no port");
    m_Thread = std::thread([this] { m_Server->listen_after_bind(); });
    while (!m_Server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ForwardingProxy::~ForwardingProxy() {
    m_Server->stop();
    if (m_Thread.joinable()) m_Thread.join();
}

std::string ForwardingProxy::Address() const {
    return "http://127.0.0.1:" + std::to_string(m_Port);
}

std::vector<std::string> ForwardingProxy::Log() const {
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_Log;
}

}  // namespace testsupport
