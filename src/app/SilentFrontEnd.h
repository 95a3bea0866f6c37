#pragma once
// The silent front-end (-silent=true): the installation without a window,
// with progress on standard output and one sentence on standard error for a
// failure. Returns the process exit status.
class InstallerConfig;

int RunSilentFrontEnd(const InstallerConfig& config);
