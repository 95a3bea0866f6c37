#include "app/InstallerMain.h"

#include <curl/curl.h>

#include "InstallerBeacon.h"
#include "app/CommandLineArgs.h"
#include "app/CrashFilter.h"
#include "app/FrontEnd.h"
#include "app/InstallerConfig.h"
#include "app/SingleInstanceMutex.h"

namespace {
// -1 as Windows returns it, which a Linux exit status shows as 255.
constexpr int kExitLockHeld = 255;
}  // namespace

int InstallerMain(const std::vector<std::wstring>& arguments) {
    InstallerConfig& config = g_InstallerConfig;  // filled before main

    InstallInstallerCrashFilter();

    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        config.m_CurlReady = false;
        // No tracker exists yet, so this report is dropped; it is kept for
        // the day the tracker starts earlier.
        BeaconTrackTask(L"libcurl初始化失败", 0.0f, L"", DefaultTrackExtras());
    }

    SingleInstanceMutex lock(L"Installer_lumoraapp");
    lock.Acquire();
    if (!lock.Held()) return kExitLockHeld;

    const bool beaconStarted = config.m_IsEnableAppBeacon;
    if (beaconStarted) BeaconStart();

    ApplyCommandLine(arguments, config);

    const int status = config.m_Silent ? RunSilentFrontEnd() : RunWindowFrontEnd();

    // The command line may have switched analytics off; a tracker that was
    // started is still stopped, so its threads end before libcurl does.
    if (config.m_IsEnableAppBeacon || beaconStarted) BeaconStop();
    curl_global_cleanup();
    lock.Release();
    return status;
}
