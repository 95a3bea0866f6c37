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
    // The crash filter runs inside the signal handler and allocates there,
    // which ThreadSanitizer reports on its own; that is the filter's known
    // design, not what this test looks at.
    const char* tsan = std::getenv("TSAN_OPTIONS");
    const std::string cmd = "TSAN_OPTIONS='" + std::string(tsan ? tsan : "") +
                            ":report_signal_unsafe=0' " + std::string(TRACKER_CRASH_HELPER) +
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

}  // namespace
