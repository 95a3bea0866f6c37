// The shadow with the GTK backend on a private Xvfb display: without a
// compositor translucent companions cannot be shown, so skinned windows open
// without a shadow (instead of with an opaque block around them); once a
// compositor runs, the shadow is a second window around the owner that
// follows it when it moves.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"

using namespace Toolkit;

namespace {

// A child program for the length of the test.
class Child {
public:
    bool Start(const char* program) {
        m_Pid = fork();
        if (m_Pid == 0) {
            execlp(program, program, static_cast<char*>(nullptr));
            _exit(127);
        }
        return m_Pid > 0;
    }
    ~Child() {
        if (m_Pid > 0) {
            kill(m_Pid, SIGTERM);
            int status;
            waitpid(m_Pid, &status, 0);
        }
    }

private:
    pid_t m_Pid = -1;
};

// Lets GTK and the X server catch up.
void Pump(int rounds = 10) {
    for (int i = 0; i < rounds; ++i) {
        CMessageLoop::Instance().RunPending();
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        gdk_display_sync(gdk_display_get_default());
        usleep(10000);
    }
}

// Screen positions of the top-level windows of `width` x `height`, as the X
// server reports them.
std::vector<UIPoint> WindowsOfSize(int width, int height) {
    std::vector<UIPoint> found;
    FILE* out = popen("xwininfo -root -children 2>/dev/null", "r");
    if (!out) return found;
    static const std::regex line(R"((\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))");
    char buf[512];
    while (fgets(buf, sizeof buf, out)) {
        std::cmatch m;
        if (std::regex_search(buf, m, line) && std::stoi(m[1]) == width &&
            std::stoi(m[2]) == height)
            found.push_back({std::stoi(m[3]), std::stoi(m[4])});
    }
    pclose(out);
    return found;
}

// Xvfb on the first free display number, which it reports through -displayfd.
class VirtualDisplay {
public:
    bool Start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        m_Pid = fork();
        if (m_Pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 15000) > 0) {
            char c;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number.push_back(c);
        }
        close(fds[0]);
        m_Name = number.empty() ? "" : ":" + number;
        return !m_Name.empty();
    }
    ~VirtualDisplay() {
        if (m_Pid > 0) {
            kill(m_Pid, SIGTERM);
            int status;
            waitpid(m_Pid, &status, 0);
        }
    }
    const std::string& Name() const { return m_Name; }

private:
    pid_t m_Pid = -1;
    std::string m_Name;
};

class MainLayout : public CSkinFrame {
public:
    MainLayout() : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

TEST(ShadowGtk, ShownOnlyWhenTheScreenIsCompositedAndFollowsItsOwner) {
    if (system("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Xvfb is not installed (scripts/bootstrap installs it)";
    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "Xvfb did not start";
    setenv("DISPLAY", display.Name().c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);

    std::ifstream in(LUMORA_TEST_SKIN_PACKAGE, std::ios::binary);
    static const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(bytes.empty());
    Platform::RegisterResource("ZIPRES", 147, bytes.data(), bytes.size());
    std::string error;
    ASSERT_TRUE(UseGtkBackend(&error)) << error;
    CWndShadow::Initialize();
    EXPECT_TRUE(CWndShadow::IsAvailable());

    MainLayout window;
    ASSERT_NE(window.Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), 0u);
    ASSERT_NE(window.GetManager().GetRoot(), nullptr);
    EXPECT_EQ(window.GetManager().GetWindowAttribute(L"showshadow"), L"true");
    EXPECT_FALSE(window.GetHost()->CreateCompanionLayer()->IsSupported());
    EXPECT_FALSE(window.GetShadow().IsCreated());
    EXPECT_FALSE(window.GetShadow().IsShadowVisible());
    window.DestroyWindow();

    // With a compositor the next window gets its shadow window: the owner's
    // size grown by 6 on each side, shifted by 1,1.
    if (system("command -v xcompmgr >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xcompmgr is not installed (scripts/bootstrap installs it)";
    Child compositor;
    ASSERT_TRUE(compositor.Start("xcompmgr"));
    for (int i = 0; i < 300 && !gdk_screen_is_composited(gdk_screen_get_default()); ++i) Pump(1);
    ASSERT_TRUE(gdk_screen_is_composited(gdk_screen_get_default()))
        << "the compositor did not start";

    MainLayout shadowed;
    ASSERT_NE(shadowed.Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), 0u);
    shadowed.MoveWindow(100, 80);
    Pump();
    CWndShadow& shadow = shadowed.GetShadow();
    ASSERT_TRUE(shadow.IsCreated());
    EXPECT_TRUE(shadow.IsShadowVisible());
    const UIRect owner = shadowed.GetWindowRect();
    ASSERT_EQ(owner.Width(), 600);
    std::vector<UIPoint> at = WindowsOfSize(612, 412);
    ASSERT_EQ(at.size(), 1u) << "one shadow window of 612 x 412";
    EXPECT_EQ(at[0], (UIPoint{owner.left - 5, owner.top - 5}));

    shadowed.MoveWindow(owner.left + 40, owner.top + 30);
    Pump();
    at = WindowsOfSize(612, 412);
    ASSERT_EQ(at.size(), 1u);
    EXPECT_EQ(at[0], (UIPoint{owner.left + 35, owner.top + 25}));
    shadowed.DestroyWindow();
}

}  // namespace
