#pragma once
// The window front-end: prepares the UI toolkit with the skin package,
// creates the main window, centres it and runs its modal loop until the
// window is gone. Returns the process exit status.
class InstallerConfig;

int RunWindowFrontEnd(const InstallerConfig& config);
