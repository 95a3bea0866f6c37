#pragma once
// The installer's last words when it crashes: two analytics events, then the
// system's default handling ends the process.
void InstallInstallerCrashFilter();
// The filter itself (exposed for tests).
void InstallerCrashFilter();
