// Attribute values: colours, rectangles, image attribute lists, faces.
#include <gtest/gtest.h>

#include "toolkit/UIAttrParse.h"
#include "toolkit/UICanvas.h"
#include "utils/Text.h"

using namespace Toolkit;

TEST(ToolkitParse, ColoursInEveryWrittenForm) {
    struct Case {
        const wchar_t* text;
        std::optional<UIColor> expected;
    } cases[] = {
        {L"#26003B76", 0x26003B76u},   {L"0xFFEDF0F4", 0xFFEDF0F4u},
        {L"0XffEDf0f4", 0xFFEDF0F4u},  {L"#00000000", 0x00000000u},
        {L"FF112233", 0xFF112233u},    {L"#112233", 0xFF112233u},  // six digits: opaque
        {L" #FF000001 ", 0xFF000001u}, {L"#FF0000", 0xFFFF0000u},
        {L"#FF00000", std::nullopt},   {L"#GG000000", std::nullopt},
        {L"", std::nullopt},           {L"red", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseColor(c.text), c.expected) << "text: " << Utils::ToUtf8(c.text);
    }
}

// One rule for every number list of a layout (the toolkit's rectangles and
// sizes, the shadow's corners and position): each number may follow blanks
// and a sign, exactly one character separates it from the next, a missing
// number is 0, and each is kept within a million. The rows below are the
// texts on which two earlier readers disagreed.
TEST(ToolkitParse, NumberListsFollowOneRule) {
    struct Case {
        const wchar_t* text;
        UIRect expected;
    } cases[] = {
        {L"1,2,3,4", {1, 2, 3, 4}},
        {L"600,400", {600, 400, 0, 0}},
        {L"-5,6", {-5, 6, 0, 0}},
        {L"1 2|3x4", {1, 2, 3, 4}},
        {L"1, 2", {1, 2, 0, 0}},    // a blank after the separator
        {L" 1,2", {1, 2, 0, 0}},    // a blank before the first number
        {L"1,,2,3", {1, 0, 2, 3}},  // an empty place is a 0, not skipped
        {L"5-3", {5, 3, 0, 0}},     // the separator is any one character
        {L"+5,+6", {5, 6, 0, 0}},
        {L"a,5", {0, 0, 5, 0}},
        {L"1;2;3;4;5", {1, 2, 3, 4}},
        {L"7", {7, 0, 0, 0}},
        {L"", {0, 0, 0, 0}},
        {L"3000000000,1", {1000000, 1, 0, 0}},
        {L"-99999999999,1", {-1000000, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseRect(c.text), c.expected) << "text: " << Utils::ToUtf8(c.text);
        int four[4] = {-1, -1, -1, -1};
        ParseInts(c.text, four, 4);
        EXPECT_EQ((UIRect{four[0], four[1], four[2], four[3]}), c.expected)
            << "text: " << Utils::ToUtf8(c.text);
    }
    EXPECT_EQ(ParseSize(L"1, 0"), (UISize{1, 0}));
    EXPECT_EQ(ParseSize(L"5"), (UISize{5, 0}));
}

TEST(ToolkitParse, SingleNumbersSaturateAndGeometryIsBounded) {
    struct Case {
        const wchar_t* text;
        int number, coordinate;
    } cases[] = {
        {L"24ms", 24, 24},
        {L"x", 0, 0},
        {L"", 0, 0},
        {L"  -7", -7, -7},
        {L"+3", 3, 3},
        {L"2147483647", INT32_MAX, 1000000},
        {L"99999999999", INT32_MAX, 1000000},
        {L"-99999999999", INT32_MIN, -1000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseInt(c.text), c.number) << "text: " << Utils::ToUtf8(c.text);
        EXPECT_EQ(ParseCoordinate(c.text), c.coordinate) << "text: " << Utils::ToUtf8(c.text);
    }
    EXPECT_TRUE(ParseBool(L"TRUE"));
    EXPECT_TRUE(ParseBool(L"true"));
    EXPECT_FALSE(ParseBool(L"yes"));
    EXPECT_FALSE(ParseBool(L"1"));
}

TEST(ToolkitParse, ImageAttributeLists) {
    TImageSpec plain = ParseImageSpec(L"res\\mainWnd\\bg1.png");
    EXPECT_EQ(plain.file, L"res\\mainWnd\\bg1.png");
    EXPECT_FALSE(plain.hasDest);
    EXPECT_EQ(plain.fade, 255);

    TImageSpec full = ParseImageSpec(
        L"file='res/a.png' dest='1,2,30,40' source='0,0,10,10' corner='4,5,6,7' mask='#FFFF00FF' "
        L"fade='128' hole='true' xtiled='true' ytiled='false'");
    EXPECT_EQ(full.file, L"res/a.png");
    EXPECT_TRUE(full.hasDest);
    EXPECT_EQ(full.dest, (UIRect{1, 2, 30, 40}));
    EXPECT_TRUE(full.hasSource);
    EXPECT_EQ(full.source, (UIRect{0, 0, 10, 10}));
    EXPECT_EQ(full.corner, (UIRect{4, 5, 6, 7}));
    EXPECT_TRUE(full.hasMask);
    EXPECT_EQ(full.mask, 0xFFFF00FFu);
    EXPECT_EQ(full.fade, 128);
    EXPECT_TRUE(full.hole);
    EXPECT_TRUE(full.xtiled);
    EXPECT_FALSE(full.ytiled);

    // Unknown keys are skipped, double quotes work, fade is clamped.
    TImageSpec odd = ParseImageSpec(L"file=\"b c.png\" colour='x' fade='999'");
    EXPECT_EQ(odd.file, L"b c.png");
    EXPECT_EQ(odd.fade, 255);
}

TEST(ToolkitParse, LayoutFacesMapToInstalledFamilies) {
    EXPECT_EQ(MapFontFace(L"微软雅黑").rfind("WenQuanYi Micro Hei", 0), 0u);
    EXPECT_EQ(MapFontFace(L"Microsoft YaHei").rfind("WenQuanYi Micro Hei", 0), 0u);
    // Unknown faces are tried first, with the CJK face behind them.
    EXPECT_EQ(MapFontFace(L"DejaVu Serif"), "DejaVu Serif, WenQuanYi Micro Hei, sans-serif");
}

TEST(ToolkitParse, ChineseTextIsMeasuredWithTheCjkFace) {
    // With a face that has the glyphs, two Han characters at 24 px are about
    // 48 px wide; boxes of a fallback font would be much narrower or missing.
    TFontInfo font{L"微软雅黑", 24, false, false, false};
    UISize size = CCanvas::MeasureText(L"漢字", font);
    EXPECT_GE(size.cx, 40);
    EXPECT_LE(size.cx, 56);
    EXPECT_GE(size.cy, 24);
    EXPECT_EQ(CCanvas::MeasureText(L"", font), (UISize{0, 0}));
}

TEST(ToolkitParse, CaretOffsetsGrowWithEveryCharacter) {
    TFontInfo font{L"微软雅黑", 12, false, false, false};
    std::wstring text = L"C:/目录\r\nx";
    std::vector<int> offsets = CCanvas::CaretOffsets(text, font);
    ASSERT_EQ(offsets.size(), text.size() + 1);
    EXPECT_EQ(offsets[0], 0);
    for (size_t i = 1; i < offsets.size(); ++i) EXPECT_GT(offsets[i], offsets[i - 1]) << i;
    // The whole line is as wide as its measured extent.
    EXPECT_NEAR(offsets[3], CCanvas::MeasureText(L"C:/", font).cx, 1);
}
