#include "app/InstallerMain.h"

#include <curl/curl.h>

#include "InstallerBeacon.h"
#include "app/CommandLineArgs.h"
#include "app/CrashFilter.h"
#include "app/InstallerConfig.h"
#include "app/SilentFrontEnd.h"
#include "app/SingleInstanceMutex.h"
#include "app/WindowFrontEnd.h"
#include "platform/StopSignals.h"
#include "utils/CurlUsers.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace {
// -1 as Windows returns it, which a Linux exit status shows as 255.
constexpr int kExitLockHeld = 255;
// How long shut-down waits for the last users of libcurl (a tracker's final
// flush on another thread, segment threads of a released download).
constexpr std::chrono::milliseconds kLibcurlUsersWait{10000};
}  // namespace

bool CleanUpLibcurl(std::chrono::milliseconds limit, void (*cleanup)()) {
    if (!Utils::WaitForNoCurlUsers(limit)) {
        // Cleaning up under a running transfer is undefined; the process
        // ends soon anyway.
        LOG(L"libcurl left initialised: %d users still running", Utils::CurlUserCount());
        return false;
    }
    if (cleanup)
        cleanup();
    else
        curl_global_cleanup();
    return true;
}

BeaconIdentity InstallerBeaconIdentity(const InstallerConfig& config,
                                       const std::vector<std::wstring>& arguments) {
    BeaconIdentity id;
    id.appName = config.m_AppName;
    id.appNameSuffix = config.m_DlAppNameSuffix;
    id.appVersion = config.m_AppVersion;
    id.installerFileName = config.m_InstallerFileName;
    id.dlAppVersion = config.m_DlAppVersion;
    // The tracker starts before the command line is applied, yet the
    // collector address must follow the usual layers (the option over the
    // file), or the option could never take effect: it is read here by the
    // same rules.
    const CommandLineArgs cl(arguments);
    id.serverUrl =
        cl.Has(L"-beaconserverurl") ? cl.GetString(L"-beaconserverurl") : config.m_BeaconServerUrl;
    return id;
}

int InstallerMain(const std::vector<std::wstring>& arguments) {
    InstallerConfig& config = g_InstallerConfig;  // filled before main

    InstallInstallerCrashFilter();
    // SIGINT, SIGTERM and SIGHUP end a run in order once a front-end
    // listens (platform/StopSignals.h).
    std::string why;
    if (!Platform::InstallStopSignals(&why))
        LOG(L"stop signals: %ls", Utils::FromAnsi(why).c_str());

    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        config.m_CurlReady = false;
        // No tracker exists yet, so this report is dropped; it is kept for
        // the day the tracker starts earlier.
        BeaconTrackTask(L"libcurl初始化失败", 0.0f, L"", DefaultTrackExtras());
    }

    SingleInstanceMutex lock(kInstallerLockName);
    lock.Acquire();
    if (!lock.Held()) return kExitLockHeld;

    const bool beaconStarted = config.m_IsEnableAppBeacon;
    if (beaconStarted) BeaconStart(InstallerBeaconIdentity(config, arguments));

    ApplyCommandLine(arguments, config);
    // Switched off by the command line, a started tracker sends nothing more.
    BeaconSetEnabled(config.m_IsEnableAppBeacon);

    // The main window object outlives its loop until after libcurl's cleanup.
    WindowFrontEnd window;
    const int status = config.m_Silent ? RunSilentFrontEnd(config) : window.Run(config);

    // An interrupted run keeps its events for the next run instead of
    // waiting for the network now.
    if (Platform::StopSignalReceived() != 0) BeaconSetEnabled(false);
    // The command line may have switched analytics off; a tracker that was
    // started is still stopped, so its threads end before libcurl does.
    if (config.m_IsEnableAppBeacon || beaconStarted) BeaconStop();
    CleanUpLibcurl(kLibcurlUsersWait);
    window.DestroyWindowObject();
    lock.Release();
    return status;
}
