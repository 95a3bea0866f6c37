#pragma once
// A named worker thread that is created suspended, started by its owner and
// joined by Join() or the destructor. The work gets the owner's context
// pointer; "THREAD BEGIN" and "THREAD END" are logged around it.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace Utils {

class Thread {
public:
    using Callable = std::function<void(void*)>;

    // Creates the system thread suspended and names it (empty name: "t" and
    // the thread id). When the system cannot create a thread, HasHandle() is
    // false and the work never runs.
    Thread(void* context, std::wstring name, Callable callable);
    // Joins; a thread that was never started is released without running.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool HasHandle() const { return m_Handle.joinable(); }
    // Resumes the suspended thread. Owner's thread only.
    void Start();
    // Waits for the thread to end, then forgets it (id 0xFFFFFFFF). Does
    // nothing without a thread. Never call it on the thread itself.
    void Join();
    // True when called on this object's own thread.
    bool IsCurrentThread() const;

    uint32_t Id() const { return m_ThreadId; }
    const std::wstring& Name() const { return m_Name; }

private:
    static void CallBack(Thread* self);

    uint32_t m_ThreadId = 0xFFFFFFFF;
    std::thread m_Handle;
    Callable m_Callable;
    void* m_Context;
    std::wstring m_Name;

    std::mutex m_GateLock;
    std::condition_variable m_Gate;
    enum class Gate { Creating, Suspended, Running, Cancelled } m_GateState = Gate::Creating;
};

}  // namespace Utils
