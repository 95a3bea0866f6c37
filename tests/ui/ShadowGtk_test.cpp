// The shadow with the GTK backend on a private Xvfb display: without a
// compositor translucent companions cannot be shown, so skinned windows open
// without a shadow (instead of with an opaque block around them); once a
// compositor runs, the shadow is a second window around the owner that
// follows it when it moves.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "support/Xvfb.h"
#include "toolkit/Toolkit.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"

using namespace Toolkit;

namespace {

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

// Screen positions of the mapped top-level windows of `width` x `height`.
std::vector<UIPoint> WindowsOfSize(int width, int height) {
    std::vector<UIPoint> found;
    for (const testsupport::TopLevelWindow& w : testsupport::MappedTopLevelWindows()) {
        if (w.width == width && w.height == height) found.push_back({w.x, w.y});
    }
    return found;
}

class MainLayout : public CSkinFrame {
public:
    MainLayout() : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
};

TEST(ShadowGtk, ShownOnlyWhenTheScreenIsCompositedAndFollowsItsOwner) {
    if (testsupport::FindProgram("Xvfb").empty())
        GTEST_SKIP() << "Xvfb is not installed (scripts/bootstrap installs it)";
    testsupport::VirtualDisplay display;
    std::string error;
    ASSERT_TRUE(display.Start(&error)) << error;
    display.UseForGtk();

    std::ifstream in(LUMORA_TEST_SKIN_PACKAGE, std::ios::binary);
    static const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(bytes.empty());
    Platform::RegisterResource("ZIPRES", 147, bytes.data(), bytes.size());
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
    if (testsupport::FindProgram("xcompmgr").empty())
        GTEST_SKIP() << "xcompmgr is not installed (scripts/bootstrap installs it)";
    testsupport::ChildProgram compositor;
    ASSERT_TRUE(compositor.Start({"xcompmgr"}));
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
