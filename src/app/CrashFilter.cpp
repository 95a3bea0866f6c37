#include "app/CrashFilter.h"

#include "InstallerBeacon.h"
#include "platform/CrashSignals.h"

void InstallerCrashFilter() {
    BeaconTrackTask(L"崩溃退出", 0.0f, L"", DefaultTrackExtras());
    BeaconTrackCrash();
}

void InstallInstallerCrashFilter() { Platform::InstallCrashFilter(&InstallerCrashFilter); }
