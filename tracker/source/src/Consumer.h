#pragma once
// The record queue of the analytics core and its batch upload. Records wait
// in memory (at most 1024, the oldest dropped) and leave in batches of 30 in
// queue order. Records still queued when the core closes are kept in the
// staging file and join the queue of the next run, at the first flush.
//
// Thread safety: Send, Flush and FlushPart may be called from any thread.
// Send takes the queue lock only; a batch send holds the flush lock and
// releases the queue lock before the request, so Send never waits for the
// network.
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HttpPost.h"

namespace beacon_analytics {

class Consumer {
public:
    static constexpr size_t kCapacity = 1024;
    static constexpr size_t kBatchSize = 30;

    // `stagingPath` is a file (created when needed); empty keeps nothing
    // across runs. A null transport means the real libcurl post.
    Consumer(std::string stagingPath, std::string collectorUrl,
             std::shared_ptr<Transport> transport = nullptr);
    // Close().
    ~Consumer();
    Consumer(const Consumer&) = delete;
    Consumer& operator=(const Consumer&) = delete;

    // Queues one record text (a complete JSON object on one line).
    void Send(std::string record);
    // Sends everything queued; false at the first batch that failed (that
    // batch is back at the front of the queue as far as room allows).
    bool Flush();
    // Sends one batch; true on success or when nothing is queued.
    bool FlushPart();
    // True when records are queued (staged ones of an earlier run included).
    bool HasPending();
    // Writes the queue to the staging file (atomically; the file is removed
    // when the queue is empty) and empties the queue.
    void Close();
    // The crash path's checkpoint: writes the batch being sent, if any, and
    // the queue to the staging file but keeps them where they are (a batch
    // that then arrives is sent again by the next run, rather than lost).
    // Gives up (false) when the queue lock stays busy for `lockWait`,
    // because the crashing thread may be the one holding it.
    bool SaveStaging(std::chrono::milliseconds lockWait);

    // A copy of the queue, oldest first (tests and diagnostics).
    std::vector<std::string> Snapshot();
    const std::string& StagingPath() const { return m_StagingPath; }

private:
    void LoadStagingIfPending();
    void LoadStagingLocked();
    bool WriteStagingLocked(bool withBatchInFlight = false);
    bool PostBatch(const std::string& batchText);

    std::deque<std::string> m_Queue;
    // The batch a FlushPart is sending (guarded by the queue lock).
    std::vector<std::string> m_InFlight;
    std::string m_StagingPath;
    bool m_StagingPending = true;
    std::string m_CollectorUrl;
    std::mutex m_QueueLock;
    std::mutex m_FlushLock;
    std::shared_ptr<Transport> m_Transport;
    bool m_Closed = false;
};

}  // namespace beacon_analytics
