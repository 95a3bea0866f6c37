#pragma once
// An HTTP server on 127.0.0.1 (a free port) for download tests, with the
// faults a real mirror shows: HEAD with sizes, GET with one byte range (206),
// redirects, error statuses, a per-connection rate limit, a connection
// dropped after N bytes, stalls (a trickle or silence mid-body, a HEAD that
// is never answered, a request that is accepted and never answered), bodies
// that end early without an error (no length, short ranges), gzip bodies for
// clients that accept them, and a log of every request. Runs on its own
// threads from construction to destruction; every method may be called from
// any thread.
//
// Stalled-download fixture, for any downloader test (window tests too):
//
//   ServedFile f;
//   f.body = MakeContent(4 << 20);
//   f.stallAfter = 100 * 1024;  // 100 KB, then...
//   f.stallSilent = true;       // ...nothing at all (false: one byte every 2 s)
//   f.faultyResponses = 1;      // only the first GET stalls; later ones are served
//   server.Serve("/pkg.exe", f);
//   // or: f.stallHeads = -1 (every HEAD hangs), f.neverAnswer = true (every
//   // request hangs). A held request ends when the server is destroyed.
//
// and make the downloader with DownloaderOptions::stallTime shortened (for
// example std::chrono::seconds(2)) so that the stall limit trips quickly;
// WaitForRequests lets the test wait until the request has arrived.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace testsupport {

// How one path is answered.
struct ServedFile {
    std::string body;
    // Answer every request with this status and a short text body instead of
    // the file (0: serve the file).
    int status = 0;
    int headStatus = 0;  // the same, for HEAD requests only
    int getStatus = 0;   // the same, for GET requests only
    // Answer with 302 to this path on the same server (or to a full address).
    std::string redirectTo;
    bool sendLength = true;       // false: chunked answers, no Content-Length
    bool ignoreRange = false;     // answer a range request with 200 and the whole body
    bool gzipIfAccepted = false;  // gzip the body when the request accepts gzip
    // Per response: at most this many body bytes a second (0: no limit).
    size_t rateLimit = 0;
    // Close the connection after this many body bytes of a response.
    int64_t dropAfter = -1;
    // After this many body bytes, send one byte every two seconds (below any
    // sensible low-speed limit) until the client gives up.
    int64_t stallAfter = -1;
    // With stallAfter: send nothing at all after those bytes, and keep the
    // connection open until the server stops.
    bool stallSilent = false;
    // Hold the first N HEAD requests without any answer until the server
    // stops (-1: every HEAD; 0: none).
    int stallHeads = 0;
    // Hold every request of this path without any answer.
    bool neverAnswer = false;
    // Send the body without a length, as a connection that the server
    // closes after this many bytes: the client sees a clean but short end.
    int64_t closeAfter = -1;
    // Answer a range request with 206 for a range this many bytes shorter
    // than asked for (its headers say so, so the client sees a clean end).
    int64_t shortRangeBy = 0;
    // How many GET responses get the drop, the stall, the early end or the
    // short range (-1: every one).
    int faultyResponses = -1;
    // Once those faulty responses were sent, answer later GETs with this
    // status (0: serve them normally).
    int laterGetStatus = 0;
};

struct RequestRecord {
    std::string method;
    std::string path;            // decoded
    std::string target;          // as sent, before decoding
    std::string range;           // the Range header, empty when none
    std::string acceptEncoding;  // the Accept-Encoding header, empty when none
};

class LoopbackHttpServer {
public:
    // `tls`: HTTPS with a freshly made self-signed certificate, which no
    // client that checks certificates accepts.
    explicit LoopbackHttpServer(bool tls = false);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int Port() const { return m_Port; }
    // "http://127.0.0.1:<port><path>" (https for a TLS server)
    std::string Url(const std::string& path) const;

    void Serve(const std::string& path, ServedFile file);
    void ServeBytes(const std::string& path, std::string body);

    std::vector<RequestRecord> Requests() const;
    // Requests with this method ("GET", "HEAD") and path.
    int Count(const std::string& method, const std::string& path) const;
    // Waits until `count` such requests have arrived; false after `timeout`.
    bool WaitForRequests(const std::string& method, const std::string& path, int count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    void ClearLog();

private:
    struct Entry;
    std::shared_ptr<Entry> Find(const std::string& path);

    std::unique_ptr<httplib::Server> m_Server;
    std::thread m_Thread;
    int m_Port = 0;
    bool m_Tls = false;
    mutable std::mutex m_Lock;
    mutable std::condition_variable m_Logged;
    std::map<std::string, std::shared_ptr<Entry>> m_Files;
    std::vector<RequestRecord> m_Log;
    struct StopFlag;
    std::shared_ptr<StopFlag> m_Stop;
};

// Deterministic pseudo-random content of `size` bytes.
std::string MakeContent(size_t size, uint32_t seed = 1);
// MD5 of the bytes, 32 lower-case hexadecimal digits.
std::string Md5Hex(const std::string& bytes);
// The address path that carries the bytes' digest as its second-to-last
// element: "/<md5>/<name>".
std::string DigestPath(const std::string& bytes, const std::string& name = "setup.exe");

}  // namespace testsupport
