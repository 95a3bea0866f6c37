// The silent run's terminal line: fields, widths, figures and the pace of
// redraws, with the test's own clock.
#include "app/ProgressLine.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using namespace std::chrono_literals;

ProgressFacts Downloading() {
    ProgressFacts f;
    f.stage = "downloading";
    f.percent = 34;
    f.doneBytes = 12897485;  // 12.3 MiB
    f.totalBytes = 67108864;
    f.bytesPerSecond = 5452595.2;  // 5.2 MiB/s
    f.secondsLeft = 9.6;
    f.moreAfterTimeLeft = true;
    return f;
}

TEST(ProgressLine, WideTerminalShowsEveryField) {
    EXPECT_EQ(FormatProgressLine(Downloading(), 120),
              "downloading [##########--------------------]  34% 12.3/64.0 MiB 5.2 MiB/s "
              "0:10+ left");
}

TEST(ProgressLine, NarrowerTerminalsDropFieldsFromTheRight) {
    struct Case {
        int columns;
        const char* line;
    } cases[] = {
        {80, "downloading [########-----------------]  34% 12.3/64.0 MiB 5.2 MiB/s 0:10+ left"},
        {70, "downloading [########------------------]  34% 12.3/64.0 MiB 5.2 MiB/s"},
        {60, "downloading [########------------------]  34% 12.3/64.0 MiB"},
        {40, "downloading [######--------------]  34%"},
        {25, "downloading  34%"},
        {10, " 34%"},
        {1, ""},
    };
    for (const auto& c : cases) {
        const std::string line = FormatProgressLine(Downloading(), c.columns);
        EXPECT_EQ(line, c.line) << c.columns;
        EXPECT_LT(line.size(), static_cast<size_t>(std::max(c.columns, 1))) << c.columns;
    }
}

TEST(ProgressLine, BarFollowsThePercentAndStaysInPlaceAcrossStages) {
    ProgressFacts f;
    f.stage = "installing";
    for (int percent : {0, 50, 100, 130}) {
        f.percent = percent;
        const std::string line = FormatProgressLine(f, 120);
        const size_t open = line.find('['), close = line.find(']');
        ASSERT_NE(close, std::string::npos) << line;
        EXPECT_EQ(open, 12u) << line;  // after an 11-column stage name and a blank
        EXPECT_EQ(close - open - 1, static_cast<size_t>(kProgressBarCells));
        const auto filled = std::count(line.begin(), line.end(), '#');
        EXPECT_EQ(filled, std::min(percent, 100) * kProgressBarCells / 100) << line;
    }
    EXPECT_EQ(FormatProgressLine(f, 120), "installing  [##############################] 100%");
}

TEST(ProgressLine, FiguresInTheirUnits) {
    EXPECT_EQ(FormatByteCounts(12897485, 67108864ull), "12.3/64.0 MiB");
    EXPECT_EQ(FormatByteCounts(3u << 20, std::nullopt), "3.0 MiB");
    EXPECT_EQ(FormatByteCounts(524288, 921600ull), "512/900 KiB");
    EXPECT_EQ(FormatByteCounts(1342177280ull, 2147483648ull), "1.25/2.00 GiB");
    EXPECT_EQ(FormatSpeed(4.1 * 1048576), "4.1 MiB/s");
    EXPECT_EQ(FormatSpeed(312 * 1024), "312 KiB/s");
    EXPECT_EQ(FormatSpeed(900), "900 B/s");
    EXPECT_EQ(FormatDuration(0), "0:00");
    EXPECT_EQ(FormatDuration(6.2), "0:07");  // rounded up: never "0:00" while time is left
    EXPECT_EQ(FormatDuration(725), "12:05");
    EXPECT_EQ(FormatDuration(3723), "1:02:03");
}

TEST(ProgressLine, TimeLeftOfTheInstallationHasNoPlus) {
    ProgressFacts f;
    f.stage = "installing";
    f.percent = 85;
    f.secondsLeft = 3;
    EXPECT_EQ(FormatProgressLine(f, 120),
              "installing  [#########################-----]  85% 0:03 left");
}

TEST(RateMeter, SpeedOverTheLastSecondsOnceASecondHasPassed) {
    RateMeter m;
    const auto t0 = ProgressClock::time_point{} + 100s;
    m.Add(t0, 0);
    m.Add(t0 + 500ms, 500000);
    EXPECT_FALSE(m.BytesPerSecond());  // half a second says too little
    m.Add(t0 + 1s, 1000000);
    EXPECT_DOUBLE_EQ(*m.BytesPerSecond(), 1000000.0);
    // The rate drops to a quarter: after the window only the new pace counts.
    for (int i = 1; i <= 8; ++i) m.Add(t0 + 1s + i * 500ms, 1000000 + i * 125000);
    EXPECT_NEAR(*m.BytesPerSecond(), 250000.0, 1.0);
    // A restarted transfer starts over.
    m.Add(t0 + 6s, 10);
    EXPECT_FALSE(m.BytesPerSecond());
}

TEST(StageSecondsLeft, OnlyOnceThereIsSomethingToGoBy) {
    EXPECT_FALSE(StageSecondsLeft(0.5, 0.5));    // under a second
    EXPECT_FALSE(StageSecondsLeft(0.01, 10.0));  // under 5 percent
    EXPECT_DOUBLE_EQ(*StageSecondsLeft(0.25, 10.0), 30.0);
    EXPECT_DOUBLE_EQ(*StageSecondsLeft(1.0, 0.1), 0.0);
}

TEST(RedrawGate, AtMostTenRedrawsASecond) {
    RedrawGate gate;
    const auto t0 = ProgressClock::time_point{} + 100s;
    int drawn = 0;
    // A report every 5 ms for two seconds.
    for (int i = 0; i < 400; ++i) drawn += gate.Take(t0 + i * 5ms);
    EXPECT_EQ(drawn, 20);
    EXPECT_EQ(gate.Next(), t0 + 1900ms + 100ms);
    EXPECT_TRUE(gate.Take(t0 + 2000ms));
}

}  // namespace
