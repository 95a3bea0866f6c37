#pragma once
// A collector on 127.0.0.1 for the tracker's tests: the development server's
// decoder and store behind an in-process HTTP server on a free port. Runs
// from construction to destruction.
#include <json/json.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "collector/Collector.h"

namespace httplib {
class Server;
}

namespace trackertest {

class LoopbackCollector {
public:
    explicit LoopbackCollector(bool fail = false, std::string jsonlPath = "");
    ~LoopbackCollector();

    std::string Url() const;
    collector::Collector& Store() { return m_Collector; }
    // The stored records, parsed.
    std::vector<Json::Value> Records() const;

private:
    collector::Collector m_Collector;
    std::unique_ptr<httplib::Server> m_Server;
    std::thread m_Thread;
    int m_Port = 0;
};

// An address on 127.0.0.1 where nothing listens (connections are refused).
std::string RefusedUrl();

Json::Value ParseJson(const std::string& text);
// The parsed records of a JSONL or staging file (one record per line).
std::vector<Json::Value> ReadRecordLines(const std::string& path);
// Event names of the records ("event"), in order; "" for profile records.
std::vector<std::string> EventNames(const std::vector<Json::Value>& records);

}  // namespace trackertest
