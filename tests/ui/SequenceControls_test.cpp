// The frame-sequence controls: attribute rules, the tick algorithm, and the
// timer 2100 of a control that lives in a window.
#include "ui/SequenceControls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SkinFixture.h"

using namespace Toolkit;

namespace {

struct TickCase {
    const char* what;
    std::vector<std::pair<const wchar_t*, const wchar_t*>> attributes;
    std::vector<int> frames;  // shown frame per tick, -1 = nothing shown (run ended)
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.what; }

class SequenceTick : public ::testing::TestWithParam<TickCase> {};

TEST_P(SequenceTick, ShowsFramesInOrder) {
    const TickCase& c = GetParam();
    CSequenceLabelUI label;
    label.SetAttribute(L"sequencebkimage", L"f%d.png");
    for (const auto& [name, value] : c.attributes) label.SetAttribute(name, value);
    std::vector<int> shown;
    for (size_t i = 0; i < c.frames.size(); ++i) shown.push_back(label.Tick());
    EXPECT_EQ(shown, c.frames) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SequenceTick,
    ::testing::Values(
        TickCase{"forward loop", {{L"sequencecount", L"3"}}, {0, 1, 2, 0, 1, 2, 0}},
        TickCase{"round trip",
                 {{L"sequencecount", L"4"}, {L"sequenceround", L"true"}},
                 {0, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2}},
        TickCase{"no loop stops after the last frame",
                 {{L"sequencecount", L"3"}, {L"sequenceloop", L"false"}},
                 {0, 1, 2, -1}},
        TickCase{"round trip without loop stops on frame 1 coming back",
                 {{L"sequencecount", L"4"}, {L"sequenceround", L"1"}, {L"sequenceloop", L"false"}},
                 {0, 1, 2, 3, 2, 1, -1}},
        TickCase{
            "frame count 0 shows frame 0 on every tick", {{L"sequencecount", L"0"}}, {0, 0, 0, 0}},
        TickCase{"no count attribute is a count of 0", {}, {0, 0, 0}},
        TickCase{"False with a capital letter still loops",
                 {{L"sequencecount", L"2"}, {L"sequenceloop", L"False"}},
                 {0, 1, 0, 1, 0}},
        TickCase{"attribute names other than the pattern ignore case",
                 {{L"SequenceCount", L"2"}, {L"SEQUENCELOOP", L"false"}},
                 {0, 1, -1}},
        TickCase{"a round trip over one frame stays on frame 0",
                 {{L"sequencecount", L"1"}, {L"sequenceround", L"true"}},
                 {0, 0, 0, 0}},
        TickCase{"count read from leading digits", {{L"sequencecount", L"3frames"}}, {0, 1, 2, 0}}),
    uitest::CaseName<TickCase>);

TEST(SequenceControl, PatternNameIsComparedExactly) {
    CSequenceLabelUI label;
    label.SetAttribute(L"SequenceBkImage", L"f%d.png");
    label.SetAttribute(L"sequencecount", L"2");
    EXPECT_TRUE(label.GetSequenceImage().empty());
    EXPECT_EQ(label.Tick(), -1);  // no pattern, nothing to show
    EXPECT_TRUE(label.GetBkImage().empty());
}

TEST(SequenceControl, FrameBecomesTheBackgroundImage) {
    CSequenceLabelUI label;
    label.SetAttribute(L"sequencebkimage", L"res\\mainWnd\\installBtnAnimate\\%.3d.png");
    label.SetAttribute(L"sequencecount", L"25");
    for (int i = 0; i < 8; ++i) label.Tick();
    EXPECT_EQ(label.GetBkImage(), L"res\\mainWnd\\installBtnAnimate\\007.png");
}

TEST(SequenceControl, StartRestartsFromFrameZero) {
    CSequenceLabelUI label;
    label.SetAttribute(L"sequencebkimage", L"f%d.png");
    label.SetAttribute(L"sequencecount", L"5");
    label.Tick();
    label.Tick();
    EXPECT_EQ(label.Tick(), 2);
    label.Start();
    EXPECT_EQ(label.Tick(), 0);
}

TEST(SequenceControl, ClassNamesAndInterfaces) {
    CSequenceLabelUI label;
    CSequenceButtonUI button;
    EXPECT_EQ(label.GetClass(), L"SequenceLabel");
    EXPECT_EQ(button.GetClass(), L"SequenceButton");
    EXPECT_EQ(label.GetInterface(L"SequenceLabel"), static_cast<void*>(&label));
    EXPECT_NE(label.GetInterface(L"Label"), nullptr);
    EXPECT_EQ(label.GetInterface(L"SequenceButton"), nullptr);
    EXPECT_NE(button.GetInterface(L"Button"), nullptr);

    std::unique_ptr<CControlUI> made(CreateSequenceControl(L"sequencelabel"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetClass(), L"SequenceLabel");
    made.reset(CreateSequenceControl(L"SEQUENCEBUTTON"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetClass(), L"SequenceButton");
    EXPECT_EQ(CreateSequenceControl(L"Label"), nullptr);
}

TEST(SequenceControl, OtherAttributesReachTheBase) {
    CSequenceButtonUI button;
    EXPECT_TRUE(button.SetAttribute(L"text", L"安装"));
    EXPECT_EQ(button.GetText(), L"安装");
    EXPECT_TRUE(button.SetAttribute(L"sequencespan", L"24"));
    EXPECT_EQ(button.GetSpan(), 24);
}

struct FormatCase {
    const wchar_t* pattern;
    int frame;
    bool ok;
    const wchar_t* expected;
};

TEST(SequenceControl, PatternFormattingAcceptsOneIntegerConversionOnly) {
    const FormatCase cases[] = {
        {L"a\\%.3d.png", 7, true, L"a\\007.png"},
        {L"%d", 12, true, L"12"},
        {L"100%%_%02d", 3, true, L"100%_03"},
        {L"%x.png", 255, true, L"ff.png"},
        {L"%s.png", 1, false, L""},
        {L"%d_%d.png", 1, false, L""},
        {L"%n", 1, false, L""},
        {L"plain.png", 1, false, L""},
        {L"%", 1, false, L""},
        {L"%999999d", 1, false, L""},
    };
    for (const FormatCase& c : cases) {
        std::wstring out;
        const std::wstring pattern = c.pattern;
        EXPECT_EQ(CSequenceAnimation::FormatFrame(pattern, c.frame, &out), c.ok)
            << std::string(pattern.begin(), pattern.end());
        if (c.ok) {
            EXPECT_EQ(out, c.expected);
        }
    }
}

TEST(SequenceControl, UnformattablePatternShowsNothing) {
    CSequenceLabelUI label;
    label.SetAttribute(L"bkimage", L"still.png");
    label.SetAttribute(L"sequencebkimage", L"%s");
    label.SetAttribute(L"sequencecount", L"3");
    EXPECT_EQ(label.Tick(), -1);
    EXPECT_EQ(label.GetBkImage(), L"still.png");
}

}  // namespace
