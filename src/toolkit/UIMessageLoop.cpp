#include "toolkit/UIMessageLoop.h"

#include <limits>

namespace Toolkit {
namespace {

class SteadyClock : public ILoopClock {
public:
    int64_t NowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }
};

}  // namespace

void ConditionWaiter::Wait(int timeoutMs) {
    std::unique_lock<std::mutex> lock(m_Lock);
    if (timeoutMs < 0) {
        m_Cond.wait(lock, [this] { return m_Woken; });
    } else {
        m_Cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_Woken; });
    }
    m_Woken = false;
}

void ConditionWaiter::Wake() {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Woken = true;
    }
    m_Cond.notify_one();
}

CMessageLoop& CMessageLoop::Instance() {
    static CMessageLoop loop;
    return loop;
}

CMessageLoop::CMessageLoop()
    : m_UiThread(std::this_thread::get_id()),
      m_DefaultWaiter(std::make_unique<ConditionWaiter>()),
      m_DefaultClock(std::make_unique<SteadyClock>()) {
    m_Waiter = m_DefaultWaiter.get();
    m_Clock = m_DefaultClock.get();
}

void CMessageLoop::SetWaiter(ILoopWaiter* waiter) {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Waiter = waiter ? waiter : m_DefaultWaiter.get();
}

void CMessageLoop::SetClock(ILoopClock* clock) { m_Clock = clock ? clock : m_DefaultClock.get(); }

int64_t CMessageLoop::NowMs() { return m_Clock->NowMs(); }

WindowHandle CMessageLoop::RegisterWindow(IMessageTarget* target) {
    std::lock_guard<std::mutex> guard(m_Lock);
    WindowHandle h = m_NextHandle++;
    m_Windows[h] = target;
    return h;
}

void CMessageLoop::UnregisterWindow(WindowHandle handle) {
    KillAllTimers(handle);
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Windows.erase(handle);
}

IMessageTarget* CMessageLoop::FindWindow(WindowHandle handle) const {
    std::lock_guard<std::mutex> guard(m_Lock);
    auto it = m_Windows.find(handle);
    return it == m_Windows.end() ? nullptr : it->second;
}

bool CMessageLoop::PostMessage(WindowHandle handle, uint32_t msg, WParam wParam, LParam lParam) {
    if (handle == 0) return false;
    ILoopWaiter* waiter;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Queue.push_back(Posted{handle, msg, wParam, lParam, {}});
        waiter = m_Waiter;
    }
    waiter->Wake();
    return true;
}

void CMessageLoop::PostTask(std::function<void()> task) {
    ILoopWaiter* waiter;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Queue.push_back(Posted{0, WM_NULL, 0, 0, std::move(task)});
        waiter = m_Waiter;
    }
    waiter->Wake();
}

LResult CMessageLoop::SendMessage(WindowHandle handle, uint32_t msg, WParam wParam, LParam lParam) {
    IMessageTarget* target = FindWindow(handle);
    return target ? target->DispatchWindowMessage(msg, wParam, lParam) : 0;
}

void CMessageLoop::SetTimer(WindowHandle handle, uintptr_t id, uint32_t periodMs) {
    if (periodMs == 0) periodMs = 1;
    Timer t;
    t.periodMs = periodMs;
    t.dueMs = NowMs() + periodMs;
    t.serial = ++m_TimerSerial;
    m_Timers[{handle, id}] = t;
}

void CMessageLoop::KillTimer(WindowHandle handle, uintptr_t id) { m_Timers.erase({handle, id}); }

void CMessageLoop::KillAllTimers(WindowHandle handle) {
    for (auto it = m_Timers.begin(); it != m_Timers.end();) {
        if (it->first.first == handle) {
            it = m_Timers.erase(it);
        } else {
            ++it;
        }
    }
}

bool CMessageLoop::HasTimer(WindowHandle handle, uintptr_t id) const {
    return m_Timers.count({handle, id}) != 0;
}

void CMessageLoop::PostQuit(int exitCode) {
    ILoopWaiter* waiter;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Quit = true;
        m_QuitCode = exitCode;
        waiter = m_Waiter;
    }
    waiter->Wake();
}

bool CMessageLoop::QuitPending() const {
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_Quit;
}

int CMessageLoop::QuitCode() const {
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_QuitCode;
}

void CMessageLoop::ClearQuit() {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Quit = false;
    m_QuitCode = 0;
}

int CMessageLoop::NextTimerDelayMs() {
    if (m_Timers.empty()) return -1;
    int64_t now = NowMs();
    int64_t best = std::numeric_limits<int64_t>::max();
    for (auto& [key, t] : m_Timers) best = std::min(best, t.dueMs);
    int64_t d = best - now;
    if (d < 0) d = 0;
    if (d > std::numeric_limits<int>::max()) d = std::numeric_limits<int>::max();
    return static_cast<int>(d);
}

bool CMessageLoop::DispatchOne() {
    Posted p;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        if (m_Queue.empty()) return false;
        p = std::move(m_Queue.front());
        m_Queue.pop_front();
    }
    if (p.task) {
        p.task();
    } else if (IMessageTarget* target = FindWindow(p.handle)) {
        target->DispatchWindowMessage(p.msg, p.wParam, p.lParam);
    }
    return true;
}

// Fires the timer that is most overdue; a timer restarts from now, so a
// slow handler never causes a burst of catch-up ticks.
bool CMessageLoop::FireOneTimer() {
    int64_t now = NowMs();
    auto due = m_Timers.end();
    for (auto it = m_Timers.begin(); it != m_Timers.end(); ++it) {
        if (it->second.dueMs <= now &&
            (due == m_Timers.end() || it->second.dueMs < due->second.dueMs ||
             (it->second.dueMs == due->second.dueMs && it->second.serial < due->second.serial))) {
            due = it;
        }
    }
    if (due == m_Timers.end()) return false;
    WindowHandle handle = due->first.first;
    uintptr_t id = due->first.second;
    due->second.dueMs = now + due->second.periodMs;
    due->second.serial = ++m_TimerSerial;
    if (IMessageTarget* target = FindWindow(handle)) {
        ++m_TimersFired;
        target->DispatchWindowMessage(WM_TIMER, id, 0);
    }
    return true;
}

int CMessageLoop::RunPending() {
    int count = 0;
    // Messages queued while this runs wait for the next round, so a handler
    // that posts to itself cannot starve the timers.
    size_t queued;
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        queued = m_Queue.size();
    }
    for (size_t i = 0; i < queued && !QuitPending(); ++i) {
        if (!DispatchOne()) break;
        ++count;
    }
    // Each due timer fires once per round.
    size_t timers = m_Timers.size();
    for (size_t i = 0; i < timers && !QuitPending(); ++i) {
        if (!FireOneTimer()) break;
        ++count;
    }
    return count;
}

bool CMessageLoop::Run(const std::function<bool()>& keepRunning, int timeoutMs) {
    const int64_t deadline = timeoutMs >= 0 ? NowMs() + timeoutMs : -1;
    auto timeLeft = [&]() -> int64_t {
        return deadline < 0 ? -1 : std::max<int64_t>(0, deadline - NowMs());
    };
    while (keepRunning()) {
        if (QuitPending()) return false;
        if (deadline >= 0 && timeLeft() == 0) break;
        if (RunPending() > 0) continue;
        if (QuitPending()) return false;
        if (!keepRunning()) break;
        bool queued;
        {
            std::lock_guard<std::mutex> guard(m_Lock);
            queued = !m_Queue.empty();
        }
        if (queued) continue;
        int wait = NextTimerDelayMs();
        int64_t left = timeLeft();
        if (left >= 0 && (wait < 0 || left < wait)) wait = static_cast<int>(left);
        m_Waiter->Wait(wait);
    }
    return !QuitPending();
}

}  // namespace Toolkit
