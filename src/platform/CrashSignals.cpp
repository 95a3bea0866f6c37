#include "platform/CrashSignals.h"

#include <semaphore.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <thread>

namespace Platform {
namespace {

std::atomic<CrashFilter> g_Filter{nullptr};
std::atomic<bool> g_Entered{false};
std::atomic<bool> g_FilterDone{false};
std::atomic<bool> g_ReporterReady{false};
std::atomic<long long> g_WatchdogNs{5'000'000'000LL};
volatile sig_atomic_t g_CrashSignal = 0;
sem_t g_Wake;
const int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

// The thread that runs the filter: it waits from start-up on, so that a
// crash needs no thread to be created.
void ReporterThread() {
    while (::sem_wait(&g_Wake) != 0) {
        if (errno != EINTR) return;
    }
    if (CrashFilter f = g_Filter.load()) f();
    g_FilterDone = true;
}

long long NowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
}

// Without a reporter thread the filter runs on the crashing thread; an alarm
// then ends the process if it does not come back.
void OnAlarm(int) {
    const int sig = g_CrashSignal ? g_CrashSignal : SIGABRT;
    ::signal(sig, SIG_DFL);
    ::raise(sig);
    ::_exit(128 + sig);
}

// Only async-signal-safe calls here (sem_post, clock_gettime, nanosleep,
// alarm, signal, raise), whatever state the crashed thread left behind.
void RunFilterOnce(int sig) {
    // A crash inside the filter, or a second thread crashing, must not run it again.
    if (g_Entered.exchange(true)) return;
    g_CrashSignal = sig;
    const long long limit = g_WatchdogNs.load();
    if (g_ReporterReady.load() && ::sem_post(&g_Wake) == 0) {
        const long long deadline = NowNs() + limit;
        const timespec step{0, 10'000'000};
        while (!g_FilterDone.load() && NowNs() < deadline) ::nanosleep(&step, nullptr);
        return;
    }
    struct sigaction sa {};
    sa.sa_handler = OnAlarm;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGALRM, &sa, nullptr);
    ::alarm(static_cast<unsigned>((limit + 999'999'999LL) / 1'000'000'000LL));
    if (CrashFilter f = g_Filter.load()) f();
    ::alarm(0);
}

void OnSignal(int sig) {
    RunFilterOnce(sig);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void OnTerminate() {
    RunFilterOnce(SIGABRT);
    for (int s : kSignals) ::signal(s, SIG_DFL);
    std::abort();
}

}  // namespace

void InstallCrashFilter(CrashFilter filter, std::chrono::milliseconds watchdog) {
    g_Filter = filter;
    g_WatchdogNs = std::chrono::duration_cast<std::chrono::nanoseconds>(watchdog).count();
    static const bool started = [] {
        if (::sem_init(&g_Wake, 0, 0) != 0) return false;
        try {
            std::thread(ReporterThread).detach();
        } catch (const std::system_error&) {
            return false;  // the filter then runs on the crashing thread
        }
        return true;
    }();
    g_ReporterReady = started;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // SA_RESETHAND: a fault inside the handler itself gets the default action.
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int s : kSignals) sigaction(s, &sa, nullptr);
    std::set_terminate(OnTerminate);
}

}  // namespace Platform
