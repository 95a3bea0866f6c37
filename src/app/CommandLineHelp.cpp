#include "app/CommandLineHelp.h"

#ifndef LUMORA_VERSION
#error "LUMORA_VERSION comes from the project version in CMakeLists.txt"
#endif

std::optional<std::string> InformationRequestAnswer(const std::vector<std::wstring>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& a = arguments[i];
        if (a == L"--help" || a == L"-h" || a == L"-?") return UsageText();
        if (a == L"--version") return VersionText() + "\n";
    }
    return std::nullopt;
}

std::string VersionText() { return std::string("lumora-setup ") + LUMORA_VERSION; }

std::string UsageText() {
    return R"(Usage: lumora-setup [-name=value ...]
       lumora-setup --help | -h | -? | --version
Installs Lumora: downloads its package, removes an older copy and runs the
package. Without -silent=true the installer window leads the way.

Options (case-sensitive; the first of a name wins; others are ignored):
  -downloadurl=URL         package address (${ROUTE} becomes download_silent)
  -downloadtype=N          1 one connection (default), 2 system, 3 two ranges
  -downloadscale=X         share of the progress bar for the download (0.7)
  -ischecknet=true         check the network before installing
  -isenableappbeacon=BOOL  send usage events (true) or not
  -dlappnamesuffix=TEXT    suffix of the analytics application id
  -dlappversion=TEXT       download-app version for analytics
  -instcmd=TEXT            extra options for the package's command line
  -language=N              interface language index (-1: the system's)
  -insnew=true             install even when Lumora is present or running
  -beaconserverurl=URL     analytics collector address (empty: none)
  -silent=true             install without a window, progress on the terminal
  -installdir=DIR          silent runs: install into DIR/lumoratool
  -norun=true              silent runs: do not start Lumora afterwards
  -log=FILE                append the diagnostic log to FILE; - for stderr
  --help, -h, -?           show this text
  --version                show the version

Exit status:
  0    installed, or the window was closed
  1    the window's layout cannot be loaded, or the window cannot be made
  2    the download failed
  3    the package failed
  4    the previous version could not be removed
  5    the install directory cannot be created
  6    less than 1 GiB free there
  7    the network check failed
  8    Lumora or its uninstaller is running
  9    no display for the window (-silent=true needs none)
  255  another lumora-setup of this user is running

Log: ${XDG_STATE_HOME:-~/.local/state}/lumora/lumora-setup.log (previous run:
lumora-setup.1.log); LUMORA_LOG=stderr keeps it on standard error.
See lumora-setup(1).
)";
}
