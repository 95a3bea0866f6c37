#pragma once
// The previous-version uninstaller runner: starts the copy of the old
// uninstaller as a hidden child, reads its console lines to the end of its
// output and reports 5002..5005.
//
// Command line: "<path> /S -adminact=<bool> -authorizationact=<bool>
// -console=show _?=<home folder>", the path and the folder unquoted, the
// folder last. Lines understood: Progress=, Error=, State=, Encode= (UTF8,
// anything else the locale's codeset).
#include <memory>
#include <mutex>
#include <string>

#include "install/ConsoleProtocol.h"
#include "utils/StatusCallback.h"

namespace Utils {
class Thread;
class PipeProcess;
}  // namespace Utils

class CUnInstaller {
public:
    CUnInstaller(const StatusCallback& callback, const std::wstring& uninstallerPath,
                 const std::wstring& homeFolder);
    // Waits for the worker; never ends the child.
    virtual ~CUnInstaller();
    CUnInstaller(const CUnInstaller&) = delete;
    CUnInstaller& operator=(const CUnInstaller&) = delete;

    // Builds the command line (the two account facts are asked anew) and
    // starts the worker "UnInstaller". Returns at once.
    void Start();
    std::wstring BuildCommandLine() const;
    // The command line for given account facts.
    std::wstring BuildCommandLine(bool adminAccount, bool elevated) const;

    // 0 when no final line was seen in `text`, 1 or 1000 when one was (the
    // last decides). Reports as it goes.
    int Parse(const std::wstring& text);

    const std::wstring& CommandLine() const { return m_CommandLine; }
    int CodePage() const { return m_CodePage; }

    // Waits until the current run's worker has ended. Not on that worker.
    void Wait();

    // The worker's body.
    void Run();

private:
    int Parse(const Console::Line& line, int result);
    void Report(int code, double value, const std::wstring& text = std::wstring());

    StatusCallback m_Callback;
    std::wstring m_CommandLine;
    std::wstring m_UninstallerPath;
    std::wstring m_HomeFolder;
    int m_CodePage = 0;
    std::mutex m_WorkerLock;  // Start and Wait may come from different threads
    std::unique_ptr<Utils::Thread> m_Worker;
    std::unique_ptr<Utils::PipeProcess> m_Child;
};
