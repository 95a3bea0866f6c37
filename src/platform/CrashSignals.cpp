#include "platform/CrashSignals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

namespace Platform {
namespace {

std::atomic<CrashFilter> g_Filter{nullptr};
std::atomic<bool> g_Entered{false};
const int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void RunFilterOnce() {
    // A crash inside the filter, or a second thread crashing, must not run it again.
    if (g_Entered.exchange(true)) return;
    if (CrashFilter f = g_Filter.load()) f();
}

void OnSignal(int sig) {
    RunFilterOnce();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void OnTerminate() {
    RunFilterOnce();
    for (int s : kSignals) ::signal(s, SIG_DFL);
    std::abort();
}

}  // namespace

void InstallCrashFilter(CrashFilter filter) {
    g_Filter = filter;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    // SA_RESETHAND: a fault inside the handler itself gets the default action.
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int s : kSignals) sigaction(s, &sa, nullptr);
    std::set_terminate(OnTerminate);
}

}  // namespace Platform
