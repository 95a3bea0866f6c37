// Pixels of the test layout painted by the headless backend.
#include <gtest/gtest.h>

#include <cstdint>

#include "ToolkitTestSupport.h"
#include "support/TempHome.h"

using namespace Toolkit;

namespace {

class ToolkitPaint : public tktest::HeadlessTest {
protected:
    tktest::TestWindow window;
    cairo_surface_t* shot = nullptr;
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_NE(window.Create(0, L"paint", WS_VISIBLE, 0), 0u);
    }
    void TearDown() override {
        if (shot) cairo_surface_destroy(shot);
        window.DestroyWindow();
        HeadlessTest::TearDown();
    }
    uint32_t At(int x, int y) {
        if (shot) cairo_surface_destroy(shot);
        shot = backend->Snapshot(window);
        return tktest::Pixel(shot, x, y);
    }
    // Dark pixels inside a rectangle of the last snapshot.
    int DarkPixels(const UIRect& rc) {
        int n = 0;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x) n += (tktest::Pixel(shot, x, y) & 0xFF) < 0x80;
        return n;
    }
};

constexpr uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

}  // namespace

TEST_F(ToolkitPaint, NineGridKeepsCornersAndStretchesEdgesAndCentre) {
    // "nine" covers 10,40 to 70,80 in the window; corners of 10 pixels.
    struct Case {
        int x, y;
        uint32_t expected;
    } cases[] = {
        {11, 41, kRed},   {68, 41, kRed},   {11, 78, kRed},   {68, 78, kRed},    // corners
        {40, 41, kGreen}, {40, 78, kGreen}, {11, 60, kGreen}, {68, 60, kGreen},  // edges
        {40, 60, kBlue},  {21, 51, kBlue},  {58, 68, kBlue},                     // centre
        {9, 60, kWhite},  {71, 60, kWhite},                                      // outside
    };
    for (const Case& c : cases) EXPECT_EQ(At(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(ToolkitPaint, ButtonStateImagesFollowTheMouse) {
    const UIPoint centre{90, 50};
    EXPECT_EQ(At(centre.x, centre.y), 0xFF00C000u);  // normal
    backend->MouseMove(window, centre);
    EXPECT_EQ(At(centre.x, centre.y), 0xFFFFFF00u);  // hot
    backend->MouseDown(window, centre);
    EXPECT_EQ(At(centre.x, centre.y), 0xFFFF00FFu);  // pushed
    backend->MouseMove(window, {5, 140});
    EXPECT_EQ(At(centre.x, centre.y), 0xFF00C000u);  // held but outside: normal look
    backend->MouseUp(window, {5, 140});
    EXPECT_TRUE(window.notes.empty());  // released outside: no click
    window.Find<CControlUI>(L"stateBtn")->SetEnabled(false);
    EXPECT_EQ(At(centre.x, centre.y), 0xFF00C000u);  // no disabled image: the normal one
}

TEST_F(ToolkitPaint, CheckBoxAndProgressShowTheirState) {
    EXPECT_EQ(At(18, 98), 0xFF808080u);
    backend->Click(window, L"check");
    EXPECT_EQ(At(18, 98), 0xFF0080FFu);
    // Bar 40..140 at value 50 of 100: the left half is filled.
    EXPECT_EQ(At(45, 95), 0xFFFF8000u);
    EXPECT_EQ(At(88, 95), 0xFFFF8000u);
    EXPECT_EQ(At(92, 95), kWhite);
    window.Find<CProgressUI>(L"bar")->SetValue(0);
    EXPECT_EQ(At(45, 95), kWhite);
    window.Find<CProgressUI>(L"bar")->SetValue(250);
    EXPECT_EQ(At(139, 95), 0xFFFF8000u);
    // The widest range a layout can give: the middle of it fills half the bar.
    auto* bar = window.Find<CProgressUI>(L"bar");
    ASSERT_TRUE(bar->SetAttribute(L"min", L"-99999999999"));
    ASSERT_TRUE(bar->SetAttribute(L"max", L"99999999999"));
    bar->SetValue(0);
    EXPECT_EQ(At(88, 95), 0xFFFF8000u);
    EXPECT_EQ(At(92, 95), kWhite);
    bar->SetValue(INT32_MAX);
    EXPECT_EQ(At(139, 95), 0xFFFF8000u);
}

TEST_F(ToolkitPaint, MissingImagesDrawNothingAndMaskedColoursAreClear) {
    // "missing" names an image the skin lacks: the white background shows.
    At(0, 0);
    for (int y = 96; y < 130; y += 5)
        for (int x = 151; x < 190; x += 5)
            ASSERT_EQ(tktest::Pixel(shot, x, y), kWhite) << x << "," << y;
    // "keyed" (150,82 to 160,92): the left half is cyan, the magenta right half is keyed out.
    EXPECT_EQ(At(152, 86), 0xFF00FFFFu);
    EXPECT_EQ(At(157, 86), kWhite);
}

TEST_F(ToolkitPaint, TextIsDrawnWhereItsLabelIs) {
    At(0, 0);
    // "漢字" in 24-pixel bold, centred in 110,40 to 190,80.
    EXPECT_GT(DarkPixels({110, 40, 190, 80}), 100);
    EXPECT_EQ(DarkPixels({100, 40, 110, 80}), 0);
    // The caption text is white on the dark title row.
    int light = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 4; x < 80; ++x) light += (tktest::Pixel(shot, x, y) & 0xFF) > 0xC0;
    EXPECT_GT(light, 30);
    window.Find<CControlUI>(L"bigText")->SetText(L"");
    At(0, 0);
    EXPECT_EQ(DarkPixels({110, 40, 190, 80}), 0);
}

TEST_F(ToolkitPaint, PngOfTheWindowAndOfItsCompanionLayer) {
    std::string path = testsupport::CurrentTestHome() + "/window.png";
    ASSERT_TRUE(backend->WritePng(window, path));
    cairo_surface_t* png = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), 200);
    EXPECT_EQ(tktest::Pixel(png, 40, 60), kBlue);
    cairo_surface_destroy(png);

    // A companion (the shadow) 6 pixels around the window, beneath it.
    std::unique_ptr<ICompanionLayer> layer = window.GetHost()->CreateCompanionLayer();
    cairo_surface_t* shade = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 212, 162);
    cairo_t* cr = cairo_create(shade);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.5);
    cairo_paint(cr);
    cairo_destroy(cr);
    layer->Update(shade, -6, -6);
    layer->SetVisible(true);
    cairo_surface_destroy(shade);
    cairo_surface_t* both = backend->Snapshot(window, true);
    EXPECT_EQ(cairo_image_surface_get_width(both), 212);
    EXPECT_EQ(tktest::Pixel(both, 2, 2), 0x80000000u);
    EXPECT_EQ(tktest::Pixel(both, 46, 66), kBlue);  // the window on top, shifted by the margin
    cairo_surface_destroy(both);
    layer.reset();
    cairo_surface_t* after = backend->Snapshot(window, true);
    EXPECT_EQ(cairo_image_surface_get_width(after), 200);
    cairo_surface_destroy(after);
}

TEST_F(ToolkitPaint, RepaintRequestsAreRecorded) {
    At(0, 0);
    int before = backend->Records().invalidations;
    window.Find<CControlUI>(L"captionLbl")->SetText(L"new");
    EXPECT_GT(backend->Records().invalidations, before);
    before = backend->Records().invalidations;
    window.Find<CControlUI>(L"captionLbl")->SetText(L"new");  // same text
    EXPECT_EQ(backend->Records().invalidations, before);
}
