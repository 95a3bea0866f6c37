// The real lumora-setup with its window: under Xvfb with the GTK backend,
// against lumora-devserver and its collector, driven with xdotool as a
// person would (mouse clicks and typing), from the first page to the exit.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "install/SilentRunFixture.h"
#include "platform/MessageSocket.h"
#include "platform/RegistryStore.h"
#include "platform/Resources.h"
#include "support/DevServerProcess.h"
#include "support/TempHome.h"
#include "support/Xvfb.h"
#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"

using namespace Toolkit;
namespace fs = std::filesystem;

namespace {

std::string Home(const std::string& name) { return testsupport::CurrentTestHome() + "/" + name; }

// Where the main layout puts a control, read from the same skin package
// through the headless backend (client coordinates of the window).
class LayoutGeometry : public CSkinFrame {
public:
    LayoutGeometry() : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
    UIPoint Center(const wchar_t* name, int page) {
        auto* tab = static_cast<CTabLayoutUI*>(
            GetManager().FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
        tab->SelectItem(page, false);
        GetManager().EnsureLayout();
        const UIRect& rc = GetManager().FindControl(name)->GetPos();
        return {rc.left + rc.Width() / 2, rc.top + rc.Height() / 2};
    }
};

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};

class WindowRun : public testing::Test {
protected:
    void SetUp() override {
        if (testsupport::FindProgram("Xvfb").empty() || testsupport::FindProgram("xdotool").empty())
            GTEST_SKIP() << "Xvfb or xdotool is missing (scripts/bootstrap installs them)";
        if (::geteuid() == 0) {
            // Root installs into /opt: this test and its children get an
            // empty one of their own.
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", "/opt", "tmpfs", 0, "size=4g,mode=755") != 0)
                GTEST_SKIP() << "cannot give the test a private /opt";
            m_DefaultDir = "/opt/lumoratool";
        } else {
            m_DefaultDir = UserHome() + "/.local/opt/lumoratool";
        }
        std::string error;
        ASSERT_TRUE(m_Display.Start(&error)) << error;
        m_Display.UseForGtk();
        // GTK and fontconfig keep process-wide caches that an instrumented
        // lumora-setup would report as leaks; our own code is still checked.
        ::setenv("LSAN_OPTIONS", "print_suppressions=0:suppressions=" LUMORA_GTK_LEAK_SUPPRESSIONS,
                 1);

        const std::string packages = Home("packages");
        fs::create_directories(packages);
        const testsupport::CommandResult built = testsupport::RunCommand(
            std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + packages + "'");
        ASSERT_EQ(built.status, 0) << built.err;
        m_Events = Home("events.jsonl");
        m_Server = std::make_unique<testsupport::DevServerProcess>(
            LUMORA_DEVSERVER, packages, "--collect \"" + m_Events + "\"");

        m_Bytes = ReadBytes(LUMORA_SKIN_PACKAGE_FILE);
        ASSERT_FALSE(m_Bytes.empty());
        Platform::RegisterResource("ZIPRES", 147, m_Bytes.data(), m_Bytes.size());
        UseHeadlessBackend();
        ASSERT_NE(m_Layout.Create(0, L"geometry", 0, 0), 0u);
    }

    static std::vector<uint8_t> ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    void StartSetup() {
        ASSERT_TRUE(m_Setup.Start({LUMORA_SETUP, "-downloadurl=" + m_Server->PackageAddress(),
                                   "-beaconserverurl=" + m_Server->CollectorAddress()}));
        // The main window is the top-level window titled "Lumora".
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!FindWindow(&m_Window) && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_GT(m_Window.width, 0) << "no window titled Lumora appeared";
        EXPECT_EQ(m_Window.width, 600);
        EXPECT_EQ(m_Window.height, 400);
        // Centred on the 1024x768 screen.
        EXPECT_EQ(m_Window.x, 212);
        EXPECT_EQ(m_Window.y, 184);
        // Grouped by the desktop under its class name, with the product's icon.
        const testsupport::CommandResult props = testsupport::RunCommand(
            "xprop -id $(xdotool search --onlyvisible --name '^Lumora$' | head -n 1) WM_CLASS "
            "_NET_WM_ICON | head -c 300");
        EXPECT_NE(props.out.find("\"MainWnd\""), std::string::npos) << props.out;
        EXPECT_NE(props.out.find("_NET_WM_ICON(CARDINAL)"), std::string::npos) << props.out;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // first paint
    }

    static bool FindWindow(Geometry* g) {
        const testsupport::CommandResult r = testsupport::RunCommand(
            "xdotool search --onlyvisible --name '^Lumora$' getwindowgeometry --shell");
        if (r.status != 0) return false;
        auto value = [&](const char* key) {
            const size_t at = r.out.find(std::string(key) + "=");
            return at == std::string::npos ? 0 : std::atoi(r.out.c_str() + at + strlen(key) + 1);
        };
        g->x = value("X");
        g->y = value("Y");
        g->width = value("WIDTH");
        g->height = value("HEIGHT");
        return g->width > 0;
    }

    void Click(const wchar_t* control, int page) {
        const UIPoint p = m_Layout.Center(control, page);
        const testsupport::CommandResult r =
            testsupport::RunCommand("xdotool mousemove " + std::to_string(m_Window.x + p.x) + " " +
                                    std::to_string(m_Window.y + p.y) + " click 1");
        ASSERT_EQ(r.status, 0) << r.err;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }

    static void Xdotool(const std::string& args) {
        const testsupport::CommandResult r = testsupport::RunCommand("xdotool " + args);
        ASSERT_EQ(r.status, 0) << r.err;
    }

    // Waits until `path` exists (the test's time limit ends a wait that
    // never comes true).
    static void WaitFor(const std::string& path) {
        while (!fs::exists(path)) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    // Clicks `control` on the finished page until the program has ended.
    int FinishWith(const wchar_t* control) {
        int status = -1000;
        for (int i = 0; i < 20 && !m_Setup.Wait(0, &status); ++i) {
            Click(control, 3);
            if (m_Setup.Wait(3000, &status)) break;
        }
        return status;
    }

    std::string EventsText() { return testsupport::ReadFile(m_Events); }
    static std::string UserHome() {
        const char* home = std::getenv("HOME");
        return home ? home : Home("home");
    }
    static std::string DataHome() {
        const char* data = std::getenv("XDG_DATA_HOME");
        return data ? data : UserHome() + "/.local/share";
    }

    testsupport::VirtualDisplay m_Display;
    std::unique_ptr<testsupport::DevServerProcess> m_Server;
    testsupport::ChildProgram m_Setup;
    std::vector<uint8_t> m_Bytes;
    LayoutGeometry m_Layout;
    Geometry m_Window;
    std::string m_DefaultDir;
    std::string m_Events;
};

TEST_F(WindowRun, QuickInstallByMouse) {
    StartSetup();
    Click(L"defaultInstallBtn", 0);
    WaitFor(m_DefaultDir + "/lumoraapp.exe");
    // The records come with success, just before the finished page.
    while (!Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(FinishWith(L"openProduceBtn"), 0);

    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"),
              m_DefaultDir);
    // The sample package asks to be started at once.
    WaitFor(m_DefaultDir + "/product-started");
    // Both launchers, on the desktop and in the applications menu.
    for (const std::string& launcher :
         {UserHome() + "/Desktop/lumora.desktop", DataHome() + "/applications/lumora.desktop"}) {
        const std::string text = testsupport::ReadFile(launcher);
        EXPECT_NE(text.find("Exec=\"" + m_DefaultDir + "/lumoraapp.exe\""), std::string::npos)
            << launcher << ":\n"
            << text;
    }
    // The events reached the collector with the final flush.
    const std::string events = EventsText();
    for (const char* name : {"立即安装", "安装中", "下载器启动", "开始下载大包", "大包下载完毕",
                             "安装成功", "立即体验"})
        EXPECT_NE(events.find(std::string("\"") + name + "\""), std::string::npos) << name;
    EXPECT_NE(events.find("\"qvc_ab\":\"IN\""), std::string::npos);
}

TEST_F(WindowRun, CustomInstallByMouseAndKeyboard) {
    StartSetup();
    Click(L"customeBtn", 0);
    const std::string typed = Home("My Apps");
    Click(L"installDirEdit", 1);
    Xdotool("key ctrl+a");
    Xdotool("type --delay 15 '" + typed + "'");
    Click(L"createDSCb", 1);  // no desktop launcher
    Click(L"customeInstallBtn", 1);
    const std::string dir = typed + "/lumoratool";
    WaitFor(dir + "/lumoraapp.exe");
    while (!Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    // The finished page closes without the exit prompt.
    EXPECT_EQ(FinishWith(L"closebtn"), 0);
    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"), dir);
    EXPECT_FALSE(fs::exists(m_DefaultDir));
    // The launchers follow the two check boxes: none on the desktop, one in
    // the applications menu.
    EXPECT_FALSE(fs::exists(UserHome() + "/Desktop/lumora.desktop"));
    EXPECT_TRUE(fs::exists(DataHome() + "/applications/lumora.desktop"));

    const std::string events = EventsText();
    EXPECT_NE(events.find("\"自定义安装_立即安装\""), std::string::npos);
}

}  // namespace

namespace {

// Escape is the window's close button; the exit prompt's "是" is the second
// stop of its Tab order (after its close button), and Enter presses it.
TEST_F(WindowRun, MessageFromAnotherProcessIsReportedOnceAndTheKeyboardQuits) {
    StartSetup();
    const std::string name = "D1A547DB89C0BC61_Installer_lumoraapp";
    std::string why;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Platform::SendSocketMessage(name, 1224, &why) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(Platform::SendSocketMessage(name, 1224, &why)) << why;
    ASSERT_TRUE(Platform::SendSocketMessage(name, 1224, &why)) << why;
    // The window has them once the program has logged all three.
    const std::string log = std::string(std::getenv("XDG_STATE_HOME")) + "/lumora/lumora-setup.log";
    auto received = [&] {
        const std::string text = testsupport::ReadFile(log);
        size_t n = 0;
        for (size_t at = text.find("message 1224 from another process"); at != std::string::npos;
             at = text.find("message 1224 from another process", at + 1))
            ++n;
        return n;
    };
    const auto logged = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (received() < 3 && std::chrono::steady_clock::now() < logged)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(received(), 3u) << testsupport::ReadFile(log);
    // Keys typed on the focused window (chained after a search, xdotool would
    // send them as synthetic events, which GTK ignores).
    Xdotool("search --onlyvisible --name '^Lumora$' windowfocus --sync");
    Xdotool("key Escape");
    Xdotool("search --sync --onlyvisible --name '^消息框$' windowfocus --sync");
    Xdotool("key --delay 100 Tab Tab Return");
    int status = -1000;
    ASSERT_TRUE(m_Setup.Wait(15000, &status)) << "the exit prompt's yes did not end the program";
    EXPECT_EQ(status, 0);
    // Sent three times, reported once; the socket went with the window.
    const std::string events = EventsText();
    size_t count = 0;
    for (size_t at = events.find("\"下载器启动\""); at != std::string::npos;
         at = events.find("\"下载器启动\"", at + 1))
        ++count;
    EXPECT_EQ(count, 1u) << events;
    EXPECT_FALSE(Platform::SendSocketMessage(name, 1224, &why));
    EXPECT_FALSE(fs::exists(Platform::MessageSocket::SocketPath(name)));
}

}  // namespace

namespace {

// A stop signal while the package runs (the installing page): the run ends
// as a silent one does, the package's processes with it, and nothing is
// recorded.
TEST_F(WindowRun, AStopSignalOnTheInstallingPageEndsTheRunInOrder) {
    // A newer package that hangs once it has installed its files.
    const std::string packages = Home("packages");
    const testsupport::CommandResult built = testsupport::RunCommand(
        std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + packages + "' --version 9.0.0 --hang");
    ASSERT_EQ(built.status, 0) << built.err;
    const std::string path = built.out.substr(0, built.out.find('\n'));
    fs::last_write_time(path, fs::file_time_type::clock::now() + std::chrono::hours(1));
    const std::string marker = "LUMORA_WINDOW_STOP_TEST=" + std::to_string(::getpid());
    const installtest::KillMarkedAtEnd cleanUp(marker);
    ::setenv("LUMORA_WINDOW_STOP_TEST", std::to_string(::getpid()).c_str(), 1);
    StartSetup();
    ::unsetenv("LUMORA_WINDOW_STOP_TEST");
    Click(L"defaultInstallBtn", 0);
    while (!installtest::MarkedProcessRuns(marker, "sleep 1000000"))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::kill(m_Setup.Pid(), SIGTERM), 0);
    int status = -1000;
    ASSERT_TRUE(m_Setup.Wait(20000, &status)) << "SIGTERM did not end the window's run";
    EXPECT_EQ(status, 128 + SIGTERM);
    EXPECT_TRUE(installtest::ProcessesMarked(marker).empty()) << "a process of the run is left";
    EXPECT_FALSE(Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"));
    EXPECT_FALSE(fs::exists(m_DefaultDir + "/__Package_lumoraapp.exe"));
}

TEST(WindowRunWithoutDisplay, SaysToUseSilentAndInstallsNothing) {
    const std::string home = std::getenv("HOME");
    const testsupport::CommandResult r =
        testsupport::RunCommand(std::string("env -u DISPLAY -u WAYLAND_DISPLAY ") + LUMORA_SETUP +
                                " -downloadurl=http://127.0.0.1:9/software/595 -log=-");
    EXPECT_EQ(r.status, 9);
    size_t sentences = 0;
    for (size_t at = r.err.find("lumora-setup: "); at != std::string::npos;
         at = r.err.find("lumora-setup: ", at + 1))
        ++sentences;
    EXPECT_EQ(sentences, 1u) << r.err;
    EXPECT_NE(r.err.find("-silent=true"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_FALSE(Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"));
    EXPECT_FALSE(fs::exists(home + "/.local/opt/lumoratool"));
}

}  // namespace
