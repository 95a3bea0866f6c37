#include "install/ChildRunner.h"

#include "platform/ChildProcess.h"
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
    m_Worker = std::make_unique<Utils::Thread>(
        this, m_ThreadName, [](void* self) { static_cast<CChildRunner*>(self)->Run(); });
    if (m_Worker->HasHandle()) m_Worker->Start();
}

void CChildRunner::Wait() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    if (m_Worker) m_Worker->Join();
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
    try {
        m_Child = std::make_unique<Utils::PipeProcess>();
        m_Child->Launch(program, m_CommandLine);
    } catch (const Utils::Exception& e) {
        LOG(L"%ls cannot be started: %ls", what, Utils::FromAnsi(e.what()).c_str());
        m_Child.reset();
        return false;
    }
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
