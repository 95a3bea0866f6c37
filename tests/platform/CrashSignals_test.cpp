#include "platform/CrashSignals.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <exception>
#include <mutex>
#include <thread>

namespace {

int g_Fd = -1;
void WriteMarker() { (void)!write(g_Fd, "F", 1); }
void CrashingFilter() {
    WriteMarker();
    raise(SIGSEGV);  // a crash inside the filter must not run it again
}

// The crash happens while this lock is held; a filter that wants it waits
// for ever.
std::mutex g_Held;
void FilterWaitingForTheHeldLock() {
    WriteMarker();
    std::lock_guard<std::mutex> g(g_Held);
}

// Runs `crash` in a child with the filter installed; returns the signal that
// ended the child and how often the filter ran. A child still there after
// 20 s hangs: it is killed and reported as SIGKILL.
std::pair<int, int> RunChild(Platform::CrashFilter filter, void (*crash)(),
                             std::chrono::milliseconds watchdog = Platform::kCrashWatchdog) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        g_Fd = fds[1];
        Platform::InstallCrashFilter(filter, watchdog);
        crash();
        _exit(0);
    }
    close(fds[1]);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int runs = 0;
    char c;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    while (read(fds[0], &c, 1) == 1) ++runs;
    close(fds[0]);
    return {WIFSIGNALED(status) ? WTERMSIG(status) : 0, runs};
}

}  // namespace

TEST(CrashFilter, RunsOnceThenTheDefaultActionEndsTheProcess) {
    struct Case {
        void (*crash)();
        int signal;
    } cases[] = {
        {[] { raise(SIGSEGV); }, SIGSEGV}, {[] { raise(SIGBUS); }, SIGBUS},
        {[] { raise(SIGFPE); }, SIGFPE},   {[] { raise(SIGILL); }, SIGILL},
        {[] { std::abort(); }, SIGABRT},   {[] { std::terminate(); }, SIGABRT},
    };
    for (const auto& c : cases) {
        auto [sig, runs] = RunChild(&WriteMarker, c.crash);
        EXPECT_EQ(sig, c.signal);
        EXPECT_EQ(runs, 1);
    }
}

TEST(CrashFilter, ACrashInsideTheFilterDoesNotRecurse) {
    auto [sig, runs] = RunChild(&CrashingFilter, [] { raise(SIGSEGV); });
    EXPECT_EQ(sig, SIGSEGV);
    EXPECT_EQ(runs, 1);
}

TEST(CrashFilter, AFilterThatDoesNotComeBackCannotKeepTheProcessAlive) {
    // The crashed code holds a lock the filter needs (or glibc aborts on a
    // corrupt heap the filter allocates from): the watchdog ends the process
    // with the original signal.
    struct Case {
        void (*crash)();
        int signal;
    } cases[] = {
        {[] {
             g_Held.lock();
             raise(SIGSEGV);
         },
         SIGSEGV},
        {[] {
             g_Held.lock();
             std::abort();
         },
         SIGABRT},
        {[] {
             g_Held.lock();
             std::terminate();
         },
         SIGABRT},
    };
    for (const auto& c : cases) {
        auto [sig, runs] =
            RunChild(&FilterWaitingForTheHeldLock, c.crash, std::chrono::milliseconds(300));
        EXPECT_EQ(sig, c.signal);
        EXPECT_EQ(runs, 1);
    }
}
