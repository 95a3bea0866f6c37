#pragma once
// What the package runner and the uninstaller runner share: each run is one
// worker thread that starts a hidden child with three pipes, reads the
// child's console protocol line by line through the runner's key table, and
// reports what the lines mean through the runner's callback.
//
// Threads: Start, Wait and Stop come from the owner's threads (never from
// the worker itself); the key table's handlers and every report run on the
// worker. The destructor waits for a running worker; only Stop ends the
// child.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "install/ConsoleProtocol.h"
#include "utils/StatusCallback.h"

namespace Utils {
class Thread;
class PipeProcess;
}  // namespace Utils

class CChildRunner {
public:
    virtual ~CChildRunner();
    CChildRunner(const CChildRunner&) = delete;
    CChildRunner& operator=(const CChildRunner&) = delete;

    // Waits for a previous worker to end, builds the command line and starts
    // a new worker that runs Run(). Returns at once.
    void Start();
    // Waits until the current run's worker has ended.
    void Wait();
    // The run is interrupted: the child's process group gets SIGTERM, and
    // SIGKILL when anything of it is still there after `grace`; a child not
    // yet started is never started. Returns once the worker has ended (it
    // reports the child's end as usual). The runner starts no child any
    // more afterwards.
    void Stop(std::chrono::milliseconds grace);
    // A run is under way (started and its worker not yet done).
    bool Running();

    // Handles the lines of `text` (split at LF; text after the last LF is a
    // line too) through the key table, reporting as it goes. 0 when no final
    // line was seen, else the last final line's result (1 or 1000).
    int Parse(const std::wstring& text);

    virtual std::wstring BuildCommandLine() const = 0;
    const std::wstring& CommandLine() const { return m_CommandLine; }
    // The code page the child's lines are decoded with ("Encode=").
    int CodePage() const { return m_CodePage; }

    // The worker's body.
    virtual void Run() = 0;

protected:
    CChildRunner(const StatusCallback& callback, std::wstring threadName);

    void Report(int code, double value, const std::wstring& text = std::wstring());
    // Waits for the worker and lets it go; the derived destructors call it
    // first, since the worker uses their members.
    void JoinWorker();

    // Gives `program` its execute bit (a downloaded or copied file has none)
    // and starts it with the command line. False, logged with `what`, when
    // it cannot be started, when the run was stopped, and when the file is
    // not private (Platform::IsPrivateFile): someone else could have
    // replaced it.
    bool LaunchChild(const std::wstring& program, const wchar_t* what);
    // Reads the child's lines through the key table until its output ends,
    // or, with `stopAtFinal`, until a read brought a final line (every line
    // of that read still counts). Returns the last final result, 0 if none.
    int ReadChild(bool stopAtFinal);
    // Waits for the child to end and lets it go. True when a signal ended it
    // (it crashed or was killed).
    bool EndChild(const wchar_t* what);

    ConsoleProtocol::KeyTable m_Keys;
    int m_CodePage = 0;

private:
    StatusCallback m_Callback;
    const std::wstring m_ThreadName;
    std::wstring m_CommandLine;
    std::mutex m_WorkerLock;  // Start and Wait may come from different threads
    std::unique_ptr<Utils::Thread> m_Worker;
    std::unique_ptr<Utils::PipeProcess> m_Child;
    // What Stop needs from another thread: the child's process group (kept
    // until the run ends, so that what the child left in it is ended too)
    // and whether a run is under way.
    std::mutex m_StopLock;
    std::condition_variable m_RunEnded;
    int m_ChildGroup = -1;
    bool m_StopRequested = false;
    bool m_Running = false;
};
