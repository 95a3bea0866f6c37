#pragma once
// The window front-end: prepares the UI toolkit (GTK, the skin package, the
// shadow support), creates the main window "Lumora" (class "MainWnd"),
// centres it on the work area of the monitor under it and runs its modal
// loop until the window is gone. Meanwhile message 1224 (the downloader
// started) from other processes of the user reaches the window through the
// socket named after the single-instance lock (platform/MessageSocket.h).
// The window object outlives its loop: the entry point stops the tracker and
// cleans up libcurl first, then destroys it (its pipeline goes with it), then
// releases the lock. UI thread only.
#include <memory>

#include "platform/MessageSocket.h"

class CMainWnd;
class InstallerConfig;

// Without a display: one sentence on standard error naming -silent=true.
constexpr int kExitNoDisplay = 9;

class WindowFrontEnd {
public:
    WindowFrontEnd();
    ~WindowFrontEnd();
    WindowFrontEnd(const WindowFrontEnd&) = delete;
    WindowFrontEnd& operator=(const WindowFrontEnd&) = delete;

    // Returns the exit status: 0 once the window has closed by any path,
    // kExitNoDisplay when no display can be opened. A layout that cannot be
    // loaded ends the process with status 1 (the toolkit's rule).
    int Run(const InstallerConfig& config);
    // Destroys the window object; nothing happens when there is none.
    void DestroyWindowObject();

private:
    std::unique_ptr<CMainWnd> m_Window;
    // Message 1224 from other processes, while the window runs.
    Platform::MessageSocket m_Messages;
};
