#include "platform/DebugOutput.h"

#include <errno.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <limits>
#include <mutex>
#include <string>

namespace Platform {
namespace {

enum Mode : int { kStandardError, kHeld, kFile };

constexpr size_t kHeldLimit = 1u << 20;
constexpr std::string_view kCapLine =
    "[log] the log file reached its size limit; later lines are dropped\n";

// Plain atomics, so that a crash handler can write without taking a lock.
std::atomic<int> g_Mode{kStandardError};
std::atomic<int> g_Fd{STDERR_FILENO};
std::atomic<uint64_t> g_Cap{std::numeric_limits<uint64_t>::max()};
std::atomic<uint64_t> g_Written{0};
// Writers between reserving room in a capped file and finishing the write.
std::atomic<int> g_InFlight{0};

// Guards the held lines and every change of destination.
std::mutex g_HeldLock;
uint64_t g_HeldDropped = 0;

std::string& HeldLines() {
    static std::string held;
    return held;
}

void WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void WriteToDestination(std::string_view bytes) {
    const int fd = g_Fd.load(std::memory_order_acquire);
    const uint64_t cap = g_Cap.load(std::memory_order_relaxed);
    if (cap == std::numeric_limits<uint64_t>::max()) {
        WriteAll(fd, bytes);
        return;
    }
    // Room is reserved before writing, so threads never pass the cap
    // together; the one line that first does not fit is replaced by the
    // closing line, and everything after it is dropped.
    const uint64_t limit = cap > kCapLine.size() ? cap - kCapLine.size() : 0;
    g_InFlight.fetch_add(1);
    const uint64_t before = g_Written.fetch_add(bytes.size());
    if (before + bytes.size() <= limit) {
        WriteAll(fd, bytes);
        g_InFlight.fetch_sub(1);
        return;
    }
    g_InFlight.fetch_sub(1);
    if (before > limit) return;
    // Lines that got their room first are written first, so the closing
    // line is the last one. Bounded: a crash handler may have interrupted
    // a writer on its own thread.
    for (int i = 0; i < 100000 && g_InFlight.load() > 0; ++i) sched_yield();
    WriteAll(fd, kCapLine);
}

// Under g_HeldLock.
void SwitchTo(Mode mode, int fd, uint64_t cap, uint64_t written) {
    const int old = g_Fd.exchange(fd, std::memory_order_acq_rel);
    if (old != fd && old != STDERR_FILENO && old >= 0) ::close(old);
    g_Cap.store(cap, std::memory_order_relaxed);
    g_Written.store(written, std::memory_order_relaxed);
    g_Mode.store(mode, std::memory_order_release);
    std::string& held = HeldLines();
    if (!held.empty()) WriteToDestination(held);
    if (g_HeldDropped > 0)
        WriteToDestination("[log] " + std::to_string(g_HeldDropped) +
                           " lines written before the log was opened did not fit in memory and "
                           "were dropped\n");
    held.clear();
    held.shrink_to_fit();
    g_HeldDropped = 0;
}

}  // namespace

void WriteDebugOutput(std::string_view bytes) {
    if (g_Mode.load(std::memory_order_acquire) == kHeld) {
        std::lock_guard<std::mutex> guard(g_HeldLock);
        if (g_Mode.load(std::memory_order_relaxed) == kHeld) {
            std::string& held = HeldLines();
            if (held.size() + bytes.size() <= kHeldLimit)
                held.append(bytes);
            else
                ++g_HeldDropped;
            return;
        }
    }
    WriteToDestination(bytes);
}

void HoldDebugOutput() {
    std::lock_guard<std::mutex> guard(g_HeldLock);
    g_Mode.store(kHeld, std::memory_order_release);
}

void SendDebugOutputToStandardError() {
    std::lock_guard<std::mutex> guard(g_HeldLock);
    SwitchTo(kStandardError, STDERR_FILENO, std::numeric_limits<uint64_t>::max(), 0);
}

void SendDebugOutputToFile(int fd, uint64_t capBytes, uint64_t alreadyWritten) {
    std::lock_guard<std::mutex> guard(g_HeldLock);
    SwitchTo(kFile, fd, capBytes, alreadyWritten);
}

std::string_view DebugOutputCapLine() { return kCapLine; }

}  // namespace Platform
