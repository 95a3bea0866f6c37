#pragma once
// The analytics collector of the development server: accepts batch posts on
// /collect exactly as the tracker sends them, checks and decodes them, and
// appends each record as one line to a JSONL file. Answers 200 when the batch
// was stored, 400 (with the reason) for a request that is not a batch, and
// 500 for everything while failing is switched on (for tests).
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace collector {

class Collector {
public:
    // `jsonlPath` may be empty: records are then kept in memory only.
    explicit Collector(std::string jsonlPath, bool fail = false);

    // Adds the POST /collect route.
    void Mount(httplib::Server& server);
    void SetFail(bool fail) { m_Fail = fail; }

    // The status and body a request gets; stores its records on 200.
    int Handle(const std::string& contentType, const std::string& userAgent,
               const std::string& body, std::string* answer);

    // What was stored, in arrival order (tests and diagnostics).
    std::vector<std::string> Records() const;
    int Requests() const { return m_Requests; }
    std::vector<size_t> BatchSizes() const;

private:
    std::string m_Path;
    std::atomic<bool> m_Fail;
    std::atomic<int> m_Requests{0};
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Records;
    std::vector<size_t> m_BatchSizes;
};

}  // namespace collector
