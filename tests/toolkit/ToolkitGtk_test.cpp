// One real GTK window on a private Xvfb display: it maps, paints, and the
// screen shows its pixels.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "support/TempHome.h"
#include "support/Xvfb.h"
#include "toolkit/Toolkit.h"
#include "utils/Text.h"

using namespace Toolkit;

namespace {

class GtkWindow : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"GtkTest"; }
    // From the folder, where names keep their letter case; images the layout
    // names in another case are missing there and draw nothing.
    std::wstring GetLayoutFile() const override { return L"mainWnd.xml"; }
    std::wstring GetResourceFolder() const override {
        return Utils::FromUtf8(TOOLKIT_TEST_DATA "/skin/");
    }
    // Timer 99 bounds the wait for the first paint.
    LResult HandleCustomMessage(uint32_t msg, WParam w, LParam, bool& handled) override {
        if (msg == WM_TIMER && w == 99) {
            timedOut = true;
            handled = true;
        } else if (msg == WM_TIMER && onTimer) {
            onTimer(w);
        }
        return 0;
    }
    std::function<void(WParam)> onTimer;
    int Paints() { return m_Manager.Stats().paints; }
    std::wstring EditText() { return m_Manager.FindControl(L"edit")->GetText(); }
    bool timedOut = false;
};

}  // namespace

TEST(ToolkitGtk, WindowMapsAndPaints) {
    if (testsupport::FindProgram("Xvfb").empty())
        GTEST_SKIP()
            << "Xvfb is not installed (scripts/bootstrap installs it); GTK smoke test skipped";
    testsupport::VirtualDisplay display;
    std::string error;
    ASSERT_TRUE(display.Start(&error)) << error;
    display.UseForGtk();
    ASSERT_TRUE(UseGtkBackend(&error)) << error;

    GtkWindow window;
    ASSERT_NE(window.Create(0, L"Lumora", 0, 0), 0u);
    window.CenterWindow();
    window.ShowWindow(true);
    CMessageLoop& loop = CMessageLoop::Instance();
    loop.SetTimer(window.GetHWND(), 99, 15000);
    loop.Run([&] { return window.Paints() == 0 && !window.timedOut; });
    ASSERT_FALSE(window.timedOut) << "the window was never painted";
    // Let the X server take the drawing before looking at the screen.
    for (int i = 0; i < 20; ++i) {
        gdk_display_flush(gdk_display_get_default());
        g_main_context_iteration(nullptr, FALSE);
        usleep(20000);
    }
    gdk_display_sync(gdk_display_get_default());

    UIRect rc = window.GetWindowRect();
    std::string shot = testsupport::CurrentTestHome() + "/screen.png";
    if (testsupport::FindProgram("import").empty()) {
        GTEST_SKIP()
            << "ImageMagick import is missing; painting was seen only by the draw callback";
    }
    ASSERT_TRUE(testsupport::TakeScreenshot(display.Name(), shot, &error)) << error;
    cairo_surface_t* screen = cairo_image_surface_create_from_png(shot.c_str());
    ASSERT_EQ(cairo_surface_status(screen), CAIRO_STATUS_SUCCESS);
    auto pixel = [&](int x, int y) {
        const unsigned char* data = cairo_image_surface_get_data(screen);
        int stride = cairo_image_surface_get_stride(screen);
        return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
    };
    // The nine-grid's centre is blue, its corner red, the page white.
    EXPECT_EQ(pixel(rc.left + 40, rc.top + 60), 0x0000FFu) << rc.left << "," << rc.top;
    EXPECT_EQ(pixel(rc.left + 11, rc.top + 41), 0xFF0000u);
    EXPECT_EQ(pixel(rc.left + 5, rc.top + 140), 0xFFFFFFu);
    cairo_surface_destroy(screen);

    // Real input: typing into the edit (10..140, 115..135), then the pointer
    // clicks the close button (175..195, 5..25).
    if (!testsupport::FindProgram("xdotool").empty()) {
        std::string type = "xdotool mousemove --sync " + std::to_string(rc.left + 60) + " " +
                           std::to_string(rc.top + 125) + " click 1 type --delay 5 'ab c'";
        ASSERT_EQ(std::system(type.c_str()), 0);
        for (int i = 0; i < 200 && window.EditText() != L"ab c"; ++i) {
            g_main_context_iteration(nullptr, FALSE);
            usleep(5000);
        }
        EXPECT_EQ(window.EditText(), L"ab c");
        std::string click = "xdotool mousemove --sync " + std::to_string(rc.left + 185) + " " +
                            std::to_string(rc.top + 15) + " click 1";
        ASSERT_EQ(std::system(click.c_str()), 0);
        loop.Run([&] { return window.IsAlive() && !window.timedOut; });
        EXPECT_FALSE(window.IsAlive()) << "the click on closebtn did not close the window";
        EXPECT_EQ(window.GetResult(), IDOK);
    }
    window.DestroyWindow();
    SetBackend(nullptr);
}

namespace {

// A private display and the GTK backend for one test (CTest runs every test
// in a process of its own, and GTK opens one display per process).
class ToolkitGtkSession : public testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "xdotool", "xprop", "xwininfo"}) {
            if (testsupport::FindProgram(tool).empty())
                GTEST_SKIP() << tool << " is not installed (scripts/bootstrap installs it)";
        }
        // The file chooser's fallback dialog is 870 x 650; the settings it
        // keeps stay in memory.
        ASSERT_TRUE(display.Start(&error, "1600x1200x24")) << error;
        display.UseForGtk();
        setenv("GSETTINGS_BACKEND", "memory", 1);
        ASSERT_TRUE(UseGtkBackend(&error)) << error;
    }
    void TearDown() override {
        if (CurrentBackend()) SetBackend(nullptr);
    }
    // Runs the loop until `done` answers true; false after 15 s.
    bool RunUntil(const std::function<bool()>& done) {
        CMessageLoop& loop = CMessageLoop::Instance();
        int64_t end = loop.NowMs() + 15000;
        loop.Run([&] { return !done() && loop.NowMs() < end; }, 15000);
        return done();
    }
    void Open(GtkWindow& w, const std::wstring& title, int x = 100, int y = 100) {
        ASSERT_NE(w.Create(0, title, 0, 0), 0u);
        w.MoveWindow(x, y);
        w.ShowWindow(true);
        ASSERT_TRUE(RunUntil([&] { return w.Paints() > 0; })) << "never painted";
        gdk_display_sync(gdk_display_get_default());
    }
    // The X window id of the top-level window named exactly `title`.
    static std::string WindowId(const std::string& title) {
        std::string out = testsupport::CommandOutput("xdotool search --name '^" + title + "$'");
        return out.substr(0, out.find('\n'));
    }
    testsupport::VirtualDisplay display;
    std::string error;
};

}  // namespace

TEST_F(ToolkitGtkSession, TheKeyboardAloneFillsTheEditAndPressesTheCloseButton) {
    GtkWindow window;
    Open(window, L"Lumora");
    // Five Tabs reach the edit (after minbtn, closebtn, stateBtn, check);
    // its text comes through the input method, Space included; three
    // Shift+Tabs go back to closebtn, and Space presses it.
    testsupport::ChildProgram keys;
    ASSERT_TRUE(keys.Start({"sh", "-c",
                            "id=$(xdotool search --name '^Lumora$' | head -1) && "
                            "xdotool windowfocus --sync $id && "
                            "xdotool key --delay 20 Tab Tab Tab Tab Tab && "
                            "xdotool type --delay 20 'ab c' && "
                            "xdotool key --delay 20 shift+Tab shift+Tab shift+Tab space"}));
    EXPECT_TRUE(RunUntil([&] { return !window.IsAlive(); }))
        << "the keys did not close the window; the edit holds \""
        << Utils::ToUtf8(window.EditText()) << "\"";
    EXPECT_EQ(window.EditText(), L"ab c");
    EXPECT_EQ(window.GetResult(), IDOK);
    int status = -1;
    EXPECT_TRUE(keys.Wait(5000, &status));
    EXPECT_EQ(status, 0);
}

TEST_F(ToolkitGtkSession, TheWindowCarriesItsTitleClassAndIcon) {
    GtkWindow window;
    Open(window, L"Lumora 安装");
    window.SetIcon(145);
    gdk_display_sync(gdk_display_get_default());
    std::string id = WindowId("Lumora 安装");
    ASSERT_FALSE(id.empty());
    std::string props = testsupport::CommandOutput("xprop -id " + id + " WM_CLASS _NET_WM_NAME") +
                        testsupport::CommandOutput("xprop -id " + id + " -len 8 _NET_WM_ICON");
    EXPECT_NE(props.find("WM_CLASS(STRING) = \"GtkTest\", \"GtkTest\""), std::string::npos)
        << props;
    EXPECT_NE(props.find("_NET_WM_NAME(UTF8_STRING) = \"Lumora 安装\""), std::string::npos)
        << props;
    // The test icon is 16 x 16.
    EXPECT_NE(props.find("Icon (16 x 16)"), std::string::npos) << props;
    window.DestroyWindow();
}

TEST_F(ToolkitGtkSession, BringingToFrontRaisesTheWindowAndGivesItTheFocus) {
    GtkWindow first, second;
    Open(first, L"First");
    Open(second, L"Second");  // mapped later, so above
    auto topmost = [&] {
        // xwininfo lists the root's children top first.
        std::string list = testsupport::CommandOutput("xwininfo -root -children");
        return list.find("\"First\"") < list.find("\"Second\"") ? "First" : "Second";
    };
    auto focused = [&] {
        return testsupport::CommandOutput("xdotool getwindowfocus getwindowname");
    };
    ASSERT_STREQ(topmost(), "Second");
    second.BringToFront();
    ASSERT_TRUE(RunUntil([&] { return focused() == "Second\n"; })) << focused();
    first.BringToFront();
    EXPECT_TRUE(RunUntil([&] { return focused() == "First\n"; })) << focused();
    EXPECT_STREQ(topmost(), "First");
    first.DestroyWindow();
    second.DestroyWindow();
}

TEST_F(ToolkitGtkSession, TheFolderChooserIsModalToItsWindowAndKeepsTheLoopRunning) {
    GtkWindow window;
    Open(window, L"Lumora");
    const std::string owner = WindowId("Lumora");
    const std::string folder = testsupport::CurrentTestHome() + "/chosen";
    testsupport::MakeDirs(folder);
    const std::string facts = testsupport::CurrentTestHome() + "/chooser.txt";
    // The chooser is found by its title; its owner and modality are read,
    // then Return takes the folder it was opened at.
    const std::string answer =
        "id=$(xdotool search --sync --name '^选择一个文件夹$' | head -1) && "
        "xprop -id $id WM_TRANSIENT_FOR _NET_WM_STATE > " +
        facts +
        " && "
        "xdotool windowfocus --sync $id && xdotool key Return";
    testsupport::ChildProgram user;
    ASSERT_TRUE(user.Start({"sh", "-c", answer}));
    CMessageLoop& loop = CMessageLoop::Instance();
    int ticks = 0;
    // A chooser nobody answers ends with its owner after about 10 s.
    window.onTimer = [&](WParam id) {
        ticks += id == 98;
        if (id == 98 && ticks == 500) window.DestroyWindow();
    };
    loop.SetTimer(window.GetHWND(), 98, 20);
    // Opened where the folder would be made: at its nearest existing parent.
    std::wstring path = Utils::FromUtf8(folder + "/lumoratool/more");
    EXPECT_TRUE(window.ChooseFolder(L"选择一个文件夹", &path));
    EXPECT_EQ(Utils::ToUtf8(path), folder);
    EXPECT_GT(ticks, 0) << "the window's timer stood still while the chooser was open";
    ticks = 0;
    EXPECT_TRUE(window.IsEnabled());
    std::string written = testsupport::ReadFile(facts);
    char hex[32];
    std::snprintf(hex, sizeof hex, "0x%lx", std::stoul(owner));
    EXPECT_NE(written.find(std::string("WM_TRANSIENT_FOR(WINDOW): window id # ") + hex),
              std::string::npos)
        << written << " owner " << hex;
    EXPECT_NE(written.find("_NET_WM_STATE_MODAL"), std::string::npos) << written;
    int status = -1;
    EXPECT_TRUE(user.Wait(5000, &status));
    EXPECT_EQ(status, 0);

    // Escape cancels, and the path stays as it was.
    testsupport::ChildProgram cancel;
    ASSERT_TRUE(cancel.Start({"sh", "-c",
                              "id=$(xdotool search --sync --name '^选择一个文件夹$' | head -1) && "
                              "xdotool windowfocus --sync $id && xdotool key Escape"}));
    EXPECT_FALSE(window.ChooseFolder(L"选择一个文件夹", &path));
    EXPECT_EQ(Utils::ToUtf8(path), folder);
    window.DestroyWindow();
}
