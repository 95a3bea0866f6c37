// The installer's reporting layer: the events it sends, the switch, the A/B
// group, the crash path, a dead collector, and shut-down while a send is in
// flight.
#include "InstallerBeacon.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <condition_variable>

#include "BeaconTrackerWrapper.h"
#include "HttpPost.h"
#include "TrackerHarness.h"
#include "platform/Process.h"
#include "support/TempHome.h"
#include "utils/Text.h"

using trackertest::EventNames;
using trackertest::LoopbackCollector;
using trackertest::ReadRecordLines;

namespace {

std::string StagingFile() {
    return trackertest::DataFolder() + "lumoraapp.downloader_QVSStaging.txt";
}

// The identity the installer hands over with its default settings.
BeaconIdentity Identity(const std::string& url) {
    BeaconIdentity id;
    id.appName = L"lumoraapp";
    id.appNameSuffix = L".downloader";
    id.appVersion = L"1.7.9";
    const std::string exe = Platform::ExecutablePath();
    id.installerFileName = Utils::FromUtf8(exe.substr(exe.rfind('/') + 1));
    id.serverUrl = Utils::FromUtf8(url);
    return id;
}

class Reporting : public testing::Test {
protected:
    void SetUp() override { BeaconSetEnabled(true); }
    void TearDown() override {
        BeaconStop();
        BeaconSetEnabled(true);
    }
    void Start(const std::string& url) { BeaconStart(Identity(url)); }
};

TEST_F(Reporting, EventsOfARunArriveInOrderWithResultAndAbGroup) {
    LoopbackCollector collector;
    Start(collector.Url());
    const TrackExtras window = {{L"AB", L"IN"}};
    BeaconTrackTask(L"下载器启动", 0, L"", window);
    BeaconTrackTask(L"开始下载大包", 0, L"", window);
    BeaconTrackTask(L"大包下载完毕", 1.25f, L"", window);
    BeaconTrackView(L"安装中", window);
    BeaconTrackTask(L"安装成功", 2.5f, L"", window);
    BeaconTrackClick(L"立即体验", window);
    BeaconStop();

    const auto records = collector.Records();
    ASSERT_EQ(EventNames(records),
              (std::vector<std::string>{"QvEventTask", "QvEventTask", "QvEventTask", "QvEventView",
                                        "QvEventTask", "QvEventClick"}));
    const char* names[] = {"下载器启动", "开始下载大包", "大包下载完毕",
                           "安装中",     "安装成功",     "立即体验"};
    for (size_t i = 0; i < records.size(); ++i) {
        const Json::Value& p = records[i]["properties"];
        const std::string key = records[i]["event"] == "QvEventTask" ? "qv_task_name" : "qv_name";
        EXPECT_EQ(p[key].asString(), names[i]);
        EXPECT_EQ(p["qvc_ab"].asString(), "IN") << i;
        EXPECT_EQ(p["qv_app_id"].asString(), "lumoraapp.downloader");
        EXPECT_EQ(p["$app_version"].asString(), "1.7.9");
        EXPECT_EQ(p["qv_dlapp_id"].asString(), "lumoraapp");
        const std::string exe = Platform::ExecutablePath();
        EXPECT_EQ(p["qv_app_store"].asString(), exe.substr(exe.rfind('/') + 1));
        if (key == "qv_task_name") {
            EXPECT_EQ(p["qv_task_result"].asString(), "Success");
            EXPECT_TRUE(p.isMember("qv_task_elapsed"));
            EXPECT_FALSE(p.isMember("qv_reason"));
        }
    }
    EXPECT_EQ(records[2]["properties"]["qv_task_elapsed"].asDouble(), 1.25);
    EXPECT_EQ(records[0]["properties"]["qv_task_elapsed"].asDouble(), 0);
    EXPECT_EQ(records[5]["properties"]["qv_click_type"].asString(), "Button");
}

TEST_F(Reporting, FailureReasonTravelsAsTheReason) {
    LoopbackCollector collector;
    Start(collector.Url());
    BeaconTrackTask(L"安装失败原因", 0, L":1.code=1000；2.msg=disk full", DefaultTrackExtras());
    BeaconStop();
    const auto records = collector.Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0]["properties"]["qv_reason"].asString(), ":1.code=1000；2.msg=disk full");
    EXPECT_EQ(records[0]["properties"]["qv_task_result"].asString(), "Success");
}

TEST_F(Reporting, AbGroupRules) {
    LoopbackCollector collector;
    Start(collector.Url());
    BeaconTrackTask(L"bad", 0, L"", {{L"AB", L"abcd"}});  // abandoned
    BeaconTrackTask(L"empty", 0, L"", {{L"AB", L""}});    // sent without a group
    BeaconTrackTask(L"none", 0, L"", {});
    BeaconTrackClick(L"bad", {{L"AB", L"Ab"}});
    BeaconTrackView(L"B2C", {{L"AB", L"B2C"}});
    BeaconStop();
    const auto records = collector.Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["properties"]["qv_task_name"].asString(), "empty");
    EXPECT_FALSE(records[0]["properties"].isMember("qvc_ab"));
    EXPECT_EQ(records[1]["properties"]["qv_task_name"].asString(), "none");
    EXPECT_FALSE(records[1]["properties"].isMember("qvc_ab"));
    EXPECT_EQ(records[2]["properties"]["qvc_ab"].asString(), "B2C");
}

TEST_F(Reporting, SwitchedOffMeansNoTrackerAndNoEvents) {
    LoopbackCollector collector;
    BeaconSetEnabled(false);
    Start(collector.Url());
    BeaconTrackTask(L"下载器启动", 0, L"", DefaultTrackExtras());
    BeaconTrackCrash();
    BeaconStop();
    EXPECT_EQ(collector.Store().Requests(), 0);
    EXPECT_FALSE(testsupport::FileExists(trackertest::DataFolder()));
}

TEST_F(Reporting, SwitchedOffAfterStartSendsNothingMore) {
    LoopbackCollector collector;
    Start(collector.Url());
    BeaconTrackTask(L"before", 0, L"", DefaultTrackExtras());
    BeaconSetEnabled(false);  // the command line said so
    BeaconTrackTask(L"after", 0, L"", DefaultTrackExtras());
    BeaconStop();
    EXPECT_EQ(collector.Store().Requests(), 0);
    const auto staged = ReadRecordLines(StagingFile());  // kept, not sent
    ASSERT_EQ(staged.size(), 1u);
    EXPECT_EQ(staged[0]["properties"]["qv_task_name"].asString(), "before");
}

TEST_F(Reporting, ReportsWithoutATrackerAreDropped) {
    BeaconTrackTask(L"libcurl初始化失败", 0, L"", DefaultTrackExtras());
    BeaconTrackClick(L"立即安装", DefaultTrackExtras());
    BeaconTrackCrash();
    BeaconStop();
    EXPECT_FALSE(testsupport::FileExists(trackertest::DataFolder()));
}

TEST_F(Reporting, CrashPathKeepsBothEventsInOrder) {
    LoopbackCollector collector;
    Start(collector.Url());
    // What the crash filter does; afterwards the process would end at once.
    BeaconTrackTask(L"崩溃退出", 0, L"", DefaultTrackExtras());
    BeaconTrackCrash();
    // Whatever did not reach the collector is in the staging file by now.
    std::vector<Json::Value> all = collector.Records();
    for (const auto& r : ReadRecordLines(StagingFile())) all.push_back(r);
    ASSERT_EQ(EventNames(all), (std::vector<std::string>{"QvEventTask", "AppCrashed"}));
    EXPECT_EQ(all[0]["properties"]["qv_task_name"].asString(), "崩溃退出");
    EXPECT_EQ(all[1]["properties"]["app_crashed_reason"].asString(), "崩溃");
    EXPECT_FALSE(all[1]["properties"].isMember("qvc_ab"));
}

TEST_F(Reporting, EventsOfARunWithTheCollectorDownLeaveWithTheNextRun) {
    Start(trackertest::RefusedUrl());
    BeaconTrackTask(L"下载器启动", 0, L"", DefaultTrackExtras());
    BeaconTrackClick(L"立即安装", DefaultTrackExtras());
    BeaconStop();
    ASSERT_EQ(EventNames(ReadRecordLines(StagingFile())),
              (std::vector<std::string>{"QvEventTask", "QvEventClick"}));

    LoopbackCollector collector;
    Start(collector.Url());
    BeaconTrackView(L"安装中", DefaultTrackExtras());
    BeaconStop();
    const auto records = collector.Records();
    ASSERT_EQ(EventNames(records),
              (std::vector<std::string>{"QvEventTask", "QvEventClick", "QvEventView"}));
    EXPECT_EQ(records[0]["properties"]["qv_task_name"].asString(), "下载器启动");
    EXPECT_FALSE(testsupport::FileExists(StagingFile()));
}

TEST_F(Reporting, ReportsFromSeveralThreadsAllArrive) {
    LoopbackCollector collector;
    Start(collector.Url());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i) {
                if (i % 2) {
                    BeaconTrackTask(L"T" + std::to_wstring(t), 0, L"", DefaultTrackExtras());
                } else {
                    BeaconTrackClick(L"C" + std::to_wstring(t), DefaultTrackExtras());
                }
            }
        });
    BeaconTrackCrash();  // a flush-now hand-over while the others report
    for (auto& t : threads) t.join();
    BeaconStop();
    const auto records = collector.Records();
    std::vector<Json::Value> staged = ReadRecordLines(StagingFile());
    EXPECT_TRUE(staged.empty());
    EXPECT_EQ(records.size(), 201u);
}

TEST(ShutDown, WaitsForASendInFlight) {
    // A collector whose answer is held back until the test releases it.
    collector::Collector store("");
    httplib::Server server;
    std::mutex m;
    std::condition_variable cv;
    bool arrived = false, release = false;
    server.Post("/collect", [&](const httplib::Request& req, httplib::Response& res) {
        std::unique_lock<std::mutex> g(m);
        arrived = true;
        cv.notify_all();
        cv.wait(g, [&] { return release; });
        std::string answer;
        res.status = store.Handle(req.get_header_value("Content-Type"),
                                  req.get_header_value("User-Agent"), req.body, &answer);
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    beacon_analytics::SetLastSendOk(false);
    auto tracker = tamik::beacon::CreateBeaconTracker(
        trackertest::TestConfig("http://127.0.0.1:" + std::to_string(port) + "/collect"), false);
    tracker->trackView({"", "V", "", ""}, {});
    tracker->trackUninstall("why", {});  // flush now, on a hand-over thread
    {
        std::unique_lock<std::mutex> g(m);
        cv.wait(g, [&] { return arrived; });
    }
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::lock_guard<std::mutex> g(m);
        release = true;
        cv.notify_all();
    });
    tracker.reset();  // must wait for the send in flight before the core goes
    EXPECT_EQ(store.Records().size(), 2u);
    releaser.join();
    while (!server.is_running()) std::this_thread::yield();
    server.stop();
    serving.join();
}

}  // namespace
