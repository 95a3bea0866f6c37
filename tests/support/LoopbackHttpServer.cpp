#include "support/LoopbackHttpServer.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <stdexcept>

namespace testsupport {

struct LoopbackHttpServer::StopFlag {
    std::mutex lock;
    std::condition_variable cv;
    bool stopped = false;

    // Sleeps until `until` or the server stops; false when it stopped.
    bool SleepUntil(std::chrono::steady_clock::time_point until) {
        std::unique_lock<std::mutex> guard(lock);
        return !cv.wait_until(guard, until, [this] { return stopped; });
    }
};

struct LoopbackHttpServer::Entry {
    ServedFile file;
    std::shared_ptr<const std::string> body;
    std::shared_ptr<const std::string> gzipped;
    int getResponses = 0;   // guarded by the server's lock
    int headResponses = 0;  // guarded by the server's lock
};

namespace {

std::string Gzip(const std::string& in) {
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&zs, in.size()), '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

// Everything one response needs while httplib pulls its body.
struct Sender {
    std::shared_ptr<const std::string> body;
    ServedFile rules;
    bool faulty = false;
    int64_t sent = 0;
    std::chrono::steady_clock::time_point began = std::chrono::steady_clock::now();
};

// An error answer is sent whole: applied to a range of the short error
// text, httplib would turn every status into 416.
void Unranged(const httplib::Request& req) { const_cast<httplib::Request&>(req).ranges.clear(); }

std::unique_ptr<httplib::Server> MakeTlsServer() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    if (!key || !cert) throw std::runtime_error("loopback server: no key");
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_sign(cert, key, EVP_sha256());
    auto server = std::make_unique<httplib::SSLServer>(cert, key);
    X509_free(cert);
    EVP_PKEY_free(key);
    return server;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(bool tls)
    : m_Server(tls ? MakeTlsServer() : std::make_unique<httplib::Server>()),
      m_Tls(tls),
      m_Stop(std::make_shared<StopFlag>()) {
    // Stalled and throttled answers hold a worker each; leave room for the
    // connections of several attempts.
    m_Server->new_task_queue = [] { return new httplib::ThreadPool(32); };
    m_Server->set_keep_alive_timeout(2);
    m_Server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard<std::mutex> guard(m_Lock);
            m_Log.push_back({req.method, req.path, req.target, req.get_header_value("Range"),
                             req.get_header_value("Accept-Encoding")});
        }
        m_Logged.notify_all();
        std::shared_ptr<Entry> entry = Find(req.path);
        if (!entry) {
            res.status = 404;
            Unranged(req);
            res.set_content("not found\n", "text/plain");
            return;
        }
        const ServedFile& f = entry->file;
        const bool head = req.method == "HEAD";
        bool hold = f.neverAnswer;
        if (head && f.stallHeads != 0) {
            std::lock_guard<std::mutex> guard(m_Lock);
            hold = hold || f.stallHeads < 0 || entry->headResponses < f.stallHeads;
            ++entry->headResponses;
        }
        if (hold) {
            // Accepted and read, never answered: the client sees silence
            // until it gives up (the server only notices when it stops).
            m_Stop->SleepUntil(std::chrono::steady_clock::now() + std::chrono::minutes(10));
            res.status = 503;
            return;
        }
        int status = f.status;
        if (head && f.headStatus) status = f.headStatus;
        if (!head && f.getStatus) status = f.getStatus;
        if (status != 0) {
            res.status = status;
            Unranged(req);
            res.set_content("error\n", "text/plain");
            return;
        }
        if (!f.redirectTo.empty()) {
            res.set_redirect(f.redirectTo.rfind("http", 0) == 0 ? f.redirectTo : Url(f.redirectTo),
                             302);
            return;
        }

        auto sender = std::make_shared<Sender>();
        sender->rules = f;
        sender->rules.body.clear();
        sender->body = entry->body;
        if (f.gzipIfAccepted &&
            req.get_header_value("Accept-Encoding").find("gzip") != std::string::npos) {
            sender->body = entry->gzipped;
            res.set_header("Content-Encoding", "gzip");
        }
        if (!head) {
            int index;
            {
                std::lock_guard<std::mutex> guard(m_Lock);
                index = entry->getResponses++;
            }
            sender->faulty = f.faultyResponses < 0 || index < f.faultyResponses;
            if (!sender->faulty && f.laterGetStatus != 0) {
                res.status = f.laterGetStatus;
                Unranged(req);
                res.set_content("error\n", "text/plain");
                return;
            }
        }
        // httplib applies the request's range to the provider; a server that
        // does not know ranges answers with everything.
        if (f.ignoreRange) const_cast<httplib::Request&>(req).ranges.clear();

        std::shared_ptr<StopFlag> stop = m_Stop;
        auto provider = [sender, stop](size_t offset, size_t length, httplib::DataSink& sink) {
            const ServedFile& r = sender->rules;
            size_t chunk = std::min<size_t>(length, 64 * 1024);
            if (sender->faulty && r.dropAfter >= 0) {
                if (sender->sent >= r.dropAfter) return false;
                chunk = std::min<size_t>(chunk, static_cast<size_t>(r.dropAfter - sender->sent));
            }
            if (sender->faulty && r.stallAfter >= 0) {
                if (sender->sent >= r.stallAfter && r.stallSilent) {
                    stop->SleepUntil(std::chrono::steady_clock::now() + std::chrono::minutes(10));
                    return false;
                }
                if (sender->sent >= r.stallAfter) {
                    if (!stop->SleepUntil(std::chrono::steady_clock::now() +
                                          std::chrono::seconds(2)))
                        return false;
                    chunk = 1;
                } else {
                    chunk =
                        std::min<size_t>(chunk, static_cast<size_t>(r.stallAfter - sender->sent));
                }
            }
            if (r.rateLimit > 0) {
                chunk = std::min<size_t>(chunk, std::max<size_t>(1, r.rateLimit / 20));
                auto due = sender->began + std::chrono::microseconds(static_cast<int64_t>(
                                               (sender->sent + chunk) * 1e6 / r.rateLimit));
                if (!stop->SleepUntil(due)) return false;
            }
            if (!sink.write(sender->body->data() + offset, chunk)) return false;
            sender->sent += static_cast<int64_t>(chunk);
            return true;
        };
        // A short range: the headers announce fewer bytes than were asked for.
        if (!head && sender->faulty && f.shortRangeBy > 0 && !req.ranges.empty()) {
            const int64_t total = static_cast<int64_t>(sender->body->size());
            int64_t first = req.ranges[0].first, last = req.ranges[0].second;
            if (first < 0) first = 0;
            if (last < 0 || last >= total) last = total - 1;
            last = std::max(first, last - f.shortRangeBy);
            const_cast<httplib::Request&>(req).ranges.clear();
            res.status = 206;
            res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                std::to_string(last) + "/" + std::to_string(total));
            res.set_content_provider(
                static_cast<size_t>(last - first + 1), "application/octet-stream",
                [provider, first](size_t offset, size_t length, httplib::DataSink& sink) {
                    return provider(offset + static_cast<size_t>(first), length, sink);
                });
            return;
        }
        // A body that ends early but cleanly: no length, the connection
        // closes after `closeAfter` bytes.
        if (!head && sender->faulty && f.closeAfter >= 0) {
            const_cast<httplib::Request&>(req).ranges.clear();
            const size_t end = std::min<size_t>(sender->body->size(), f.closeAfter);
            res.set_content_provider("application/octet-stream",
                                     [sender, end](size_t offset, httplib::DataSink& sink) {
                                         if (offset >= end) {
                                             sink.done();
                                             return true;
                                         }
                                         size_t n = std::min<size_t>(end - offset, 64 * 1024);
                                         return sink.write(sender->body->data() + offset, n);
                                     });
            return;
        }
        if (sender->body->empty()) {
            res.set_content(std::string(), "application/octet-stream");
        } else if (f.sendLength) {
            res.set_content_provider(sender->body->size(), "application/octet-stream", provider);
        } else {
            res.set_chunked_content_provider(
                "application/octet-stream",
                [sender, provider](size_t offset, httplib::DataSink& sink) {
                    if (offset >= sender->body->size()) {
                        sink.done();
                        return true;
                    }
                    return provider(offset, sender->body->size() - offset, sink);
                });
        }
    });
    m_Port = m_Server->bind_to_any_port("127.0.0.1");
    if (m_Port <= 0) throw std::runtime_error("loopback server: no port");
    m_Thread = std::thread([this] { m_Server->listen_after_bind(); });
    // stop() only works on a running server: wait until the loop runs.
    while (!m_Server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackHttpServer::~LoopbackHttpServer() {
    {
        std::lock_guard<std::mutex> guard(m_Stop->lock);
        m_Stop->stopped = true;
        m_Stop->cv.notify_all();
    }
    m_Server->stop();
    if (m_Thread.joinable()) m_Thread.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return (m_Tls ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(m_Port) + path;
}

void LoopbackHttpServer::Serve(const std::string& path, ServedFile file) {
    auto entry = std::make_shared<Entry>();
    entry->body = std::make_shared<const std::string>(std::move(file.body));
    if (file.gzipIfAccepted)
        entry->gzipped = std::make_shared<const std::string>(Gzip(*entry->body));
    file.body.clear();
    entry->file = std::move(file);
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Files[path] = entry;
}

void LoopbackHttpServer::ServeBytes(const std::string& path, std::string body) {
    ServedFile f;
    f.body = std::move(body);
    Serve(path, std::move(f));
}

std::shared_ptr<LoopbackHttpServer::Entry> LoopbackHttpServer::Find(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_Lock);
    auto it = m_Files.find(path);
    return it == m_Files.end() ? nullptr : it->second;
}

std::vector<RequestRecord> LoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_Log;
}

int LoopbackHttpServer::Count(const std::string& method, const std::string& path) const {
    std::lock_guard<std::mutex> guard(m_Lock);
    return static_cast<int>(std::count_if(m_Log.begin(), m_Log.end(), [&](const RequestRecord& r) {
        return r.method == method && r.path == path;
    }));
}

bool LoopbackHttpServer::WaitForRequests(const std::string& method, const std::string& path,
                                         int count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> guard(m_Lock);
    return m_Logged.wait_for(guard, timeout, [&] {
        return std::count_if(m_Log.begin(), m_Log.end(), [&](const RequestRecord& r) {
                   return r.method == method && r.path == path;
               }) >= count;
    });
}

void LoopbackHttpServer::ClearLog() {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Log.clear();
}

std::string MakeContent(size_t size, uint32_t seed) {
    std::string out(size, '\0');
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<char>(x & 0xFF);
    }
    return out;
}

std::string Md5Hex(const std::string& bytes) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), md, &len, EVP_md5(), nullptr);
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out.push_back(kHex[md[i] >> 4]);
        out.push_back(kHex[md[i] & 15]);
    }
    return out;
}

std::string DigestPath(const std::string& bytes, const std::string& name) {
    std::string path(1, '/');
    path += Md5Hex(bytes);
    path += '/';
    path += name;
    return path;
}

}  // namespace testsupport
