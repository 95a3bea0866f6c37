#include "Sender.h"

#include "Console.h"
#include "HttpPost.h"

namespace beacon_analytics {
namespace {

// Serialises every hand-over routine of the process.
std::mutex g_SendModeLock;
thread_local bool t_OnHandOverThread = false;

}  // namespace

bool IsHandOverThread() { return t_OnHandOverThread; }

Sender::Sender(std::atomic<int>& pendingSends, std::function<bool()> flush)
    : m_PendingSends(pendingSends), m_Flush(std::move(flush)) {}

Sender::~Sender() { WaitAll(); }

void Sender::Routine(bool flushNow) {
    std::lock_guard<std::mutex> g(g_SendModeLock);
    if (flushNow) {
        for (int attempt = 0; attempt < 3 && m_PendingSends.load() > 0; ++attempt) {
            if (m_Flush && m_Flush()) {
                m_PendingSends = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++m_PendingSends;
    }
}

void Sender::ReapFinishedLocked() {
    for (auto it = m_Workers.begin(); it != m_Workers.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_Workers.erase(it);
        } else {
            ++it;
        }
    }
}

void Sender::Deliver(bool flushNow) {
    if (!m_AlwaysHandOver && LastSendOk()) {
        Routine(flushNow);
        return;
    }
    DebugOutputLine("[Beacon] Sending messages asynchronously");
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::lock_guard<std::mutex> g(m_Lock);
    ReapFinishedLocked();
    try {
        std::thread t([this, flushNow, done] {
            t_OnHandOverThread = true;
            Routine(flushNow);
            done->store(true);
        });
        m_Workers.push_back({std::move(t), done});
    } catch (const std::system_error&) {
        // No thread to be had: the caller waits instead.
        Routine(flushNow);
    }
}

void Sender::WaitAll() {
    std::vector<Worker> workers;
    {
        std::lock_guard<std::mutex> g(m_Lock);
        workers.swap(m_Workers);
    }
    for (auto& w : workers) {
        if (w.thread.get_id() == std::this_thread::get_id()) {
            w.thread.detach();  // the crashing hand-over thread itself
            continue;
        }
        w.thread.join();
    }
}

bool Sender::WaitAllFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        bool running = false;
        {
            std::lock_guard<std::mutex> g(m_Lock);
            ReapFinishedLocked();
            for (auto& w : m_Workers)
                if (w.thread.get_id() != std::this_thread::get_id()) running = true;
        }
        if (!running) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace beacon_analytics
