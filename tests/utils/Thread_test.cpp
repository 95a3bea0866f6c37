#include "utils/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <regex>

#include "platform/Process.h"
#include "platform/ThreadName.h"
#include "support/LogCapture.h"

namespace {

struct Work {
    std::atomic<int> runs{0};
    void* seenContext = nullptr;
    uint32_t tid = 0;
    std::string kernelName;
    static void Run(void* ctx) {
        auto* w = static_cast<Work*>(ctx);
        w->seenContext = ctx;
        w->tid = Platform::CurrentThreadId();
        w->kernelName = Platform::CurrentThreadName();
        ++w->runs;
    }
};

}  // namespace

TEST(WorkerThread, RunsOnlyAfterStartWithTheOwnersContext) {
    Work w;
    Utils::Thread t(&w, L"ABDEF", &Work::Run);
    ASSERT_TRUE(t.HasHandle());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(w.runs, 0) << "created suspended";
    t.Start();
    t.Join();
    EXPECT_EQ(w.runs, 1);
    EXPECT_EQ(w.seenContext, &w);
    EXPECT_EQ(w.kernelName, "ABDEF");
}

TEST(WorkerThread, NamesFollowTheOwnersNameOrTheId) {
    Work empty, longName;
    Utils::Thread a(&empty, L"", &Work::Run);
    const uint32_t id = a.Id();
    a.Start();
    a.Join();
    EXPECT_EQ(empty.kernelName, std::string("t").append(std::to_string(id)));
    EXPECT_EQ(empty.tid, id);

    Utils::Thread b(&longName, L"UnInstallerWithAVeryLongName", &Work::Run);
    b.Start();
    b.Join();
    EXPECT_EQ(longName.kernelName, "UnInstallerWith") << "cut to the kernel's 15 bytes";
}

TEST(WorkerThread, JoinTwiceAndJoinAfterEndReturnAtOnce) {
    Work w;
    Utils::Thread t(&w, L"x", &Work::Run);
    t.Start();
    t.Join();
    EXPECT_EQ(t.Id(), 0xFFFFFFFFu);
    EXPECT_FALSE(t.HasHandle());
    t.Join();
    EXPECT_EQ(t.Id(), 0xFFFFFFFFu);
}

TEST(WorkerThread, NeverStartedThreadIsReleasedWithoutRunning) {
    Work w;
    { Utils::Thread t(&w, L"idle", &Work::Run); }
    EXPECT_EQ(w.runs, 0);
}

TEST(WorkerThread, BeginAndEndLinesCarryTheWorkersOwnId) {
    testsupport::LogCapture cap;
    Work w;
    Utils::Thread t(&w, L"ABDEF", &Work::Run);
    t.Start();
    t.Join();
    const std::string text = cap.Text();
    const std::string tid = std::to_string(w.tid);
    std::regex begin("<T0*" + tid + R"(><[^>]*>\(Utils::Thread::CallBack\)<\d{4}>: THREAD BEGIN)");
    std::regex end("<T0*" + tid + R"(><[^>]*>\(Utils::Thread::CallBack\)<\d{4}>: THREAD END)");
    EXPECT_TRUE(std::regex_search(text, begin)) << text;
    EXPECT_TRUE(std::regex_search(text, end)) << text;
    EXPECT_EQ(cap.Count("THREAD BEGIN"), 1);
    EXPECT_EQ(cap.Count("THREAD END"), 1);
    EXPECT_NE(w.tid, Platform::CurrentThreadId());
}

TEST(WorkerThread, DestructorWaitsForTheWork) {
    std::atomic<bool> done{false};
    {
        Utils::Thread t(&done, L"slow", [](void* p) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            static_cast<std::atomic<bool>*>(p)->store(true);
        });
        t.Start();
    }
    EXPECT_TRUE(done);
}
