#pragma once
// The silent run's progress line on a terminal:
//
//   downloading [#########---------------------]  30% 19.2/64.0 MiB 4.1 MiB/s 0:11+ left
//
// stage, a bar, percent, bytes done/total (download only), speed and the
// time left. Narrower terminals drop fields from the right; the bar shrinks
// before it goes. Pure formatting and arithmetic, so tests can drive it
// with their own clock.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

struct ProgressFacts {
    std::string stage;                   // short stage name
    int percent = 0;                     // of the whole run, 0..100
    std::optional<uint64_t> doneBytes;   // downloaded so far
    std::optional<uint64_t> totalBytes;  // the package's size
    std::optional<double> bytesPerSecond;
    std::optional<double> secondsLeft;
    // The time left covers the download only; the installation follows.
    bool moreAfterTimeLeft = false;
};

constexpr int kProgressBarCells = 30;
// Shorter stage names are padded to this width ("downloading").
constexpr size_t kProgressStageColumns = 11;

// At most `columns` - 1 columns (a full last column makes some terminals
// wrap), never more than the facts need.
std::string FormatProgressLine(const ProgressFacts& facts, int columns);

// "21.8/64.0 MiB", "512.0/900.0 KiB", "1.25/2.00 GiB"; one unit, the total's.
std::string FormatByteCounts(uint64_t done, std::optional<uint64_t> total);
// "4.1 MiB/s", "312 KiB/s", "900 B/s"
std::string FormatSpeed(double bytesPerSecond);
// "0:07", "12:05", "1:02:03"
std::string FormatDuration(double seconds);

using ProgressClock = std::chrono::steady_clock;

// Speed over the last few seconds from samples of a growing byte count.
// Nothing until the samples span at least one second.
class RateMeter {
public:
    void Add(ProgressClock::time_point when, uint64_t bytes);
    std::optional<double> BytesPerSecond() const;
    void Reset() { m_Samples.clear(); }

private:
    std::deque<std::pair<ProgressClock::time_point, uint64_t>> m_Samples;
};

// Time left of a stage from how far it got in how long; nothing until it
// ran a second and got 5 percent of the way, which is too early to say.
std::optional<double> StageSecondsLeft(double fraction, double elapsedSeconds);

// At most one redraw per interval (10 a second).
class RedrawGate {
public:
    explicit RedrawGate(ProgressClock::duration interval = std::chrono::milliseconds(100))
        : m_Interval(interval) {}
    // True when a redraw may happen at `now`; it then counts as done.
    bool Take(ProgressClock::time_point now);
    // When the next redraw may happen.
    ProgressClock::time_point Next() const { return m_Last + m_Interval; }

private:
    ProgressClock::duration m_Interval;
    ProgressClock::time_point m_Last{};
    bool m_Drawn = false;
};
