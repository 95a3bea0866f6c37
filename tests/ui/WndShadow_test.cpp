// The window shadow: attribute rules, the computed shadow's pixels, the
// nine-grid image form, and the shadow of a live window.
#include "ui/WndShadow.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "SkinFixture.h"
#include "support/TempHome.h"

using namespace Toolkit;

namespace {

struct AttrCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
    bool created;
    int size, sharpness, darkness, x, y;
    uint32_t color;
};

void PrintTo(const AttrCase& c, std::ostream* os) { *os << c.what; }

class ShadowAttributes : public ::testing::TestWithParam<AttrCase> {};

TEST_P(ShadowAttributes, FollowTheRules) {
    const AttrCase& c = GetParam();
    CPaintManagerUI manager;
    for (const auto& [name, value] : c.attributes) manager.SetWindowAttribute(name, value);
    CWndShadow shadow;
    EXPECT_EQ(shadow.ApplyWindowAttributes(manager), c.created) << c.what;
    const ShadowSettings& s = shadow.Settings();
    EXPECT_EQ(s.size, c.size) << c.what;
    EXPECT_EQ(s.sharpness, c.sharpness) << c.what;
    EXPECT_EQ(s.darkness, c.darkness) << c.what;
    EXPECT_EQ(s.xOffset, c.x) << c.what;
    EXPECT_EQ(s.yOffset, c.y) << c.what;
    EXPECT_EQ(s.color, c.color) << c.what;
}

// Defaults: size 0, sharpness 5, darkness 150, position 5,5, colour 0.
INSTANTIATE_TEST_SUITE_P(
    Table, ShadowAttributes,
    ::testing::Values(
        AttrCase{"shipped values",
                 {{L"showshadow", L"true"},
                  {L"shadowsize", L"6"},
                  {L"shadowsharpness", L"10"},
                  {L"shadowdarkness", L"20"},
                  {L"shadowposition", L"1,1"},
                  {L"shadowcolor", L"#26003B76"}},
                 true,
                 6,
                 10,
                 20,
                 1,
                 1,
                 0x26003B76},
        AttrCase{"TRUE in capitals creates",
                 {{L"showshadow", L"TRUE"}, {L"shadowsize", L"3"}},
                 true,
                 3,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"other values read nothing",
                 {{L"showshadow", L"yes"}, {L"shadowsize", L"3"}},
                 false,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{
            "no showshadow reads nothing", {{L"shadowdarkness", L"9"}}, false, 0, 5, 150, 5, 5, 0},
        AttrCase{"size 25 ignored",
                 {{L"showshadow", L"true"}, {L"shadowsize", L"25"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"size limits",
                 {{L"showshadow", L"true"}, {L"shadowsize", L"-20"}},
                 true,
                 -20,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"size -21 ignored",
                 {{L"showshadow", L"true"}, {L"shadowsize", L"-21"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"sharpness 21 ignored",
                 {{L"showshadow", L"true"}, {L"shadowsharpness", L"21"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"sharpness 20 kept",
                 {{L"showshadow", L"true"}, {L"shadowsharpness", L"20"}},
                 true,
                 0,
                 20,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"negative sharpness ignored",
                 {{L"showshadow", L"true"}, {L"shadowsharpness", L"-1"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"darkness 256 ignored",
                 {{L"showshadow", L"true"}, {L"shadowdarkness", L"256"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"darkness 255 kept",
                 {{L"showshadow", L"true"}, {L"shadowdarkness", L"255"}},
                 true,
                 0,
                 5,
                 255,
                 5,
                 5,
                 0},
        AttrCase{"position outside the range ignored",
                 {{L"showshadow", L"true"}, {L"shadowposition", L"21,0"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0},
        AttrCase{"negative position",
                 {{L"showshadow", L"true"}, {L"shadowposition", L"-3 4"}},
                 true,
                 0,
                 5,
                 150,
                 -3,
                 4,
                 0},
        AttrCase{"a blank after the separator",
                 {{L"showshadow", L"true"}, {L"shadowposition", L"2, 3"}},
                 true,
                 0,
                 5,
                 150,
                 2,
                 3,
                 0},
        AttrCase{"colour without #",
                 {{L"showshadow", L"true"}, {L"shadowcolor", L"FFEDF0F4"}},
                 true,
                 0,
                 5,
                 150,
                 5,
                 5,
                 0xFFEDF0F4}),
    uitest::CaseName<AttrCase>);

TEST(ShadowAttributes, MissingImageIsNotUsed) {
    CPaintManagerUI manager;
    manager.SetWindowAttribute(L"showshadow", L"true");
    manager.SetWindowAttribute(L"shadowimage", L"res\\nowhere.png");
    manager.SetWindowAttribute(L"shadowcorner", L"2,3,4,5");
    CWndShadow shadow;
    EXPECT_TRUE(shadow.ApplyWindowAttributes(manager));
    EXPECT_TRUE(shadow.Settings().image.empty());
    EXPECT_EQ(shadow.Settings().corner, (UIRect{2, 3, 4, 5}));
}

uint32_t Pixel(cairo_surface_t* s, int x, int y) {
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s) +
                                             y * cairo_image_surface_get_stride(s))[x];
}
int Alpha(cairo_surface_t* s, int x, int y) { return Pixel(s, x, y) >> 24; }

TEST(ComputedShadow, CoreDarknessFadeOverSharpnessExtentAndShift) {
    ShadowSettings s;
    s.darkness = 200;
    s.sharpness = 6;
    s.size = 12;
    s.xOffset = 3;
    s.yOffset = -2;
    s.color = 0x26FF0000;
    int dx = 0, dy = 0;
    cairo_surface_t* shot = RenderShadow(s, 100, 60, {}, &dx, &dy);
    ASSERT_NE(shot, nullptr);
    cairo_surface_flush(shot);
    EXPECT_EQ(cairo_image_surface_get_width(shot), 124);
    EXPECT_EQ(cairo_image_surface_get_height(shot), 84);
    EXPECT_EQ(dx, 3 - 12);
    EXPECT_EQ(dy, -2 - 12);
    // The window covers x 9..108 and y 14..73 of the shadow.
    const int midY = 44;
    EXPECT_EQ(Alpha(shot, 6, midY), 200);  // core, once the fade is over
    EXPECT_EQ(Alpha(shot, 8, midY), 200);
    EXPECT_LT(Alpha(shot, 0, midY), 20);  // outer edge nearly clear
    for (int x = 0; x < 6; ++x) EXPECT_LT(Alpha(shot, x, midY), Alpha(shot, x + 1, midY)) << x;
    EXPECT_EQ(Alpha(shot, 123 - 6, midY), 200);  // the right side fades the same way
    EXPECT_LT(Alpha(shot, 123, midY), 20);
    EXPECT_EQ(Alpha(shot, 60, 76), 200);  // below the window (it ends at 73)
    // The window's own area stays clear, so the shadow never tints it.
    EXPECT_EQ(Pixel(shot, 9, 14), 0u);
    EXPECT_EQ(Pixel(shot, 58, midY), 0u);
    EXPECT_EQ(Pixel(shot, 108, 73), 0u);
    EXPECT_EQ(Alpha(shot, 109, midY), 200);
    // The colour's own alpha byte does not weaken the shadow; premultiplied red.
    const uint32_t core = Pixel(shot, 6, midY);
    EXPECT_EQ((core >> 16) & 0xFF, 200u);
    EXPECT_EQ(core & 0xFFFF, 0u);
    cairo_surface_destroy(shot);
}

TEST(ComputedShadow, SharpnessZeroIsAHardEdge) {
    ShadowSettings s;
    s.darkness = 90;
    s.sharpness = 0;
    s.size = 2;
    int dx, dy;
    s.xOffset = 0;
    s.yOffset = 0;
    cairo_surface_t* shot = RenderShadow(s, 10, 10, {}, &dx, &dy);
    ASSERT_NE(shot, nullptr);
    cairo_surface_flush(shot);
    EXPECT_EQ(Alpha(shot, 0, 7), 90);
    EXPECT_EQ(Alpha(shot, 1, 7), 90);
    EXPECT_EQ(Alpha(shot, 2, 7), 0);  // the window
    EXPECT_EQ(Alpha(shot, 13, 7), 90);
    cairo_surface_destroy(shot);
}

TEST(ComputedShadow, ShrinkingBelowTheWindowLeavesNothing) {
    ShadowSettings s;
    s.size = -20;
    int dx, dy;
    EXPECT_EQ(RenderShadow(s, 30, 30, {}, &dx, &dy), nullptr);
}

class ShadowImageTest : public uitest::SkinTest {};

TEST_F(ShadowImageTest, NineGridImageCoversTheWindowPlusTheHoleOffset) {
    const std::string dir = testsupport::CurrentTestHome() + "/skin/";
    testsupport::MakeDirs(dir);
    // 9 x 9: opaque blue corners of 3 pixels around a half-transparent black.
    cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 9, 9);
    cairo_t* cr = cairo_create(img);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    for (int x : {0, 6})
        for (int y : {0, 6}) cairo_rectangle(cr, x, y, 3, 3);
    cairo_fill(cr);
    cairo_destroy(cr);
    ASSERT_EQ(cairo_surface_write_to_png(img, (dir + "shadow.png").c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(img);
    CResourceManager::Instance().SetResourcePath(std::wstring(dir.begin(), dir.end()));

    CWndShadow shadow;
    EXPECT_FALSE(shadow.SetImage(L"missing.png"));
    ASSERT_TRUE(shadow.SetImage(L"shadow.png"));
    shadow.SetShadowCorner({3, 3, 3, 3});
    shadow.SetHoleOffset({4, 4, 4, 4});
    int dx = 0, dy = 0;
    cairo_surface_t* shot = RenderShadow(shadow.Settings(), 20, 10, {}, &dx, &dy);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(shot), 28);
    EXPECT_EQ(cairo_image_surface_get_height(shot), 18);
    EXPECT_EQ(dx, -4);
    EXPECT_EQ(dy, -4);
    EXPECT_EQ(Pixel(shot, 0, 0), 0xFF0000FFu);  // corners keep their size
    EXPECT_EQ(Pixel(shot, 27, 17), 0xFF0000FFu);
    EXPECT_EQ(Pixel(shot, 2, 15), 0xFF0000FFu);
    EXPECT_NEAR(Alpha(shot, 14, 1), 128, 3);  // edges stretched
    EXPECT_NEAR(Alpha(shot, 1, 9), 128, 3);
    EXPECT_EQ(Pixel(shot, 14, 9), 0u);  // the window's area is clear
    cairo_surface_destroy(shot);
}

class LiveShadowTest : public uitest::SkinTest {};

TEST_F(LiveShadowTest, WindowShadowIsDrawnBeneathAndHidesWhenMinimised) {
    uitest::OwnerWindow window;
    ASSERT_TRUE(window.Open());
    CWndShadow& shadow = window.GetShadow();
    ASSERT_TRUE(shadow.IsCreated());
    EXPECT_EQ(shadow.Settings().size, 6);
    EXPECT_EQ(shadow.Settings().color, 0x26003B76u);
    window.ShowWindow(true);
    CMessageLoop::Instance().RunPending();
    EXPECT_TRUE(shadow.IsShadowVisible());
    EXPECT_GT(shadow.RedrawCount(), 0);

    cairo_surface_t* plain = Backend().Snapshot(window, false);
    cairo_surface_t* shot = Backend().Snapshot(window, true);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(plain), 600);
    EXPECT_GT(cairo_image_surface_get_width(shot), 600);
    // Somewhere around the window lies the translucent shadow.
    cairo_surface_flush(shot);
    int translucent = 0;
    for (int y = 0; y < cairo_image_surface_get_height(shot); ++y)
        for (int x = 0; x < cairo_image_surface_get_width(shot); ++x) {
            const int a = Alpha(shot, x, y);
            translucent += a > 0 && a < 255;
        }
    EXPECT_GT(translucent, 100);
    cairo_surface_destroy(plain);
    cairo_surface_destroy(shot);

    window.Minimize();
    CMessageLoop::Instance().RunPending();
    EXPECT_FALSE(shadow.IsShadowVisible());
    // Restored (as the desktop reports it): shown and drawn again.
    const int redraws = shadow.RedrawCount();
    window.SendMessage(WM_SIZE, SIZE_RESTORED, MakeLParam(600, 400));
    EXPECT_TRUE(shadow.IsShadowVisible());
    EXPECT_GT(shadow.RedrawCount(), redraws);
    window.DestroyWindow();
    EXPECT_FALSE(shadow.IsCreated());
}

}  // namespace
