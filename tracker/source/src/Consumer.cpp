#include "Consumer.h"

#include <json/json.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "BatchBody.h"
#include "Console.h"
#include "platform/Process.h"

namespace beacon_analytics {
namespace {

// A staged line is used only when it is one whole record as we write them
// (strict JSON, nothing after the object, the fields every record has): a
// damaged or foreign line would make the collector refuse every batch it
// travels in, run after run.
bool IsRecordLine(const std::string& line) {
    if (line.size() < 2 || line.front() != '{' || line.back() != '}') return false;
    // The reader takes a zero byte for the end of the text; our records
    // never hold one.
    if (line.find('\0') != std::string::npos) return false;
    Json::CharReaderBuilder b;
    Json::CharReaderBuilder::strictMode(&b.settings_);
    std::unique_ptr<Json::CharReader> r(b.newCharReader());
    Json::Value v;
    std::string errs;
    try {
        if (!r->parse(line.data(), line.data() + line.size(), &v, &errs)) return false;
    } catch (const std::exception&) {
        return false;  // nested deeper than the reader's stack limit
    }
    return v.isObject() && v["type"].isString() && v["distinct_id"].isString() &&
           v["time"].isIntegral() && v["properties"].isObject();
}

constexpr std::streamoff kStagingReadLimit = 64 << 20;

}  // namespace

Consumer::Consumer(std::string stagingPath, std::string collectorUrl,
                   std::shared_ptr<Transport> transport)
    : m_StagingPath(std::move(stagingPath)),
      m_CollectorUrl(std::move(collectorUrl)),
      m_Transport(transport ? std::move(transport) : std::make_shared<CurlTransport>()) {}

Consumer::~Consumer() { Close(); }

void Consumer::Send(std::string record) {
    std::lock_guard<std::mutex> g(m_QueueLock);
    m_Queue.push_back(std::move(record));
    if (m_Queue.size() > kCapacity) m_Queue.pop_front();
}

void Consumer::LoadStagingIfPending() {
    std::lock_guard<std::mutex> g(m_QueueLock);
    LoadStagingLocked();
}

void Consumer::LoadStagingLocked() {
    if (!m_StagingPending) return;
    m_StagingPending = false;
    if (m_StagingPath.empty() || m_Queue.size() >= kCapacity) return;
    std::ifstream in(m_StagingPath, std::ios::binary);
    if (!in) return;
    // Only the newest records can be kept, so a damaged, huge file is read
    // from its last kStagingReadLimit bytes (the first, cut line is dropped).
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    bool cut = false;
    if (size > kStagingReadLimit) {
        in.seekg(size - kStagingReadLimit);
        cut = true;
    } else {
        in.seekg(0);
    }
    const size_t room = kCapacity - m_Queue.size();
    std::deque<std::string> records;
    size_t damaged = 0;
    for (std::string line; std::getline(in, line);) {
        if (cut) {
            cut = false;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!IsRecordLine(line)) {
            ++damaged;
            continue;
        }
        records.push_back(std::move(line));
        if (records.size() > room) records.pop_front();
    }
    if (damaged)
        ConsoleLine("Staging file " + m_StagingPath + ": skipped " + std::to_string(damaged) +
                    " damaged line(s)");
    m_Queue.insert(m_Queue.begin(), std::make_move_iterator(records.begin()),
                   std::make_move_iterator(records.end()));
    // The file stays until the records have left or the queue is written back,
    // so a run that ends abruptly cannot lose them.
}

bool Consumer::WriteStagingLocked(bool withBatchInFlight) {
    const std::vector<std::string> none;
    const std::vector<std::string>& inFlight = withBatchInFlight ? m_InFlight : none;
    if (m_StagingPath.empty()) return m_Queue.empty() && inFlight.empty();
    if (m_Queue.empty() && inFlight.empty()) {
        if (std::remove(m_StagingPath.c_str()) != 0 && errno != ENOENT) {
            ConsoleLine("Cannot remove staging file " + m_StagingPath + ": " +
                        std::strerror(errno));
            return false;
        }
        return true;
    }
    const std::string tmp = m_StagingPath + ".tmp" + std::to_string(Platform::CurrentProcessId());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        for (const auto& r : inFlight) out << r << '\n';  // older than the queue
        for (const auto& r : m_Queue) out << r << '\n';
        out.flush();
        if (!out) {
            ConsoleLine("Cannot keep " + std::to_string(m_Queue.size()) + " unsent records in " +
                        m_StagingPath + ": cannot write " + tmp);
            out.close();
            std::remove(tmp.c_str());
            return false;
        }
    }
    if (std::rename(tmp.c_str(), m_StagingPath.c_str()) != 0) {
        ConsoleLine("Cannot keep " + std::to_string(m_Queue.size()) + " unsent records in " +
                    m_StagingPath + ": " + std::strerror(errno));
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool Consumer::Flush() {
    LoadStagingIfPending();
    for (;;) {
        {
            std::lock_guard<std::mutex> g(m_QueueLock);
            if (m_Queue.empty()) {
                // Everything has left: staged records of earlier runs too.
                WriteStagingLocked();
                return true;
            }
        }
        if (!FlushPart()) return false;
    }
}

bool Consumer::HasPending() {
    std::lock_guard<std::mutex> g(m_QueueLock);
    LoadStagingLocked();
    return !m_Queue.empty();
}

bool Consumer::FlushPart() {
    LoadStagingIfPending();
    std::lock_guard<std::mutex> flushGuard(m_FlushLock);
    std::vector<std::string> batch;
    {
        std::lock_guard<std::mutex> g(m_QueueLock);
        const size_t n = std::min(m_Queue.size(), kBatchSize);
        if (n == 0) return true;
        batch.assign(std::make_move_iterator(m_Queue.begin()),
                     std::make_move_iterator(m_Queue.begin() + n));
        m_Queue.erase(m_Queue.begin(), m_Queue.begin() + n);
        m_InFlight = batch;
    }
    std::string text = "[";
    for (size_t i = 0; i < batch.size(); ++i) {
        if (i) text += ',';
        text += batch[i];
    }
    text += ']';

    bool ok = false;
    try {
        ok = PostBatch(text);
    } catch (const std::exception& e) {
        ConsoleLine(std::string("Exception when flush failed: (") + e.what() + ") ");
        ok = false;
    }
    std::lock_guard<std::mutex> g(m_QueueLock);
    m_InFlight.clear();
    if (!ok) {
        const size_t room = kCapacity - std::min(kCapacity, m_Queue.size());
        const size_t keep = std::min(room, batch.size());
        m_Queue.insert(m_Queue.begin(), std::make_move_iterator(batch.end() - keep),
                       std::make_move_iterator(batch.end()));
    }
    return ok;
}

bool Consumer::PostBatch(const std::string& batchText) {
    std::string body;
    if (!EncodeBatchBody(batchText, &body)) return false;
    HttpResponse r = m_Transport->Post(m_CollectorUrl, body, "", {});
    const bool ok = r.status == 200;
    if (!ok) {
        DebugOutputLine("[beacon] BeaconAnalytics SDK send failed");
        ConsoleLine("BeaconAnalytics SDK send failed: " + r.body);
    }
    SetLastSendOk(ok);
    return ok;
}

void Consumer::Close() {
    std::lock_guard<std::mutex> g(m_QueueLock);
    if (m_Closed) return;
    m_Closed = true;
    LoadStagingLocked();
    WriteStagingLocked();
    m_Queue.clear();
}

bool Consumer::SaveStaging(std::chrono::milliseconds lockWait) {
    // Polled rather than a timed lock: the crash path must not block for
    // good on a lock its own thread may hold.
    std::unique_lock<std::mutex> g(m_QueueLock, std::defer_lock);
    const auto deadline = std::chrono::steady_clock::now() + lockWait;
    while (!g.try_lock()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    LoadStagingLocked();
    return WriteStagingLocked(true);
}

std::vector<std::string> Consumer::Snapshot() {
    std::lock_guard<std::mutex> g(m_QueueLock);
    return {m_Queue.begin(), m_Queue.end()};
}

}  // namespace beacon_analytics
