// A program that starts the installer's tracker, reports an event and then
// crashes, so a test can see what the crash path keeps. Usage:
//   tracker_crash_helper -beaconserverurl=URL abort|segv
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "InstallerBeacon.h"
#include "app/CrashFilter.h"
#include "app/InstallerConfig.h"
#include "app/InstallerMain.h"
#include "utils/Text.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_InstallerConfig.m_IsEnableAppBeacon = true;
    InstallInstallerCrashFilter();
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Utils::FromAnsi(argv[i]));
    BeaconStart(InstallerBeaconIdentity(g_InstallerConfig, arguments));
    BeaconTrackTask(L"下载器启动", 0.0f, L"", DefaultTrackExtras());
    if (std::strcmp(argv[2], "segv") == 0) {
        std::raise(SIGSEGV);
    }
    std::abort();
}
