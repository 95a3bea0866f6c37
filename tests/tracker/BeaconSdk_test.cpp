// The analytics core: key and identifier rules, record assembly.
#include "BeaconSdk.h"

#include <gtest/gtest.h>

#include "FakeTransport.h"
#include "LoopbackCollector.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

using beacon_analytics::CheckIdentifier;
using beacon_analytics::CheckKey;
using beacon_analytics::PropertiesNode;
using beacon_analytics::Sdk;
using trackertest::ParseJson;

namespace {

TEST(CoreRules, KeysAndTheirMessages) {
    const std::string tooLong = "The Property Key is empty or too long, max length is 100";
    const std::string notName = "The Property Key need to be a valid variable name.";
    const std::pair<std::string, std::string> cases[] = {
        {std::string(100, 'k'), ""},
        {std::string(101, 'k'), tooLong},
        {"", tooLong},
        {"$os", ""},
        {"_track", ""},
        {"qv_name2", ""},
        {"Upper$_9", ""},
        {"9lives", notName},
        {"a-b", notName},
        {"a b", notName},
        {"下载", notName},
    };
    for (const auto& [key, message] : cases) {
        testsupport::LogCapture log;
        EXPECT_EQ(CheckKey(key, "Property Key"), message.empty()) << key;
        EXPECT_EQ(log.Text(), message.empty() ? "" : message + "\n") << key;
    }
    testsupport::LogCapture log;
    EXPECT_FALSE(CheckKey("1", "Event Name"));
    EXPECT_EQ(log.Text(), "The Event Name need to be a valid variable name.\n");
}

TEST(CoreRules, IdentifiersAndTheirMessages) {
    const std::pair<std::string, std::string> cases[] = {
        {"D", ""},
        {std::string(255, 'd'), ""},
        {std::string(256, 'd'), "The Distinct ID is too long, max length is 255.\n"},
        {"", "The Distinct ID is empty.\n"},
    };
    for (const auto& [id, message] : cases) {
        testsupport::LogCapture log;
        EXPECT_EQ(CheckIdentifier(id, "Distinct ID"), message.empty());
        EXPECT_EQ(log.Text(), message);
    }
}

class Core : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Sdk::Init(staging, "http://collector.invalid/", "device-1", false, transport));
        PropertiesNode super;
        super.SetString("qv_app_id", "app");
        super.SetString("shared", "from super");
        Sdk::RegisterSuperProperties(super);
    }
    void TearDown() override { Sdk::Destroy(); }

    Json::Value Last() {
        auto q = Sdk::QueuedRecords();
        return q.empty() ? Json::Value() : ParseJson(q.back());
    }

    std::string staging = testsupport::CurrentTestHome() + "/staging.txt";
    std::shared_ptr<trackertest::FakeTransport> transport =
        std::make_shared<trackertest::FakeTransport>();
};

TEST_F(Core, TrackRecordCarriesSuperPropertiesOverriddenByEventKeys) {
    PropertiesNode p;
    p.SetString("shared", "from event");
    p.SetInteger("n", 3);
    ASSERT_TRUE(Sdk::Track("QvEventTask", p));
    const Json::Value r = Last();
    EXPECT_EQ(r["type"].asString(), "track");
    EXPECT_EQ(r["event"].asString(), "QvEventTask");
    EXPECT_EQ(r["distinct_id"].asString(), "device-1");
    EXPECT_EQ(r["properties"]["qv_app_id"].asString(), "app");
    EXPECT_EQ(r["properties"]["shared"].asString(), "from event");
    EXPECT_EQ(r["properties"]["n"].asInt(), 3);
    EXPECT_FALSE(r["properties"].isMember("$is_login_id"));
    EXPECT_EQ(r["lib"]["$lib"].asString(), "cpp");
    EXPECT_EQ(r["lib"]["$lib_method"].asString(), "code");
    EXPECT_EQ(r["lib"]["$lib_version"].asString(), "0.9");
    EXPECT_FALSE(r.isMember("original_id"));
    EXPECT_FALSE(r.isMember("project"));
    EXPECT_TRUE(r["_track_id"].isIntegral());
    EXPECT_LE(r["_track_id"].asInt64(), 999999999);
    EXPECT_NEAR(static_cast<double>(r["time"].asInt64()),
                static_cast<double>(std::time(nullptr)) * 1000, 60000);
    // The record text itself is one line in key order.
    const std::string text = Sdk::QueuedRecords().back();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.rfind("{\"_track_id\":", 0), 0u);
    EXPECT_LT(text.find("\"distinct_id\""), text.find("\"event\""));
    EXPECT_LT(text.find("\"properties\""), text.find("\"time\""));
}

TEST_F(Core, ProfileRecordsNeverCarrySuperProperties) {
    PropertiesNode p;
    p.SetString("qv_os", "Linux");
    ASSERT_TRUE(Sdk::ProfileSet(p));
    Json::Value r = Last();
    EXPECT_EQ(r["type"].asString(), "profile_set");
    EXPECT_FALSE(r.isMember("event"));
    EXPECT_EQ(r["properties"].getMemberNames(), std::vector<std::string>{"qv_os"});
    ASSERT_TRUE(Sdk::ProfileAppend("tags", "x"));
    r = Last();
    EXPECT_EQ(r["type"].asString(), "profile_append");
    EXPECT_EQ(r["properties"]["tags"][0].asString(), "x");
    ASSERT_TRUE(Sdk::ProfileIncrement(p));
    EXPECT_EQ(Last()["type"].asString(), "profile_increment");
    ASSERT_TRUE(Sdk::ProfileSetOnce(p));
    EXPECT_EQ(Last()["type"].asString(), "profile_set_once");
}

TEST_F(Core, TimeAndProjectPropertiesMoveToTheRecord) {
    PropertiesNode p;
    p.SetDateTime("$time", 1700000000, 123);
    p.SetString("$project", "lumora");
    ASSERT_TRUE(Sdk::Track("E", p));
    const Json::Value r = Last();
    EXPECT_EQ(r["time"].asInt64(), 1700000000123LL);
    EXPECT_EQ(r["project"].asString(), "lumora");
    EXPECT_FALSE(r["properties"].isMember("$time"));
    EXPECT_FALSE(r["properties"].isMember("$project"));
}

TEST_F(Core, RefusedRecordsAreNotQueued) {
    struct Case {
        const char* event;
        std::function<void(PropertiesNode&)> fill;
        const char* message;
    };
    const Case cases[] = {
        {"E", [](PropertiesNode& p) { p.SetString("$time", "now"); },
         "The property '$time' should be DateTime type."},
        {"E", [](PropertiesNode& p) { p.SetInteger("$project", 1); },
         "The property '$project' should be String type."},
        {"E", [](PropertiesNode& p) { p.SetInteger("bad-key", 1); },
         "The Property Key need to be a valid variable name."},
        {"2E", [](PropertiesNode&) {}, "The Event Name need to be a valid variable name."},
        {"", [](PropertiesNode&) {}, "The Event Name is empty or too long, max length is 100"},
    };
    for (const auto& c : cases) {
        testsupport::LogCapture log;
        PropertiesNode p;
        c.fill(p);
        EXPECT_FALSE(Sdk::Track(c.event, p)) << c.message;
        EXPECT_NE(log.Text().find(c.message), std::string::npos) << log.Text();
    }
    EXPECT_TRUE(Sdk::QueuedRecords().empty());
}

TEST_F(Core, SignUpSwitchesToTheLoginIdAndMarksLaterRecords) {
    ASSERT_TRUE(Sdk::TrackSignup("user-7"));
    Json::Value r = Last();
    EXPECT_EQ(r["type"].asString(), "track_signup");
    EXPECT_EQ(r["event"].asString(), "$SignUp");
    EXPECT_EQ(r["distinct_id"].asString(), "user-7");
    EXPECT_EQ(r["original_id"].asString(), "device-1");
    EXPECT_EQ(Sdk::DistinctId(), "user-7");
    EXPECT_TRUE(Sdk::LoginFlag());
    ASSERT_TRUE(Sdk::Track("E", PropertiesNode()));
    r = Last();
    EXPECT_EQ(r["distinct_id"].asString(), "user-7");
    EXPECT_TRUE(r["properties"]["$is_login_id"].asBool());
    PropertiesNode p;
    p.SetString("qv_os", "Linux");
    Sdk::ProfileSet(p);
    EXPECT_TRUE(Last()["properties"]["$is_login_id"].asBool());
}

TEST_F(Core, InstallationEventStartsWithAnEmptyInstallSource) {
    ASSERT_TRUE(Sdk::TrackInstallation("QvEventActivity", PropertiesNode()));
    EXPECT_EQ(Last()["properties"]["$ios_install_source"].asString(), "");
    PropertiesNode p;
    p.SetString("$ios_install_source", "given");
    ASSERT_TRUE(Sdk::TrackInstallation("QvEventActivity", p));
    EXPECT_EQ(Last()["properties"]["$ios_install_source"].asString(), "given");
}

TEST(CoreLifecycle, OperationsBeforeInitDoNothing) {
    EXPECT_FALSE(Sdk::Exists());
    EXPECT_FALSE(Sdk::Track("E", PropertiesNode()));
    EXPECT_FALSE(Sdk::Flush());
    testsupport::LogCapture log;
    EXPECT_FALSE(Sdk::Init("", "u", "", false));
    EXPECT_EQ(log.Text(), "The Distinct ID is empty.\n");
    EXPECT_FALSE(Sdk::Exists());
}

}  // namespace
