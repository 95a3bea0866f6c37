// The screen size comes from the display when there is one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "TrackerSystem.h"

namespace {

// An Xvfb server of the test's own on a free display number.
class VirtualDisplay {
public:
    explicit VirtualDisplay(const char* geometry) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        m_Pid = ::fork();
        if (m_Pid == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry,
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (!number.empty()) m_Display = ":" + number;
    }
    ~VirtualDisplay() {
        if (m_Pid > 0) {
            ::kill(m_Pid, SIGTERM);
            ::waitpid(m_Pid, nullptr, 0);
        }
    }
    const std::string& Name() const { return m_Display; }

private:
    pid_t m_Pid = -1;
    std::string m_Display;
};

TEST(ScreenSize, ZeroWithoutADisplay) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    int w = -1, h = -1;
    tamik::beacon::sys::ScreenSize(&w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST(ScreenSize, ZeroWhenTheDisplayCannotBeOpened) {
    setenv("DISPLAY", ":9999", 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    int w = -1, h = -1;
    tamik::beacon::sys::ScreenSize(&w, &h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

TEST(ScreenSize, FromTheDisplay) {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    VirtualDisplay display("1280x720x24");
    ASSERT_FALSE(display.Name().empty());
    setenv("DISPLAY", display.Name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
    int w = 0, h = 0;
    tamik::beacon::sys::ScreenSize(&w, &h);
    EXPECT_EQ(w, 1280);
    EXPECT_EQ(h, 720);
}

}  // namespace
