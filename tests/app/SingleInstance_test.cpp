#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/SingleInstanceMutex.h"

namespace {

struct Child {
    pid_t pid = -1;
    int in = -1, out = -1;
};

// Starts a program with pipes on its standard input and output.
Child Spawn(const std::vector<std::string>& argv) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    Child c;
    c.pid = fork();
    if (c.pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    c.in = in[1];
    c.out = out[0];
    return c;
}

// Exit status of a child, or -1 when it has not ended within the limit.
int WaitFor(pid_t pid, std::chrono::seconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

TEST(SingleInstanceMutex, OneHolderPerName) {
    SingleInstanceMutex a(L"Test_lock"), b(L"Test_lock"), other(L"Other_lock");
    a.Acquire();
    ASSERT_TRUE(a.Held());
    a.Acquire();  // acquiring again while held does nothing
    EXPECT_TRUE(a.Held());
    b.Acquire();
    EXPECT_FALSE(b.Held());
    other.Acquire();
    EXPECT_TRUE(other.Held());
    a.Release();
    b.Acquire();
    EXPECT_TRUE(b.Held());
}

TEST(SingleInstanceMutex, SecondInstallerExitsWith255WhileTheFirstHoldsTheLock) {
    Child holder = Spawn({LOCK_HOLDER_PATH});
    char buf[8] = {};
    ASSERT_GT(read(holder.out, buf, sizeof buf - 1), 0);
    ASSERT_STREQ(buf, "held\n");

    Child second = Spawn({LUMORA_SETUP_PATH, "-silent=true", "-isenableappbeacon=false"});
    close(second.in);
    EXPECT_EQ(WaitFor(second.pid, std::chrono::seconds(20)), 255);

    // Once the holder is gone, a new start gets past the lock.
    close(holder.in);
    EXPECT_EQ(WaitFor(holder.pid, std::chrono::seconds(10)), 0);
    Child third =
        Spawn({LUMORA_SETUP_PATH, "-silent=true", "-downloadurl=http://127.0.0.1:9/none"});
    close(third.in);
    int status = WaitFor(third.pid, std::chrono::seconds(60));
    EXPECT_NE(status, 255);
    EXPECT_NE(status, -1);
}
