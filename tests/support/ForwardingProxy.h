#pragma once
// A plain HTTP forwarding proxy on 127.0.0.1 for tests that check that a
// client goes through the proxy its environment names (http_proxy). It takes
// absolute-form requests ("GET http://host:port/path"), forwards GET, HEAD
// and POST with their Range, Accept-Encoding, User-Agent and Content-Type to
// that address and sends the answer back. The host 127.0.0.2 is forwarded to
// 127.0.0.1, where the tests' servers listen, so an address on 127.0.0.2
// works only through the proxy; no name is ever looked up. Every request is
// logged. Runs on its own threads; any method from any thread.
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace testsupport {

class ForwardingProxy {
public:
    ForwardingProxy();
    ~ForwardingProxy();
    ForwardingProxy(const ForwardingProxy&) = delete;
    ForwardingProxy& operator=(const ForwardingProxy&) = delete;

    // "http://127.0.0.1:<port>", for http_proxy.
    std::string Address() const;
    // "METHOD absolute-target" of every request, in order.
    std::vector<std::string> Log() const;

private:
    std::unique_ptr<httplib::Server> m_Server;
    std::thread m_Thread;
    int m_Port = 0;
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Log;
};

}  // namespace testsupport
