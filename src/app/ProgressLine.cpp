#include "app/ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kKiB = 1024.0, kMiB = 1024.0 * 1024.0, kGiB = 1024.0 * 1024.0 * 1024.0;
// A bar narrower than this is not worth the tail fields it would keep.
constexpr int kBarCellsWithTail = 20;
constexpr int kBarCellsAlone = 10;
// How far back the speed looks.
constexpr auto kRateWindow = std::chrono::seconds(3);

std::string Printf(const char* format, double a, double b = 0.0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

std::string Bar(int cells, int percent) {
    const int filled = std::clamp(percent, 0, 100) * cells / 100;
    return "[" + std::string(filled, '#') + std::string(cells - filled, '-') + "]";
}

}  // namespace

std::string FormatByteCounts(uint64_t done, std::optional<uint64_t> total) {
    const double scale = static_cast<double>(total.value_or(done));
    const double d = static_cast<double>(done);
    if (scale >= kGiB)
        return total ? Printf("%.2f/%.2f GiB", d / kGiB, *total / kGiB)
                     : Printf("%.2f GiB", d / kGiB);
    if (scale >= kMiB)
        return total ? Printf("%.1f/%.1f MiB", d / kMiB, *total / kMiB)
                     : Printf("%.1f MiB", d / kMiB);
    return total ? Printf("%.0f/%.0f KiB", std::floor(d / kKiB), std::ceil(*total / kKiB))
                 : Printf("%.0f KiB", std::floor(d / kKiB));
}

std::string FormatSpeed(double bytesPerSecond) {
    if (bytesPerSecond >= kMiB) return Printf("%.1f MiB/s", bytesPerSecond / kMiB);
    if (bytesPerSecond >= kKiB) return Printf("%.0f KiB/s", bytesPerSecond / kKiB);
    return Printf("%.0f B/s", std::max(0.0, bytesPerSecond));
}

std::string FormatDuration(double seconds) {
    const long long s = static_cast<long long>(std::ceil(std::max(0.0, seconds)));
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}

std::string FormatProgressLine(const ProgressFacts& input, int columns) {
    // Stage names share one width, so the bar stays put from stage to stage.
    ProgressFacts facts = input;
    if (facts.stage.size() < kProgressStageColumns) facts.stage.resize(kProgressStageColumns, ' ');
    const size_t room = columns > 1 ? static_cast<size_t>(columns - 1) : 0;
    const std::string percent = Printf("%3.0f%%", std::clamp(facts.percent, 0, 100));
    std::vector<std::string> tail;
    if (facts.doneBytes) tail.push_back(FormatByteCounts(*facts.doneBytes, facts.totalBytes));
    if (facts.bytesPerSecond) tail.push_back(FormatSpeed(*facts.bytesPerSecond));
    if (facts.secondsLeft)
        tail.push_back(FormatDuration(*facts.secondsLeft) + (facts.moreAfterTimeLeft ? "+" : "") +
                       " left");

    // Fields go from the right: the tail first, then the bar, then the stage.
    for (size_t keep = tail.size() + 1; keep-- > 0;) {
        size_t fixed = facts.stage.size() + 1 + 2 + 1 + percent.size();
        for (size_t i = 0; i < keep; ++i) fixed += 1 + tail[i].size();
        const long cells =
            std::min<long>(kProgressBarCells, static_cast<long>(room) - static_cast<long>(fixed));
        if (cells < (keep > 0 ? kBarCellsWithTail : kBarCellsAlone)) continue;
        std::string line =
            facts.stage + " " + Bar(static_cast<int>(cells), facts.percent) + " " + percent;
        for (size_t i = 0; i < keep; ++i) line += " " + tail[i];
        return line;
    }
    std::string line = input.stage + " " + percent;
    if (line.size() > room) line = percent;
    if (line.size() > room) line.clear();
    return line;
}

void RateMeter::Add(ProgressClock::time_point when, uint64_t bytes) {
    // Fewer bytes than before (a restarted download): the old samples say
    // nothing about the new transfer.
    if (!m_Samples.empty() && bytes < m_Samples.back().second) m_Samples.clear();
    m_Samples.emplace_back(when, bytes);
    // Keep one sample at or before the window's start, so the span stays
    // about the window's length.
    while (m_Samples.size() > 2 && when - m_Samples[1].first >= kRateWindow) m_Samples.pop_front();
}

std::optional<double> RateMeter::BytesPerSecond() const {
    if (m_Samples.size() < 2) return std::nullopt;
    const double span =
        std::chrono::duration<double>(m_Samples.back().first - m_Samples.front().first).count();
    if (span < 1.0) return std::nullopt;
    return static_cast<double>(m_Samples.back().second - m_Samples.front().second) / span;
}

std::optional<double> StageSecondsLeft(double fraction, double elapsedSeconds) {
    if (fraction >= 1.0) return 0.0;
    if (fraction < 0.05 || elapsedSeconds < 1.0) return std::nullopt;
    return elapsedSeconds * (1.0 - fraction) / fraction;
}

bool RedrawGate::Take(ProgressClock::time_point now) {
    if (m_Drawn && now - m_Last < m_Interval) return false;
    m_Drawn = true;
    m_Last = now;
    return true;
}
