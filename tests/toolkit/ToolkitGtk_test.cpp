// One real GTK window on a private Xvfb display: it maps, paints, and the
// screen shows its pixels.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
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
        }
        return 0;
    }
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
