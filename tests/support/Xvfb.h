#pragma once
// A private X display for GUI tests: Xvfb on the first free display number,
// helper programs that run for the length of a test (a compositor, xdotool),
// and what the X server can tell about the screen (a screenshot, the
// top-level windows). Tests that need a missing program skip themselves.
#include <sys/types.h>

#include <string>
#include <vector>

namespace testsupport {

// The full path of `name` on PATH, empty when it is not installed.
std::string FindProgram(const char* name);

// Xvfb with one screen; stopped (and waited for) by the destructor.
class VirtualDisplay {
public:
    VirtualDisplay() = default;
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // False with the reason when Xvfb is missing or reports no display
    // within 15 s. `screen` is Xvfb's WIDTHxHEIGHTxDEPTH.
    bool Start(std::string* error, const char* screen = "1024x768x24");
    // ":N" once started.
    const std::string& Name() const { return m_Name; }
    // Points this process (and the children it starts) at the display and
    // makes GTK use X11 there: DISPLAY set, WAYLAND_DISPLAY unset,
    // GDK_BACKEND=x11.
    void UseForGtk() const;

private:
    pid_t m_Pid = -1;
    std::string m_Name;
};

// A program started with the test's environment; the destructor ends it
// (SIGTERM, then SIGKILL after 5 s) unless it has already finished.
class ChildProgram {
public:
    ChildProgram() = default;
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    // argv[0] is looked up on PATH. False when it cannot be started.
    bool Start(const std::vector<std::string>& argv);
    // Waits up to `timeoutMs` for the program to end; true with its exit
    // status (-signal for a signal), false when it still runs.
    bool Wait(int timeoutMs, int* status);
    pid_t Pid() const { return m_Pid; }

private:
    pid_t m_Pid = -1;
};

// What `command` (run by the shell, with this process's environment) writes
// on its standard output; its exit status in `status` when given.
std::string CommandOutput(const std::string& command, int* status = nullptr);

// Writes the whole screen of `display` as a PNG (ImageMagick's import).
bool TakeScreenshot(const std::string& display, const std::string& pngPath, std::string* error);

// The X server's top-level windows (children of the root) that are mapped,
// with their screen geometry, as xwininfo reports them on DISPLAY.
struct TopLevelWindow {
    int x = 0, y = 0, width = 0, height = 0;
};
std::vector<TopLevelWindow> MappedTopLevelWindows();

}  // namespace testsupport
