#pragma once
// The installer's last words when it crashes: two analytics events, then the
// system's default handling ends the process. The filter runs on the crash
// reporter's thread (platform/CrashSignals.h); its waits for the tracker
// stay within kCrashAnalyticsWait, and the watchdog ends the process if it
// does not come back at all.
#include <chrono>

constexpr std::chrono::milliseconds kCrashAnalyticsWait{4000};

void InstallInstallerCrashFilter();
// The filter itself (exposed for tests).
void InstallerCrashFilter();
