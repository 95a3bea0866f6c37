#include "Collector.h"

#include <httplib.h>

#include <cstdio>

#include "CollectorDecoder.h"

namespace collector {

Collector::Collector(std::string jsonlPath, bool fail)
    : m_Path(std::move(jsonlPath)), m_Fail(fail) {}

void Collector::Mount(httplib::Server& server) {
    server.Post("/collect", [this](const httplib::Request& req, httplib::Response& res) {
        std::string answer;
        const int status = Handle(req.get_header_value("Content-Type"),
                                  req.get_header_value("User-Agent"), req.body, &answer);
        res.status = status;
        res.set_content(answer + "\n", "text/plain");
    });
}

int Collector::Handle(const std::string& contentType, const std::string& userAgent,
                      const std::string& body, std::string* answer) {
    ++m_Requests;
    if (m_Fail) {
        *answer = "failing on purpose";
        return 500;
    }
    if (contentType != "application/x-www-form-urlencoded") {
        *answer =
            "content type must be application/x-www-form-urlencoded, not '" + contentType + "'";
        return 400;
    }
    if (userAgent != "BeaconAnalytics CPP SDK 0.9") {
        *answer = "unexpected user agent '" + userAgent + "'";
        return 400;
    }
    std::string batch, err;
    std::vector<std::string> records;
    if (!DecodeCollectBody(body, &batch, &err) || !SplitRecords(batch, &records, &err)) {
        *answer = err;
        return 400;
    }
    std::lock_guard<std::mutex> g(m_Lock);
    if (!m_Path.empty()) {
        std::string lines;
        for (const auto& r : records) lines += r + "\n";
        std::FILE* f = std::fopen(m_Path.c_str(), "ab");
        const bool ok = f && std::fwrite(lines.data(), 1, lines.size(), f) == lines.size();
        if (f && std::fclose(f) != 0) f = nullptr;
        if (!ok || !f) {
            *answer = "cannot append to " + m_Path;
            return 500;
        }
    }
    m_Records.insert(m_Records.end(), records.begin(), records.end());
    m_BatchSizes.push_back(records.size());
    *answer = "stored " + std::to_string(records.size());
    return 200;
}

std::vector<std::string> Collector::Records() const {
    std::lock_guard<std::mutex> g(m_Lock);
    return m_Records;
}

std::vector<size_t> Collector::BatchSizes() const {
    std::lock_guard<std::mutex> g(m_Lock);
    return m_BatchSizes;
}

}  // namespace collector
