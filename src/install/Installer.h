#pragma once
// The package runner: starts the downloaded product package as a hidden child
// process, reads the console protocol from its standard output and turns
// each understood line into one report (codes 2001..2004, 3000..3009).
//
// Command line, in this order: the quoted package path, " /S -console=show
// -version=1.0.0", " -adminact=", " -authorizationact=", " -dsc=", " -ssc="
// (each "true" or "false"), " -inslang=" with the quoted language when there
// is one, one blank and the configured extra text when there is some,
// " -instdir=" with the directory quoted so that the package gets it back
// exactly, and last " /D=" with the directory as it stands.
#include <memory>
#include <mutex>
#include <string>

#include "install/ConsoleProtocol.h"
#include "utils/StatusCallback.h"

namespace Utils {
class Thread;
class PipeProcess;
}  // namespace Utils

class CInstaller {
public:
    // `packagePath` comes enclosed in double quotes, as the pipeline passes it.
    CInstaller(const StatusCallback& callback, const std::wstring& packagePath,
               const std::wstring& installDir, bool desktopShortcut = true,
               bool quickLaunchShortcut = true, bool adminAccount = false, bool elevated = false);
    // Waits for a running worker; never ends the child.
    virtual ~CInstaller();
    CInstaller(const CInstaller&) = delete;
    CInstaller& operator=(const CInstaller&) = delete;

    // Inputs for the next start; not while a run is under way.
    void SetInstallDir(const std::wstring& dir) { m_InstallDir = dir; }
    void SetDesktopShortcut(bool on) { m_DesktopShortcut = on; }
    void SetQuickLaunchShortcut(bool on) { m_QuickLaunchShortcut = on; }
    void SetAdminAccount(bool on) { m_AdminAccount = on; }
    void SetElevated(bool on) { m_Elevated = on; }
    void SetLanguage(const std::wstring& language) { m_Language = language; }

    // Waits for a previous worker to end, builds the command line and starts
    // a new worker ("ABDEF") that runs the package. Returns at once. Any
    // thread but the worker's own.
    void Start();
    std::wstring BuildCommandLine() const;

    // Handles the lines of `text` (split at LF; text after the last LF is a
    // line too). 0 when no final line was seen, 1 when the last final line
    // was a success, 1000 when it was a failure. Reports as it goes.
    int Parse(const std::wstring& text);

    const std::wstring& CommandLine() const { return m_CommandLine; }
    int CodePage() const { return m_CodePage; }

    // Waits until the current run's worker has ended. Not on that worker.
    void Wait();

    // The worker's body: reports 2001, 2002 (0), runs the package and
    // reports what its output says; 2003 (1) when it ends without a final
    // line, 2004 (2) when it cannot be started.
    void Run();

private:
    int Parse(const Console::Line& line, int result);
    void Report(int code, double value, const std::wstring& text = std::wstring());

    StatusCallback m_Callback;
    std::wstring m_PackagePath;
    std::wstring m_InstallDir;
    std::wstring m_CommandLine;
    bool m_QuickLaunchShortcut;
    bool m_DesktopShortcut;
    int m_CodePage = 0;
    std::mutex m_WorkerLock;  // Start and Wait may come from different threads
    std::unique_ptr<Utils::Thread> m_Worker;
    std::unique_ptr<Utils::PipeProcess> m_Child;
    bool m_AdminAccount;
    bool m_Elevated;
    std::wstring m_Language;
};
