#pragma once
// The process-wide message loop of the user-interface thread: a thread-safe
// queue of posted messages and tasks, window timers, nested loops for modal
// windows and WM_QUIT. Waiting and the clock sit behind small interfaces so
// that the GTK backend can wait in its own event loop and tests can drive time
// by hand.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "toolkit/UIBase.h"

namespace Toolkit {

// Where the loop blocks while nothing is due. Wait returns after at most
// `timeoutMs` milliseconds (negative: no limit) or as soon as Wake is called
// (from any thread); a Wake that comes before the Wait makes the next Wait
// return at once. Backends dispatch their own events inside Wait.
class ILoopWaiter {
public:
    virtual ~ILoopWaiter() = default;
    virtual void Wait(int timeoutMs) = 0;
    virtual void Wake() = 0;
};

// The built-in waiter: blocks on a condition variable; a Wake before the
// Wait is remembered.
class ConditionWaiter : public ILoopWaiter {
public:
    void Wait(int timeoutMs) override;
    void Wake() override;

private:
    std::mutex m_Lock;
    std::condition_variable m_Cond;
    bool m_Woken = false;
};

// The loop's time in milliseconds. Replaceable so that tests can move time
// by hand and see timers fire without sleeping.
class ILoopClock {
public:
    virtual ~ILoopClock() = default;
    virtual int64_t NowMs() = 0;
};

// Receives the messages the loop dispatches to windows.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual LResult DispatchWindowMessage(uint32_t msg, WParam wParam, LParam lParam) = 0;
};

class CMessageLoop {
public:
    // The loop of this process. The thread that first calls it is the
    // user-interface thread.
    static CMessageLoop& Instance();

    // Backends install their waiter (and tests a manual clock); null restores
    // the built-in one (condition variable, steady clock). UI thread only.
    void SetWaiter(ILoopWaiter* waiter);
    void SetClock(ILoopClock* clock);
    int64_t NowMs();

    // Windows register themselves so that posted messages find them; handles
    // are never reused. UI thread only.
    WindowHandle RegisterWindow(IMessageTarget* target);
    void UnregisterWindow(WindowHandle handle);
    IMessageTarget* FindWindow(WindowHandle handle) const;
    bool IsWindow(WindowHandle handle) const { return FindWindow(handle) != nullptr; }

    // Any thread. Returns false when the message could not be queued (handle
    // 0). Messages for a window that is gone when they come up are dropped.
    bool PostMessage(WindowHandle handle, uint32_t msg, WParam wParam = 0, LParam lParam = 0);
    // Any thread: runs `task` on the user-interface thread inside the loop.
    void PostTask(std::function<void()> task);
    // UI thread: delivers at once; 0 when the window is gone.
    LResult SendMessage(WindowHandle handle, uint32_t msg, WParam wParam = 0, LParam lParam = 0);

    // Window timers (UI thread): WM_TIMER with the id as first parameter every
    // `periodMs` (at least 1) until killed. Setting an existing id restarts it.
    void SetTimer(WindowHandle handle, uintptr_t id, uint32_t periodMs);
    void KillTimer(WindowHandle handle, uintptr_t id);
    void KillAllTimers(WindowHandle handle);
    bool HasTimer(WindowHandle handle, uintptr_t id) const;

    // Runs the loop until `keepRunning` answers false, `timeoutMs` (when not
    // negative) has passed on the loop's clock, or WM_QUIT is taken from the
    // queue; a WM_QUIT ends every nested loop (it is kept pending for the
    // outer ones). Returns false when it ended through WM_QUIT.
    bool Run(const std::function<bool()>& keepRunning, int timeoutMs = -1);
    // Dispatches everything that is queued or due now, without waiting.
    // Returns the number of messages, tasks and timers delivered.
    int RunPending();
    // Queues WM_QUIT with its exit code.
    void PostQuit(int exitCode = 0);
    bool QuitPending() const;
    int QuitCode() const;
    // Forgets a pending WM_QUIT (for a new run in the same process, e.g. tests).
    void ClearQuit();

    // Milliseconds until the next timer is due, -1 without timers.
    int NextTimerDelayMs();
    // WM_TIMER messages delivered so far (tests and benchmarks read it).
    uint64_t TimersFired() const { return m_TimersFired; }

    bool IsUiThread() const { return std::this_thread::get_id() == m_UiThread; }

private:
    CMessageLoop();
    struct Posted {
        WindowHandle handle = 0;
        uint32_t msg = 0;
        WParam wParam = 0;
        LParam lParam = 0;
        std::function<void()> task;
    };
    struct Timer {
        uint32_t periodMs = 1;
        int64_t dueMs = 0;
        uint64_t serial = 0;
    };
    bool DispatchOne();
    bool FireOneTimer();

    std::thread::id m_UiThread;
    mutable std::mutex m_Lock;
    std::deque<Posted> m_Queue;
    bool m_Quit = false;
    int m_QuitCode = 0;

    std::map<WindowHandle, IMessageTarget*> m_Windows;
    WindowHandle m_NextHandle = 1;
    std::map<std::pair<WindowHandle, uintptr_t>, Timer> m_Timers;
    uint64_t m_TimerSerial = 0;
    uint64_t m_TimersFired = 0;

    std::unique_ptr<ILoopWaiter> m_DefaultWaiter;
    std::unique_ptr<ILoopClock> m_DefaultClock;
    ILoopWaiter* m_Waiter = nullptr;
    ILoopClock* m_Clock = nullptr;
};

// Shorthands for the installer's code.
inline bool PostMessage(WindowHandle h, uint32_t msg, WParam w = 0, LParam l = 0) {
    return CMessageLoop::Instance().PostMessage(h, msg, w, l);
}
inline LResult SendMessage(WindowHandle h, uint32_t msg, WParam w = 0, LParam l = 0) {
    return CMessageLoop::Instance().SendMessage(h, msg, w, l);
}
inline bool IsWindow(WindowHandle h) { return CMessageLoop::Instance().IsWindow(h); }

}  // namespace Toolkit
