#pragma once
// The package runner: starts the downloaded product package as a hidden child
// process, reads the console protocol from its standard output and turns
// each understood line into one report (codes 2001..2004, 3000..3009).
//
// Command line, in this order: the quoted package path, " /S -console=show
// -version=1.0.0", " -adminact=", " -authorizationact=", " -dsc=", " -ssc="
// (each "true" or "false"), " -inslang=" with the quoted language when there
// is one, one blank and the extra options when there are some, " -instdir="
// and last " /D=", each with the directory quoted by the command-line rules
// so that the package gets it back exactly as one argument.
#include <string>

#include "install/ChildRunner.h"

class CInstaller : public CChildRunner {
public:
    // `packagePath` comes enclosed in double quotes, as the pipeline passes it.
    CInstaller(const StatusCallback& callback, const std::wstring& packagePath,
               const std::wstring& installDir, bool desktopShortcut = true,
               bool quickLaunchShortcut = true, bool adminAccount = false, bool elevated = false);
    ~CInstaller() override;

    // Inputs for the next start; not while a run is under way.
    void SetInstallDir(const std::wstring& dir) { m_InstallDir = dir; }
    void SetDesktopShortcut(bool on) { m_DesktopShortcut = on; }
    void SetQuickLaunchShortcut(bool on) { m_QuickLaunchShortcut = on; }
    void SetAdminAccount(bool on) { m_AdminAccount = on; }
    void SetElevated(bool on) { m_Elevated = on; }
    void SetLanguage(const std::wstring& language) { m_Language = language; }
    // Text the settings add to every package command line.
    void SetExtraOptions(const std::wstring& options) { m_ExtraOptions = options; }

    std::wstring BuildCommandLine() const override;
    using CChildRunner::Parse;

    // The worker's body: reports 2001, 2002 (0), runs the package and
    // reports what its output says; 2003 (1) when it ends without a final
    // line, 2004 (2) when it cannot be started.
    void Run() override;

private:
    // The "ExePath=" line: reported, and logged under this function's name.
    int Parse(const ConsoleProtocol::Value& exePath, int result);

    std::wstring m_PackagePath;
    std::wstring m_InstallDir;
    bool m_QuickLaunchShortcut;
    bool m_DesktopShortcut;
    bool m_AdminAccount;
    bool m_Elevated;
    std::wstring m_Language;
    std::wstring m_ExtraOptions;
};
