#pragma once
// The previous-version uninstaller runner: starts the copy of the old
// uninstaller as a hidden child, reads its console lines to the end of its
// output and reports 5002..5005.
//
// Command line: "\"<path>\" /S -adminact=<bool> -authorizationact=<bool>
// -console=show _?=\"<home folder>\"", the folder last; both are quoted by
// the command-line rules, so each reaches the uninstaller as one argument.
// Lines understood: Progress=, Error=, State=, Encode= (UTF8, anything else
// the locale's codeset).
#include <string>

#include "install/ChildRunner.h"

class CUnInstaller : public CChildRunner {
public:
    CUnInstaller(const StatusCallback& callback, const std::wstring& uninstallerPath,
                 const std::wstring& homeFolder);
    ~CUnInstaller() override;

    // The command line with the two account facts asked anew.
    std::wstring BuildCommandLine() const override;
    // The command line for given account facts.
    std::wstring BuildCommandLine(bool adminAccount, bool elevated) const;

    // The worker's body.
    void Run() override;

private:
    std::wstring m_UninstallerPath;
    std::wstring m_HomeFolder;
};
