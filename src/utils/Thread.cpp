#include "utils/Thread.h"

#include <cassert>

#include "platform/Process.h"
#include "platform/ThreadName.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Utils {

Thread::Thread(void* context, std::wstring name, Callable callable)
    : m_Callable(std::move(callable)), m_Context(context), m_Name(std::move(name)) {
    try {
        m_Handle = std::thread(&Thread::CallBack, this);
    } catch (const std::system_error&) {
        return;  // no thread: the owner skips the start
    }
    // The new thread reports its id and names itself before it suspends.
    std::unique_lock<std::mutex> lock(m_GateLock);
    m_Gate.wait(lock, [this] { return m_GateState != Gate::Creating; });
}

Thread::~Thread() {
    Join();
    m_Name.clear();
    m_Callable = nullptr;
}

void Thread::Start() {
    std::lock_guard<std::mutex> lock(m_GateLock);
    if (m_GateState == Gate::Suspended) m_GateState = Gate::Running;
    m_Gate.notify_all();
}

void Thread::Join() {
    if (!m_Handle.joinable()) return;
    assert(!IsCurrentThread() && "a thread cannot join itself");
    {
        // A thread that was never started would wait for ever: release it
        // without running the work.
        std::lock_guard<std::mutex> lock(m_GateLock);
        if (m_GateState == Gate::Suspended) m_GateState = Gate::Cancelled;
        m_Gate.notify_all();
    }
    m_Handle.join();
    m_ThreadId = 0xFFFFFFFF;
}

bool Thread::IsCurrentThread() const { return m_Handle.get_id() == std::this_thread::get_id(); }

void Thread::CallBack(Thread* self) {
    {
        std::unique_lock<std::mutex> lock(self->m_GateLock);
        self->m_ThreadId = Platform::CurrentThreadId();
        std::string kernelName;
        if (self->m_Name.empty()) {
            kernelName = "t";
            kernelName += std::to_string(self->m_ThreadId);
        } else {
            kernelName = WideToMultiByte(self->m_Name, CP_ACP);
        }
        Platform::SetCurrentThreadName(kernelName);
        self->m_GateState = Gate::Suspended;
        self->m_Gate.notify_all();
        self->m_Gate.wait(lock, [self] { return self->m_GateState != Gate::Suspended; });
        if (self->m_GateState == Gate::Cancelled) return;
    }
    LOG(L"THREAD BEGIN");
    self->m_Callable(self->m_Context);
    LOG(L"THREAD END");
}

}  // namespace Utils
