#pragma once
// The HTTP post of a batch (libcurl easy interface, one handle per request)
// behind a small interface, so that tests can replace the network.
#include <map>
#include <string>
#include <vector>

namespace beacon_analytics {

struct HttpResponse {
    long status = -1;  // the HTTP status, or -1 when the library failed
    std::string body;  // the response body, or the library's error text
    std::map<std::string, std::string> headers;
};

class Transport {
public:
    virtual ~Transport() = default;
    // `headers` are (name, value) pairs; an empty content type leaves the
    // library's default form type. Never throws for network failures.
    virtual HttpResponse Post(const std::string& url, const std::string& body,
                              const std::string& contentType,
                              const std::vector<std::pair<std::string, std::string>>& headers) = 0;
};

// The real post: user agent "BeaconAnalytics CPP SDK 0.9", 3-second timeout,
// no redirects, certificate and host-name checks on. `caFile` (tests only)
// names extra trusted certificates. Throws std::runtime_error when no handle
// can be made.
class CurlTransport : public Transport {
public:
    explicit CurlTransport(std::string caFile = "") : m_CaFile(std::move(caFile)) {}
    HttpResponse Post(const std::string& url, const std::string& body,
                      const std::string& contentType,
                      const std::vector<std::pair<std::string, std::string>>& headers) override;

private:
    std::string m_CaFile;
};

// Whether the last post of the process got status 200 (false at start).
bool LastSendOk();
void SetLastSendOk(bool ok);

}  // namespace beacon_analytics
