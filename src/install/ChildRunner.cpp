#include "install/ChildRunner.h"

#include <thread>

#include "platform/ChildProcess.h"
#include "platform/SafeFolder.h"
#include "utils/Log.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"
#include "utils/Thread.h"

CChildRunner::CChildRunner(const StatusCallback& callback, std::wstring threadName)
    : m_Callback(callback), m_ThreadName(std::move(threadName)) {}

CChildRunner::~CChildRunner() { JoinWorker(); }

void CChildRunner::JoinWorker() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    m_Worker.reset();
}

void CChildRunner::Start() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    // The previous run reads the command line until it ends.
    m_Worker.reset();
    m_CommandLine = BuildCommandLine();
    {
        std::lock_guard<std::mutex> stop(m_StopLock);
        m_Running = true;
    }
    m_Worker = std::make_unique<Utils::Thread>(this, m_ThreadName, [](void* context) {
        auto* self = static_cast<CChildRunner*>(context);
        self->Run();
        std::lock_guard<std::mutex> stop(self->m_StopLock);
        self->m_ChildGroup = -1;
        self->m_Running = false;
        self->m_RunEnded.notify_all();
    });
    if (m_Worker->HasHandle()) {
        m_Worker->Start();
    } else {
        std::lock_guard<std::mutex> stop(m_StopLock);
        m_Running = false;
    }
}

void CChildRunner::Wait() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    if (m_Worker) m_Worker->Join();
}

bool CChildRunner::Running() {
    std::lock_guard<std::mutex> stop(m_StopLock);
    return m_Running;
}

void CChildRunner::Stop(std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int group = -1;
    {
        std::lock_guard<std::mutex> stop(m_StopLock);
        m_StopRequested = true;
        group = m_ChildGroup;
    }
    if (group > 0) {
        LOG(L"stopping process group %d", group);
        Platform::TerminateProcessGroup(group);
        // The worker ends with the child; what else of the group got the
        // signal has the same time to go.
        std::unique_lock<std::mutex> stop(m_StopLock);
        m_RunEnded.wait_until(stop, deadline, [this] { return !m_Running; });
        stop.unlock();
        while (Platform::ProcessGroupExists(group) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (Platform::KillProcessGroup(group))
            LOG(L"process group %d still there after the grace: killed", group);
    }
    Wait();
}

void CChildRunner::Report(int code, double value, const std::wstring& text) {
    if (m_Callback) m_Callback(code, value, text);
}

int CChildRunner::Parse(const std::wstring& text) {
    return ConsoleProtocol::ParseText(text, [this](const ConsoleProtocol::Line& line, int result) {
        return ConsoleProtocol::Dispatch(line, m_Keys, result);
    });
}

bool CChildRunner::LaunchChild(const std::wstring& program, const wchar_t* what) {
    std::string why;
    if (!Platform::MakeExecutable(Utils::ToAnsi(program), &why))
        LOG(L"%ls not made executable: %ls", what, Utils::FromAnsi(why).c_str());
    // Checked again right before the start: nobody else may have been able
    // to swap the file since it was written and checked.
    if (!Platform::IsPrivateFile(Utils::ToAnsi(program), &why)) {
        LOG(L"%ls not started, it is not in a safe place: %ls", what, Utils::FromAnsi(why).c_str());
        return false;
    }
    // Under the stop lock, so that a Stop either sees the child's group or
    // keeps the child from starting.
    std::lock_guard<std::mutex> stop(m_StopLock);
    if (m_StopRequested) {
        LOG(L"%ls not started: the run was interrupted", what);
        return false;
    }
    try {
        m_Child = std::make_unique<Utils::PipeProcess>();
        m_Child->Launch(program, m_CommandLine);
    } catch (const Utils::Exception& e) {
        LOG(L"%ls cannot be started: %ls", what, Utils::FromAnsi(e.what()).c_str());
        m_Child.reset();
        return false;
    }
    m_ChildGroup = m_Child->ProcessId();
    return true;
}

int CChildRunner::ReadChild(bool stopAtFinal) {
    int result = 0;
    const int dropped = ConsoleProtocol::ReadChildLines(
        *m_Child, m_CodePage,
        [&](const ConsoleProtocol::Line& line) {
            result = ConsoleProtocol::Dispatch(line, m_Keys, result);
        },
        [&] { return stopAtFinal && result != 0; });
    if (dropped > 0) LOG(L"child wrote %d overlong lines", dropped);
    return result;
}

bool CChildRunner::EndChild(const wchar_t* what) {
    // Output after a final line is drained unread, so a child that goes on
    // writing cannot block for ever.
    const int exitCode = m_Child->WaitForEnd();
    const int endSignal = m_Child->EndSignal();
    LOG(L"%ls ended, exit code %d, %llu bytes on standard error", what, exitCode,
        static_cast<unsigned long long>(m_Child->ErrorBytes()));
    m_Child.reset();
    return endSignal != 0;
}
