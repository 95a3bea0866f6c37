// The skinned window under a headless Weston: with XWayland the toolkit
// takes the X11 backend (placement and the shadow window work there);
// without it the window still opens natively, with no separate shadow
// window, and the program ends cleanly. The window itself is opened by
// ui_window_probe, a child program with the environment of each session.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>

#include "support/TempHome.h"
#include "support/Xvfb.h"

namespace {

// Weston with the headless backend on a socket in the test's runtime folder.
class HeadlessWeston {
public:
    bool Start(bool xwayland, std::string* error) {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        m_Log = testsupport::CurrentTestHome() + "/weston.log";
        std::vector<std::string> argv = {"weston", "--backend=headless-backend.so",
                                         "--socket=" + m_Socket, "--idle-time=0", "--log=" + m_Log};
        if (xwayland) argv.push_back("--xwayland");
        if (!m_Process.Start(argv)) return Fail(error, "weston did not start");
        // Ready once its socket exists (and, with XWayland, once it names the
        // X display); weston writes both within a second or two.
        const std::string socket = std::string(runtime) + "/" + m_Socket;
        static const std::regex display(R"(xserver listening on display (:\d+))");
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (std::chrono::steady_clock::now() < end) {
            int status;
            if (m_Process.Wait(0, &status))
                return Fail(error, "weston ended at once: " + testsupport::ReadFile(m_Log));
            if (access(socket.c_str(), F_OK) == 0) {
                if (!xwayland) return true;
                std::smatch m;
                std::string log = testsupport::ReadFile(m_Log);
                if (std::regex_search(log, m, display)) {
                    m_XDisplay = m[1];
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return Fail(error, "weston was not ready within 15 s: " + testsupport::ReadFile(m_Log));
    }
    const std::string& Socket() const { return m_Socket; }
    const std::string& XDisplay() const { return m_XDisplay; }

private:
    static bool Fail(std::string* error, const std::string& why) {
        *error = why;
        return false;
    }
    std::string m_Socket = "lumora-wayland-0";
    std::string m_Log, m_XDisplay;
    testsupport::ChildProgram m_Process;
};

struct ProbeRun {
    std::string out, err;
    int status = -1;
};

// Runs the probe with the session's variables; `gdkBackend` empty leaves
// GDK_BACKEND unset.
ProbeRun RunProbe(const std::string& wayland, const std::string& xdisplay,
                  const std::string& gdkBackend) {
    const std::string errFile = testsupport::CurrentTestHome() + "/probe.err";
    std::string cmd = "env -u DISPLAY -u GDK_BACKEND WAYLAND_DISPLAY=" + wayland;
    if (!xdisplay.empty()) cmd += " DISPLAY=" + xdisplay;
    if (!gdkBackend.empty()) cmd += " GDK_BACKEND=" + gdkBackend;
    // GLib keeps caches LeakSanitizer would report at the end.
    cmd += " ASAN_OPTIONS=detect_leaks=0 GSETTINGS_BACKEND=memory " LUMORA_WINDOW_PROBE " 2>" +
           errFile;
    ProbeRun run;
    run.out = testsupport::CommandOutput(cmd, &run.status);
    run.err = testsupport::ReadFile(errFile);
    return run;
}

// The headless compositor has no input seat, and GTK itself complains about
// that when any window maps (a plain GtkWindow does the same); every other
// warning of GTK counts.
std::string WithoutSeatlessNotice(const std::string& err) {
    static const std::regex seatless(
        R"([^\n]*gdk_seat_get_keyboard: assertion 'GDK_IS_SEAT \(seat\)' failed\n?)");
    return std::regex_replace(err, seatless, "");
}

void ExpectCleanEnd(const ProbeRun& run) {
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("\nclosed\n"), std::string::npos) << run.out;
    const std::string err = WithoutSeatlessNotice(run.err);
    EXPECT_EQ(err.find("CRITICAL"), std::string::npos) << err;
    EXPECT_EQ(err.find("WARNING"), std::string::npos) << err;
}

class WindowWayland : public testing::Test {
protected:
    void SetUp() override {
        if (testsupport::FindProgram("weston").empty())
            GTEST_SKIP() << "weston is not installed (scripts/bootstrap installs it)";
    }
};

}  // namespace

TEST_F(WindowWayland, WaylandOnlyOpensTheWindowWithoutAShadowWindow) {
    HeadlessWeston weston;
    std::string error;
    ASSERT_TRUE(weston.Start(false, &error)) << error;
    ProbeRun run = RunProbe(weston.Socket(), "", "");
    EXPECT_NE(run.out.find("backend GdkWaylandDisplay\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("toplevels 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("shadow none\n"), std::string::npos) << run.out;
    ExpectCleanEnd(run);
}

TEST_F(WindowWayland, WithXWaylandTheX11BackendIsTakenUnlessTheUserChoseOne) {
    if (testsupport::FindProgram("Xwayland").empty())
        GTEST_SKIP() << "Xwayland is not installed (scripts/bootstrap installs it)";
    HeadlessWeston weston;
    std::string error;
    ASSERT_TRUE(weston.Start(true, &error)) << error;
    ProbeRun run = RunProbe(weston.Socket(), weston.XDisplay(), "");
    EXPECT_NE(run.out.find("backend GdkX11Display\n"), std::string::npos) << run.out;
    // A shadow window, where one is shown, is the one other top-level window.
    bool shadowShown = run.out.find("shadow shown\n") != std::string::npos;
    EXPECT_NE(run.out.find(shadowShown ? "toplevels 2\n" : "toplevels 1\n"), std::string::npos)
        << run.out;
    ExpectCleanEnd(run);

    ProbeRun chosen = RunProbe(weston.Socket(), weston.XDisplay(), "wayland");
    EXPECT_NE(chosen.out.find("backend GdkWaylandDisplay\n"), std::string::npos) << chosen.out;
    EXPECT_NE(chosen.out.find("shadow none\n"), std::string::npos) << chosen.out;
    ExpectCleanEnd(chosen);
}
