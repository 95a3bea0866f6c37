#pragma once
// Wall-clock and monotonic time as the installer reads them.
#include <cstdint>
#include <ctime>

namespace Platform {

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond;
};

// Local wall-clock time, read once.
LocalTime NowLocal();
// Local time of a given instant (seconds since the epoch plus milliseconds).
LocalTime ToLocal(int64_t epochSeconds, int millisecond);
// Milliseconds since the epoch.
int64_t NowEpochMillis();
// A 32-bit millisecond tick that wraps, like a system tick count.
uint32_t TickCount();

// Replaces the source of TickCount so that tests can move the installer's
// stopwatch by hand; null restores the system's monotonic clock.
using TickSource = uint32_t (*)();
void SetTickSourceForTest(TickSource source);

}  // namespace Platform
