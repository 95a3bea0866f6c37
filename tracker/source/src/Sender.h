#pragma once
// How tracker operations hand their records to the transport. A queued
// hand-over marks one more send as pending; a flush-now hand-over tries to
// send the queue at once (up to 3 attempts) while sends are pending. After a
// failed (or no) send the routine runs on a short worker thread so that the
// caller does not wait for the network; every such thread is joined by
// WaitAll() (and the destructor), so none outlives what it uses.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace beacon_analytics {

// True on a hand-over thread (the crash path must not wait for itself).
bool IsHandOverThread();

class Sender {
public:
    // `flush` sends the core's queue and tells whether it was emptied; it is
    // called with the process-wide send-mode lock held.
    Sender(std::atomic<int>& pendingSends, std::function<bool()> flush);
    ~Sender();
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    void Deliver(bool flushNow);
    // From now on every hand-over runs on a worker thread, also after a
    // good send (the crash path: the calling thread must not wait for the
    // send-mode lock or the network).
    void SetAlwaysHandOver() { m_AlwaysHandOver = true; }
    // Joins every hand-over thread (each is bounded by the request timeout).
    // On a hand-over thread itself that thread is skipped.
    void WaitAll();
    // The crash path: waits at most `limit` for the threads in flight and
    // joins those that ended; true when none is left running.
    bool WaitAllFor(std::chrono::milliseconds limit);

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void Routine(bool flushNow);
    void ReapFinishedLocked();

    std::atomic<int>& m_PendingSends;
    std::function<bool()> m_Flush;
    std::mutex m_Lock;
    std::vector<Worker> m_Workers;
    std::atomic<bool> m_AlwaysHandOver{false};
};

}  // namespace beacon_analytics
