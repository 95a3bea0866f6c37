// The shadow with the GTK backend on a display without a compositor (a
// private Xvfb): translucent companions cannot be shown there, so skinned
// windows open without a shadow instead of with an opaque block around them.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"

using namespace Toolkit;

namespace {

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
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
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
    CControlUI* CreateControl(const std::wstring& className) override { return CreateSequenceControl(className); }
};

TEST(ShadowGtk, WithoutCompositorWindowsOpenWithoutShadow) {
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
}

}  // namespace
