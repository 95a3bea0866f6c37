#include "app/CrashFilter.h"

#include "InstallerBeacon.h"
#include "platform/CrashSignals.h"

void InstallerCrashFilter() {
    // From here on no report sends on this thread, and the tracker's waits
    // share one budget: the events leave or are staged within it.
    BeaconPrepareForCrash(kCrashAnalyticsWait);
    BeaconTrackTask(L"崩溃退出", 0.0f, L"", DefaultTrackExtras());
    BeaconTrackCrash();
}

void InstallInstallerCrashFilter() { Platform::InstallCrashFilter(&InstallerCrashFilter); }
