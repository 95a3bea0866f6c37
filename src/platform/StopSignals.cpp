#include "platform/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace Platform {
namespace {

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_First{0};
int g_Pipe[2] = {-1, -1};

std::mutex g_HandlerLock;
std::function<void(int)> g_Handler;
bool g_Called = false;

// Async-signal-safe: an atomic and one write to a non-blocking pipe.
void OnStopSignal(int sig) {
    const int saved = errno;
    int none = 0;
    g_First.compare_exchange_strong(none, sig);
    const char byte = static_cast<char>(sig);
    (void)!::write(g_Pipe[1], &byte, 1);
    errno = saved;
}

void Watch() {
    for (;;) {
        char byte = 0;
        const ssize_t n = ::read(g_Pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        const int first = g_First.load();
        std::lock_guard<std::mutex> g(g_HandlerLock);
        if (!g_Handler) {
            // Nobody listens: the signal does what it always did.
            ::signal(first, SIG_DFL);
            ::kill(::getpid(), first);
            continue;
        }
        if (g_Called) continue;
        g_Called = true;
        g_Handler(first);
    }
}

}  // namespace

bool InstallStopSignals(std::string* err) {
    static std::mutex once;
    static bool installed = false;
    std::lock_guard<std::mutex> g(once);
    if (installed) return true;
    if (::pipe2(g_Pipe, O_CLOEXEC) != 0) {
        if (err) *err = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    // The handler must never block on a full pipe.
    ::fcntl(g_Pipe[1], F_SETFL, ::fcntl(g_Pipe[1], F_GETFL) | O_NONBLOCK);
    try {
        std::thread(Watch).detach();
    } catch (const std::system_error& e) {
        if (err) *err = std::string("no thread for the stop signals: ") + e.what();
        ::close(g_Pipe[0]);
        ::close(g_Pipe[1]);
        g_Pipe[0] = g_Pipe[1] = -1;
        return false;
    }
    for (int s : kStopSignals) {
        struct sigaction old {};
        ::sigaction(s, nullptr, &old);
        if (s != SIGTERM && old.sa_handler == SIG_IGN) continue;
        struct sigaction sa {};
        sa.sa_handler = OnStopSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        ::sigaction(s, &sa, nullptr);
    }
    installed = true;
    return true;
}

int StopSignalReceived() { return g_First.load(); }

void SetStopHandler(std::function<void(int signal)> handler) {
    std::lock_guard<std::mutex> g(g_HandlerLock);
    g_Handler = std::move(handler);
    g_Called = false;
    if (g_Handler && g_First.load() != 0) {
        g_Called = true;
        g_Handler(g_First.load());
    }
}

std::string StopSignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        case SIGHUP:
            return "SIGHUP";
        default:
            return "signal " + std::to_string(signal);
    }
}

}  // namespace Platform
