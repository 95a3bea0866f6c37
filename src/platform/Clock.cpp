#include "platform/Clock.h"

#include <time.h>

#include <atomic>

namespace Platform {

namespace {
std::atomic<TickSource> g_TickSource{nullptr};
}  // namespace

void SetTickSourceForTest(TickSource source) { g_TickSource.store(source); }

LocalTime ToLocal(int64_t epochSeconds, int millisecond) {
    time_t t = static_cast<time_t>(epochSeconds);
    struct tm tm {};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
            tm.tm_min,         tm.tm_sec,     millisecond};
}

LocalTime NowLocal() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ToLocal(ts.tv_sec, static_cast<int>(ts.tv_nsec / 1000000));
}

int64_t NowEpochMillis() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

uint32_t TickCount() {
    if (TickSource source = g_TickSource.load(std::memory_order_relaxed)) return source();
    struct timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

}  // namespace Platform
