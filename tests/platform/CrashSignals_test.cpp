#include "platform/CrashSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <exception>

namespace {

int g_Fd = -1;
void WriteMarker() { (void)!write(g_Fd, "F", 1); }
void CrashingFilter() {
    WriteMarker();
    raise(SIGSEGV);  // a crash inside the filter must not run it again
}

// Runs `crash` in a child with the filter installed; returns the signal that
// ended the child and how often the filter ran.
std::pair<int, int> RunChild(Platform::CrashFilter filter, void (*crash)()) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        g_Fd = fds[1];
        Platform::InstallCrashFilter(filter);
        crash();
        _exit(0);
    }
    close(fds[1]);
    int runs = 0;
    char c;
    while (read(fds[0], &c, 1) == 1) ++runs;
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
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
