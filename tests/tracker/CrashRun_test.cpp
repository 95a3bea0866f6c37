// A real process that crashes with the tracker running: the crash filter's
// two events and the ones queued before are either delivered or kept.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "LoopbackCollector.h"
#include "TrackerHarness.h"
#include "support/TempHome.h"

namespace {

using trackertest::EventNames;
using trackertest::ReadRecordLines;

// Runs the crashing program; gives the signal that ended it (0: none).
int RunCrashingProcess(const std::string& url, const char* how) {
    // A helper that hangs is killed after 30 s (and then ends by SIGKILL).
    const std::string cmd = "timeout -s KILL 30 " + std::string(TRACKER_CRASH_HELPER) +
                            " -beaconserverurl=" + url + " " + how + " 2>" +
                            testsupport::CurrentTestHome() + "/crash.err";
    const int rc = std::system(cmd.c_str());
    if (WIFSIGNALED(rc)) return WTERMSIG(rc);
    // The shell reports a child's signal as 128 + signal.
    return WIFEXITED(rc) && WEXITSTATUS(rc) > 128 ? WEXITSTATUS(rc) - 128 : 0;
}

TEST(CrashRun, EventsSurviveTheCrash) {
    const std::pair<const char*, int> cases[] = {{"abort", SIGABRT}, {"segv", SIGSEGV}};
    for (auto [how, sig] : cases) {
        for (bool collectorUp : {true, false}) {
            testsupport::TempHome home;
            trackertest::LoopbackCollector collector;
            EXPECT_EQ(
                RunCrashingProcess(collectorUp ? collector.Url() : trackertest::RefusedUrl(), how),
                sig)
                << how;
            std::vector<Json::Value> all = collector.Records();
            for (const auto& r :
                 ReadRecordLines(trackertest::DataFolder() + "lumoraapp.downloader_QVSStaging.txt"))
                all.push_back(r);
            ASSERT_EQ(EventNames(all),
                      (std::vector<std::string>{"QvEventTask", "QvEventTask", "AppCrashed"}))
                << how << " collector " << (collectorUp ? "up" : "down") << "\n"
                << testsupport::ReadFile(home.Root() + "/crash.err");
            EXPECT_EQ(all[0]["properties"]["qv_task_name"].asString(), "下载器启动");
            EXPECT_EQ(all[1]["properties"]["qv_task_name"].asString(), "崩溃退出");
            EXPECT_EQ(all[2]["properties"]["app_crashed_reason"].asString(), "崩溃");
            if (!collectorUp) {
                EXPECT_TRUE(collector.Records().empty());
            }
        }
    }
}

TEST(CrashRun, ACrashWhileTheSendLockIsHeldEndsAndStagesTheBatchInFlight) {
    // The crashed thread holds the tracker's send lock (it crashed inside a
    // post): the crash path must neither wait for that lock for ever nor
    // lose the batch that post was sending.
    // A hang would end by the test's SIGKILL after 30 s.
    EXPECT_EQ(RunCrashingProcess(trackertest::RefusedUrl(), "send-lock"), SIGSEGV)
        << testsupport::ReadFile(testsupport::CurrentTestHome() + "/crash.err");
    const std::vector<Json::Value> staged =
        ReadRecordLines(trackertest::DataFolder() + "lumoraapp.downloader_QVSStaging.txt");
    // The batch in flight (the helper's task and crash), then the filter's two.
    ASSERT_EQ(EventNames(staged),
              (std::vector<std::string>{"QvEventTask", "AppCrashed", "QvEventTask", "AppCrashed"}))
        << testsupport::ReadFile(testsupport::CurrentTestHome() + "/crash.err");
    EXPECT_EQ(staged[0]["properties"]["qv_task_name"].asString(), "开始下载大包");
    EXPECT_EQ(staged[2]["properties"]["qv_task_name"].asString(), "崩溃退出");
}

}  // namespace
