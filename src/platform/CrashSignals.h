#pragma once
// Runs a process-wide filter when the process is about to die of a fatal
// signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or std::terminate. The
// filter runs at most once; then the default action ends the process with
// the original signal, as it would have without the filter.
//
// The filter may take locks, allocate and start threads: it runs on a thread
// of its own, started beforehand, while the crashing thread only wakes it and
// waits. That wait is the watchdog: when the filter has not finished within
// `watchdog` (it may wait for a lock the crashed thread holds, or for a heap
// that is corrupt), the process ends anyway. Nothing on the crash path can
// keep the process alive longer than that.
#include <chrono>

namespace Platform {

using CrashFilter = void (*)();

constexpr std::chrono::milliseconds kCrashWatchdog{5000};

void InstallCrashFilter(CrashFilter filter, std::chrono::milliseconds watchdog = kCrashWatchdog);

}  // namespace Platform
