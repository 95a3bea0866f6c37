// The analytics of real silent runs: lumora-setup -silent=true against
// lumora-devserver (packages and collector) with a sample package.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "LoopbackCollector.h"
#include "support/DevServerProcess.h"
#include "support/TempHome.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"

namespace {

using trackertest::EventNames;
using trackertest::ReadRecordLines;

std::string HomePath(const std::string& name) {
    return testsupport::CurrentTestHome() + "/" + name;
}

int RunShell(const std::string& command, std::string* err = nullptr) {
    const testsupport::CommandResult r = testsupport::RunCommand(command);
    if (err) *err = r.err;
    return r.status;
}

// The development server with packages and a collector.
class DevServer : public testsupport::DevServerProcess {
public:
    // `collectorArgs` are in Windows command-line quoting, as Launch wants.
    DevServer(const std::string& root, const std::string& collectorArgs)
        : DevServerProcess(LUMORA_DEVSERVER, root, collectorArgs) {}
};

class SilentRunEvents : public testing::Test {
protected:
    void SetUp() override {
        testsupport::MakeDirs(m_Packages);
        ASSERT_EQ(RunShell(std::string(LUMORA_SAMPLE_PACKAGE) + " --out '" + m_Packages +
                           "' --version 1.0.0 --startup NonStartup"),
                  0);
    }
    int Setup(const DevServer& server, std::string* err) {
        return RunShell(std::string(LUMORA_SETUP) + " -silent=true -norun=true -downloadurl=" +
                            server.Address() + "software/595 -installdir='" + HomePath("programs") +
                            "' -beaconserverurl=" + server.Address() + "collect",
                        err);
    }
    static std::string Staging() {
        return std::string(getenv("XDG_DATA_HOME")) +
               "/RIRivez/lumoraapp.downloader/lumoraapp.downloader_QVSStaging.txt";
    }
    // The installer's events of one successful fresh installation.
    const std::vector<std::string> kRun = {"安装中", "下载器启动", "开始下载大包", "大包下载完毕",
                                           "安装成功"};

    static std::vector<std::string> Names(const std::vector<Json::Value>& records) {
        std::vector<std::string> out;
        for (const auto& r : records) {
            const Json::Value& p = r["properties"];
            out.push_back(p.isMember("qv_task_name") ? p["qv_task_name"].asString()
                                                     : p["qv_name"].asString());
        }
        return out;
    }

    std::string m_Packages = HomePath("packages");
};

TEST_F(SilentRunEvents, ArriveAtTheCollectorInOrder) {
    const std::string events = HomePath("events.jsonl");
    DevServer server(m_Packages, "--collect \"" + events + "\"");
    std::string err;
    ASSERT_EQ(Setup(server, &err), 0) << err;
    const auto records = ReadRecordLines(events);
    EXPECT_EQ(Names(records), kRun);
    EXPECT_EQ(EventNames(records),
              (std::vector<std::string>{"QvEventView", "QvEventTask", "QvEventTask", "QvEventTask",
                                        "QvEventTask"}));
    for (const auto& r : records) {
        EXPECT_EQ(r["properties"]["qvc_ab"].asString(), "IN");
        EXPECT_EQ(r["properties"]["qv_app_id"].asString(), "lumoraapp.downloader");
        EXPECT_EQ(r["properties"]["$os"].asString(), "Linux");
        if (r["event"] == "QvEventTask") {
            EXPECT_EQ(r["properties"]["qv_task_result"].asString(), "Success");
        }
    }
    EXPECT_FALSE(testsupport::FileExists(Staging()));
}

TEST_F(SilentRunEvents, ARunWithTheCollectorDownDeliversWithTheNextRun) {
    std::string err;
    {
        DevServer failing(m_Packages, "--collect-fail");
        ASSERT_EQ(Setup(failing, &err), 0) << err;
    }
    // The tracker's console lines are in the run's log.
    const std::string log =
        testsupport::ReadFile(std::string(getenv("XDG_STATE_HOME")) + "/lumora/lumora-setup.log");
    EXPECT_NE(log.find("BeaconAnalytics SDK send failed"), std::string::npos) << log;
    EXPECT_EQ(Names(ReadRecordLines(Staging())), kRun);

    const std::string events = HomePath("events.jsonl");
    DevServer up(m_Packages, "--collect \"" + events + "\"");
    ASSERT_EQ(Setup(up, &err), 0) << err;  // an update this time
    const std::vector<std::string> names = Names(ReadRecordLines(events));
    ASSERT_GT(names.size(), kRun.size());
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + kRun.size()), kRun);
    EXPECT_EQ(names.back(), "安装成功");
    EXPECT_FALSE(testsupport::FileExists(Staging()));
}

}  // namespace
