#include "platform/StopSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

// Runs `body` in a child process (signal dispositions are the process's);
// gives how it ended: the exit status, or 128 + the signal that ended it.
// A child still there after 20 s is killed (and ends as 128 + SIGKILL).
int InChild(void (*body)(int fd), std::string* written) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        body(fds[1]);
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
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) written->append(buf, n);
    close(fds[0]);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::atomic<int> g_Calls{0};

void WaitFor(const std::atomic<int>& v, int at_least) {
    while (v.load() < at_least) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

TEST(StopSignals, AListeningFrontEndHearsTheFirstSignalOnceAndTheProcessGoesOn) {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        static int s_Sig;
        s_Sig = sig;
        std::string out;
        const int end = InChild(
            [](int fd) {
                if (!Platform::InstallStopSignals()) _exit(3);
                Platform::SetStopHandler([fd](int got) {
                    const std::string line = Platform::StopSignalName(got) + "\n";
                    (void)!write(fd, line.data(), line.size());
                    ++g_Calls;
                });
                raise(s_Sig);
                WaitFor(g_Calls, 1);
                raise(SIGTERM);  // only noted: the first stop is under way
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (Platform::StopSignalReceived() != s_Sig) _exit(4);
                Platform::SetStopHandler(nullptr);
                _exit(7);  // still alive
            },
            &out);
        EXPECT_EQ(end, 7) << sig;
        EXPECT_EQ(out, Platform::StopSignalName(sig) + "\n");
    }
}

TEST(StopSignals, WithoutAListenerASignalEndsTheProcessAsBefore) {
    std::string out;
    const int end = InChild(
        [](int) {
            Platform::InstallStopSignals();
            raise(SIGTERM);
            std::this_thread::sleep_for(std::chrono::seconds(10));
            _exit(7);
        },
        &out);
    EXPECT_EQ(end, 128 + SIGTERM);
}

TEST(StopSignals, SignalsIgnoredAtTheStartStayIgnored) {
    std::string out;
    const int end = InChild(
        [](int fd) {
            signal(SIGHUP, SIG_IGN);  // as nohup leaves it
            Platform::InstallStopSignals();
            Platform::SetStopHandler([fd](int) { (void)!write(fd, "H", 1); });
            raise(SIGHUP);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            Platform::SetStopHandler(nullptr);
            _exit(Platform::StopSignalReceived() == 0 ? 7 : 5);
        },
        &out);
    EXPECT_EQ(end, 7);
    EXPECT_EQ(out, "");
}
