// The event catalogue: what each operation sends, what it refuses, and the
// wrapper that keeps every refusal from the caller.
#include <gtest/gtest.h>

#include "BeaconTrackerImpl.h"
#include "BeaconTrackerWrapper.h"
#include "QvException.h"
#include "TrackerHarness.h"
#include "platform/ProfileIni.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

using namespace tamik::beacon;
using trackertest::FindEvent;
using trackertest::LoopbackCollector;
using trackertest::ParseJson;
using trackertest::RunTracker;
using trackertest::TestConfig;

namespace {

// The message of the QvException `op` throws; "(nothing thrown)" otherwise.
template <class Op>
std::string ThrownMessage(const Op& op) {
    try {
        op();
    } catch (const QvException& e) {
        return e.message;
    }
    return "(nothing thrown)";
}

// "ctx_t<N>" is set for event type N only, so each event must carry exactly
// its own.
QvContextProperties MarkedContext() {
    QvContextProperties c;
    for (int t = 0; t < kQvEventTypeCount; ++t)
        c.setProperty("ctx_t" + std::to_string(t), true, {t});
    return c;
}

struct Sent {
    const char* what;
    std::function<void(BeaconTracker&, const QvContextProperties&)> op;
    std::string event;
    int type;                                                // whose context it carries; -1: none
    std::vector<std::pair<std::string, std::string>> props;  // key, JSON value
    std::vector<std::string> absent;
};

std::vector<Sent> SentCases() {
    return {
        {"click, every field",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventClick e{"A", "N", 1, "T", "M", "P", 2, "TN", 0, "BN"};
             t.trackClick(e, c);
         },
         "QvEventClick",
         3,
         {{"qv_name", "\"N\""},
          {"qv_click_type", "\"Banner\""},
          {"qv_aname", "\"A\""},
          {"qv_title", "\"T\""},
          {"qv_module", "\"M\""},
          {"qv_position", "\"P\""},
          {"qv_tab_name", "\"TN\""},
          {"qv_tab_index", "2"},
          {"qv_banner_name", "\"BN\""},
          {"qv_banner_index", "0"},
          {"$is_first_time", "true"}},
         {}},
        {"click, name only",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventClick e;
             e.name = "N";
             t.trackClick(e, c);
         },
         "QvEventClick",
         3,
         {{"qv_click_type", "\"Others\""}},
         {"qv_aname", "qv_title", "qv_tab_index", "qv_banner_index", "qv_tab_name"}},
        {"view",
         [](BeaconTracker& t, const QvContextProperties& c) {
             t.trackView({"", "安装中", "T", ""}, c);
         },
         "QvEventView",
         4,
         {{"qv_name", "\"安装中\""}, {"qv_title", "\"T\""}, {"$is_first_time", "true"}},
         {"qv_aname", "qv_position"}},
        {"cashier",
         [](BeaconTracker& t, const QvContextProperties& c) {
             t.trackCashier({"C", "", "S"}, c);
         },
         "QvEventCashier",
         5,
         {{"qv_cashier_name", "\"C\""}, {"qv_subitem", "\"S\""}},
         {"qv_cashier_title"}},
        {"share",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventShare e;
             e.channel = "mail";
             e.result = QvResult::Fail;
             t.trackShare(e, c);
         },
         "QvEventShare",
         6,
         {{"qv_channel", "\"mail\""}, {"qv_result", "\"Fail\""}},
         {"qv_aname", "qv_shared_name"}},
        {"task, full",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventTask e{"", "开始下载大包", "R", 1.5f, QvResult::Success};
             t.trackTask(e, c);
         },
         "QvEventTask",
         7,
         {{"qv_task_name", "\"开始下载大包\""},
          {"qv_task_elapsed", "1.5"},
          {"qv_task_result", "\"Success\""},
          {"qv_reason", "\"R\""},
          {"$is_first_time", "true"}},
         {"qv_aname"}},
        {"task, unknown result and no elapsed",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventTask e;
             e.name = "N";
             e.result = QvResult::Unknown;
             t.trackTask(e, c);
         },
         "QvEventTask",
         7,
         {{"qv_task_name", "\"N\""}},
         {"qv_task_result", "qv_task_elapsed", "qv_reason"}},
        {"file",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventFile e;
             e.aname = "A";
             e.io = QvIoType::Output;
             e.result = QvResult::Cancelled;
             e.size = 0;
             e.duration = 5;
             e.fps = 29.5f;
             e.width = 640;
             t.trackFile(e, c);
         },
         "QvEventFile",
         8,
         {{"qv_aname", "\"A\""},
          {"qv_io", "\"Output\""},
          {"qv_result", "\"Cancelled\""},
          {"qv_duration", "5"},
          {"qv_fps", "29.5"},
          {"qv_width", "640"}},
         {"qv_size", "qv_height", "qv_bps", "qv_name"}},
        {"order",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventOrder e;
             e.suitId = "S";
             e.currency = QvCurrency::USD;
             e.originalAmount = 10;
             e.paidAmount = 8.5f;
             e.campaignCode = 3;
             e.curOriginalAmount = 12;
             t.trackOrder(e, c);
         },
         "QvEventOrder",
         9,
         {{"qv_suit_id", "\"S\""},
          {"qv_currency", "\"USD\""},
          {"qv_paid_amount", "8.5"},
          {"qv_original_amount", "10"},
          {"qv_campaign_code", "3"},
          {"qv_cur_original_amount", "12"},
          {"$is_first_time", "true"}},
         {"qv_cur_paid_amount", "qv_order_id"}},
        {"payment",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventPayment e;
             e.orderId = "O";
             e.paidPlatform = QvPaidPlatform::PayPal;
             e.currency = QvCurrency::EUR;
             e.paidAmount = 5;
             e.originalAmount = 6;
             e.result = QvResult::Success;
             e.iapType = QvIapType::AutoRenewable;
             t.trackPayment(e, c);
         },
         "QvEventPayment",
         10,
         {{"qv_order_id", "\"O\""},
          {"qv_paid_platform", "\"PayPal\""},
          {"qv_currency", "\"EUR\""},
          {"qv_paid_amount", "5"},
          {"qv_original_amount", "6"},
          {"qv_result", "\"Success\""},
          {"qv_iap_type", "\"AutoRenewable\""},
          {"$is_first_time", "true"}},
         {"qv_suit_id", "qv_campaign_code"}},
        {"uninstall",
         [](BeaconTracker& t, const QvContextProperties& c) { t.trackUninstall("why", c); },
         "QvEventUninstall",
         11,
         {{"qv_uninstall_reason", "\"why\""}},
         {"$is_first_time"}},
        {"crash",
         [](BeaconTracker& t, const QvContextProperties&) { t.trackCrash("崩溃"); },
         "AppCrashed",
         -1,
         {{"app_crashed_reason", "\"崩溃\""}},
         {"$is_first_time"}},
        {"update check without result",
         [](BeaconTracker& t, const QvContextProperties& c) { t.trackUpdate({}, c); },
         "QvEventUpdate",
         12,
         {{"qv_update_op", "\"UpdateCheck\""}, {"qv_update_result", "\"\""}},
         {"qv_elapsed"}},
        {"update download end",
         [](BeaconTracker& t, const QvContextProperties& c) {
             t.trackUpdate({QvUpdateOp::DownloadEnd, QvUpdateResult::Timeout, 2.0f}, c);
         },
         "QvEventUpdate",
         12,
         {{"qv_update_op", "\"DownloadEnd\""},
          {"qv_update_result", "\"Timeout\""},
          {"qv_elapsed", "2"}},
         {"$is_first_time"}},
        {"update upgrade end",
         [](BeaconTracker& t, const QvContextProperties& c) {
             t.trackUpdate({QvUpdateOp::UpgrateEnd, QvUpdateResult::Latest, 3.0f}, c);
         },
         "QvEventUpdate",
         12,
         {{"qv_update_op", "\"UpgrateEnd\""},
          {"qv_update_result", "\"Latest\""},
          {"$is_first_time", "true"}},
         {}},
        {"update download start",
         [](BeaconTracker& t, const QvContextProperties& c) {
             t.trackUpdate({QvUpdateOp::DownloadStart, QvUpdateResult::Fail, 1.0f}, c);
         },
         "QvEventUpdate",
         12,
         {{"qv_update_op", "\"DownloadStart\""}},
         {"qv_update_result", "qv_elapsed"}},
        {"notification opened",
         [](BeaconTracker& t, const QvContextProperties& c) {
             QvEventAppOpenNotification e;
             e.msgTitle = "T";
             e.planId = "P";
             e.planType = "PT";
             e.msgContent = "C";
             t.trackAppOpenNotification(&e, c);
         },
         "AppOpenNotification",
         14,
         {{"$sf_msg_title", "\"T\""},
          {"$sf_plan_id", "\"P\""},
          {"$sf_plan_type", "\"PT\""},
          {"$sf_msg_content", "\"C\""},
          {"$is_first_time", "true"}},
         {"$sf_link_url", "$sf_audience_id"}},
        {"activity",
         [](BeaconTracker& t, const QvContextProperties& c) { t.trackActivity(c); },
         "QvEventActivity",
         0,
         {{"$ios_install_source", "\"android_id=123##imei=1234##mac=123\""},
          {"$is_first_time", "true"},
          {"$os", "\"Linux\""},
          {"$app_id", "\"lumoraapp.downloader\""},
          {"qv_app_store", "\"lumora-setup\""},
          {"$app_version", "\"1.7.9\""}},
         {}},
        {"launch",
         [](BeaconTracker& t, const QvContextProperties& c) { t.trackLaunch(c); },
         "QvEventLaunch",
         1,
         {},
         {"$is_first_time"}},
    };
}

TEST(Catalogue, EachOperationSendsItsEventWithItsProperties) {
    for (const Sent& c : SentCases()) {
        LoopbackCollector collector;
        const QvContextProperties context = MarkedContext();
        auto records = RunTracker(
            TestConfig(collector.Url()), [&](BeaconTracker& t) { c.op(t, context); }, collector);
        const Json::Value r = FindEvent(records, c.event);
        ASSERT_TRUE(r.isObject()) << c.what;
        EXPECT_EQ(r["type"].asString(), "track") << c.what;
        const Json::Value& p = r["properties"];
        for (const auto& [key, json] : c.props)
            EXPECT_EQ(p[key], ParseJson("[" + json + "]")[0]) << c.what << ": " << key;
        for (const auto& key : c.absent) EXPECT_FALSE(p.isMember(key)) << c.what << ": " << key;
        for (int t = 0; t < kQvEventTypeCount; ++t)
            EXPECT_EQ(p.isMember("ctx_t" + std::to_string(t)), t == c.type) << c.what << ": " << t;
        // Super properties ride along.
        EXPECT_EQ(p["qv_app_id"].asString(), "lumoraapp.downloader") << c.what;
    }
}

TEST(Catalogue, ContextPropertiesOverrideEventKeys) {
    LoopbackCollector collector;
    QvContextProperties context;
    context.setProperty("qv_reason", "from context", {QvEventTaskType});
    context.setProperty("list", std::vector<std::string>{"a", "b"}, {QvEventTaskType});
    context.setProperty("num", 2.25, {QvEventTaskType});
    auto records = RunTracker(
        TestConfig(collector.Url()),
        [&](BeaconTracker& t) {
            t.trackTask({"", "N", "from event", std::nullopt, std::nullopt}, context);
        },
        collector);
    const Json::Value p = FindEvent(records, "QvEventTask")["properties"];
    EXPECT_EQ(p["qv_reason"].asString(), "from context");
    EXPECT_EQ(p["list"][1].asString(), "b");
    EXPECT_EQ(p["num"].asDouble(), 2.25);
}

struct Refused {
    const char* what;
    std::function<void(BeaconTracker&)> op;
    std::string message;
    std::string suffix;
};

std::vector<Refused> RefusedCases() {
    static const QvContextProperties none;
    auto task = [](QvEventTask e) { return [e](BeaconTracker& t) { t.trackTask(e, none); }; };
    auto order = [](std::function<void(QvEventOrder&)> f) {
        return [f](BeaconTracker& t) {
            QvEventOrder e;
            e.suitId = "S";
            e.currency = QvCurrency::CNY;
            e.originalAmount = 2;
            e.paidAmount = 1;
            f(e);
            t.trackOrder(e, none);
        };
    };
    auto payment = [](std::function<void(QvEventPayment&)> f) {
        return [f](BeaconTracker& t) {
            QvEventPayment e;
            e.orderId = "O";
            e.paidPlatform = QvPaidPlatform::Alipay;
            e.currency = QvCurrency::CNY;
            e.result = QvResult::Success;
            f(e);
            t.trackPayment(e, none);
        };
    };
    auto notification = [](std::function<void(QvEventAppOpenNotification&)> f) {
        return [f](BeaconTracker& t) {
            QvEventAppOpenNotification e;
            e.msgTitle = "T";
            e.planId = "P";
            e.planType = "PT";
            f(e);
            t.trackAppOpenNotification(&e, none);
        };
    };
    return {
        {"click without name", [](BeaconTracker& t) { t.trackClick({}, none); },
         "qvEventClick.name is empty", "Click"},
        {"click of type 9",
         [](BeaconTracker& t) {
             QvEventClick e;
             e.name = "N";
             e.clickType = 9;
             t.trackClick(e, none);
         },
         "Unknown ClickType [9]!", "Click"},
        {"view without name", [](BeaconTracker& t) { t.trackView({}, none); },
         "qvEventView.name is empty", "View"},
        {"cashier without name", [](BeaconTracker& t) { t.trackCashier({}, none); },
         "qvEventCashier.qv_cashier_name is empty", "Cashier"},
        {"share with result 4",
         [](BeaconTracker& t) {
             QvEventShare e;
             e.result = static_cast<QvResult>(4);
             t.trackShare(e, none);
         },
         "Unknown task result [4]!", "Share"},
        {"task without name", task({}), "qvEventTask.name is empty", "Task"},
        {"file without aname", [](BeaconTracker& t) { t.trackFile({}, none); },
         "qvEventFile.aname is empty", "File"},
        {"file with io 2",
         [](BeaconTracker& t) {
             QvEventFile e;
             e.aname = "A";
             e.io = static_cast<QvIoType>(2);
             t.trackFile(e, none);
         },
         "the io type is invalid", "File"},
        {"order without suit", order([](QvEventOrder& e) { e.suitId.clear(); }),
         "qvEventOrder.qvSuitId is empty", "Order"},
        {"order without currency", order([](QvEventOrder& e) { e.currency.reset(); }),
         "qvEventOrder.qvCurrency is nullptr", "Order"},
        {"order with no original amount", order([](QvEventOrder& e) { e.originalAmount = 0; }),
         "qvEventOrder.originalAmount is less than zero", "Order"},
        {"order with no paid amount", order([](QvEventOrder& e) { e.paidAmount = 0; }),
         "qvEventOrder.originalAmount is less than zero", "Order"},
        {"payment without order id", payment([](QvEventPayment& e) { e.orderId.clear(); }),
         "qvEventPayment.qvOrderId is empty", "Payment"},
        {"payment with negative paid amount", payment([](QvEventPayment& e) { e.paidAmount = -1; }),
         "paidAmount = -1.000000 is invalid", "Payment"},
        {"payment with negative original amount",
         payment([](QvEventPayment& e) { e.originalAmount = -2.5f; }),
         "originalAmount = -2.500000 is invalid", "Payment"},
        {"payment cancelled", payment([](QvEventPayment& e) { e.result = QvResult::Cancelled; }),
         "qvEventPayment.result is invalid", "Payment"},
        {"payment without result", payment([](QvEventPayment& e) { e.result.reset(); }),
         "qvEventPayment.result is invalid", "Payment"},
        {"update operation 7",
         [](BeaconTracker& t) {
             t.trackUpdate({static_cast<QvUpdateOp>(7), {}, {}}, none);
         },
         "Unknown QvUpdateOp [7]!", "Update"},
        {"download end without result",
         [](BeaconTracker& t) {
             t.trackUpdate({QvUpdateOp::DownloadEnd, {}, 1.0f}, none);
         },
         "Unknown updateResultInfo info", "Update"},
        {"upgrade end without elapsed",
         [](BeaconTracker& t) {
             t.trackUpdate({QvUpdateOp::UpgrateEnd, QvUpdateResult::Success, {}}, none);
         },
         "invalid elapsed info", "Update"},
        {"notification missing",
         [](BeaconTracker& t) { t.trackAppOpenNotification(nullptr, none); },
         "&appOpenNotification is nullptr", "AppOpenNotification"},
        {"notification without plan id",
         notification([](QvEventAppOpenNotification& e) { e.planId.clear(); }), "planID is emptry",
         "AppOpenNotification"},
        {"notification without plan type",
         notification([](QvEventAppOpenNotification& e) { e.planType.clear(); }),
         "planType is emptry", "AppOpenNotification"},
        {"notification without title",
         notification([](QvEventAppOpenNotification& e) { e.msgTitle.clear(); }),
         "msgTitle is emptry", "AppOpenNotification"},
        {"login of user type 12",
         [](BeaconTracker& t) {
             QvUserInfo u;
             u.userId = "u";
             u.userType = 12;
             t.trackLogin(u, true, "", none);
         },
         "Unknown user type [12]!", "Login"},
    };
}

TEST(Catalogue, RefusalsCarryTheirMessages) {
    BeaconTrackerImpl impl(TestConfig(trackertest::RefusedUrl()));
    impl.init(false);
    for (const Refused& c : RefusedCases()) {
        try {
            c.op(impl);
            ADD_FAILURE() << c.what << ": nothing thrown";
        } catch (const QvException& e) {
            EXPECT_EQ(e.message, c.message) << c.what;
            EXPECT_STREQ(e.what(), c.message.c_str());
            EXPECT_EQ(e.file.rfind("..\\..\\..\\..\\source\\src\\", 0), 0u) << e.file;
        }
    }
}

TEST(Catalogue, TheWrapperAbsorbsEveryRefusalAndSendsNothing) {
    LoopbackCollector collector;
    testsupport::LogCapture log;
    auto records = RunTracker(
        TestConfig(collector.Url()),
        [&](BeaconTrackerWrapper& w) {
            for (const Refused& c : RefusedCases()) {
                EXPECT_NO_THROW(c.op(w)) << c.what;
            }
        },
        collector);
    for (const auto& r : records) EXPECT_FALSE(r.isMember("event")) << r.toStyledString();
    std::map<std::string, int> want;
    for (const Refused& c : RefusedCases()) ++want["Failed to track" + c.suffix];
    for (const auto& [line, n] : want) EXPECT_EQ(log.Count(line), n) << line;
}

TEST(Catalogue, AWrapperWithoutAWorkingTrackerDoesNothing) {
    TrackerConfig config = TestConfig(trackertest::RefusedUrl());
    config.appStore = "";
    testsupport::LogCapture log;
    auto w = CreateBeaconTracker(config, false);
    ASSERT_NE(w->impl(), nullptr);
    EXPECT_NO_THROW(w->trackTask({"", "N", "", 0.0f, QvResult::Success}, {}));
    EXPECT_NO_THROW(w->trackCrash("x"));
    EXPECT_EQ(w->getLogger(), nullptr);
    EXPECT_EQ(log.Count("Failed to track"), 0);  // no log writer: nothing said
    EXPECT_EQ(log.Count("appStore is empty"), 1);

    BeaconTrackerWrapper empty(nullptr);
    EXPECT_NO_THROW(empty.trackClick({}, {}));
    EXPECT_EQ(empty.getPrimaryDistinctId(), "");
}

TEST(Catalogue, StartUpRefusals) {
    const std::pair<std::function<void(TrackerConfig&)>, const char*> cases[] = {
        {[](TrackerConfig& c) { c.appName = ""; }, "appName is empty"},
        {[](TrackerConfig& c) { c.appVersion = ""; }, "appVersion is empty"},
        {[](TrackerConfig& c) { c.appStore = ""; }, "appStore is empty"},
    };
    for (const auto& [change, message] : cases) {
        TrackerConfig config = TestConfig("");
        change(config);
        BeaconTrackerImpl impl(config);
        try {
            impl.init(false);
            ADD_FAILURE() << message;
        } catch (const QvException& e) {
            EXPECT_EQ(e.message, message);
            EXPECT_EQ(e.function, "init");
        }
    }
}

TEST(Catalogue, PaymentUpdatesTheProfileAndTheVipLevel) {
    LoopbackCollector collector;
    auto records = RunTracker(
        TestConfig(collector.Url()),
        [](BeaconTracker& t) {
            QvEventPayment e;
            e.orderId = "O";
            e.paidPlatform = QvPaidPlatform::Alipay;
            e.currency = QvCurrency::CNY;
            e.paidAmount = 7.5f;
            e.result = QvResult::Success;
            t.trackPayment(e, {});
        },
        collector);
    std::map<std::string, Json::Value> profile;
    for (const auto& r : records)
        if (r["type"].asString().rfind("profile_", 0) == 0)
            for (const auto& k : r["properties"].getMemberNames())
                profile[r["type"].asString() + " " + k] = r["properties"][k];
    EXPECT_EQ(profile["profile_increment qv_paid_count"].asDouble(), 1);
    EXPECT_EQ(profile["profile_increment qv_consumption"].asDouble(), 7.5);
    EXPECT_TRUE(profile["profile_set_once qv_first_paid_date"].isString());
    EXPECT_TRUE(profile["profile_set qv_last_paid_date"].isString());
    const std::string identity =
        trackertest::DataFolder() + "lumoraapp.downloader_QVSConfigure.ini";
    EXPECT_EQ(Platform::ReadProfileString(identity, "Base", "UserVipLevel", ""), "1");
}

TEST(Catalogue, LoginSignsUpOnceAndSendsUnderTheUserId) {
    LoopbackCollector collector;
    std::string device;
    auto records = RunTracker(
        TestConfig(collector.Url()),
        [&](BeaconTrackerWrapper& t) {
            device = t.getPrimaryDistinctId();
            QvUserInfo u;
            u.userId = "user-1";
            u.userType = 2;
            u.vipLevel = 3;
            t.trackLogin(u, true, "", {});
            t.trackLogin(u, true, "again", {});
            t.trackView({"", "V", "", ""}, {});
        },
        collector);
    std::vector<std::string> names = trackertest::EventNames(records);
    EXPECT_EQ(std::count(names.begin(), names.end(), "$SignUp"), 1);
    const Json::Value signup = FindEvent(records, "$SignUp");
    EXPECT_EQ(signup["original_id"].asString(), device);
    EXPECT_EQ(signup["distinct_id"].asString(), "user-1");
    const Json::Value login = FindEvent(records, "QvEventLogin");
    EXPECT_EQ(login["properties"]["qv_type"].asString(), "email");
    EXPECT_EQ(login["properties"]["qv_result"].asString(), "Success");
    EXPECT_EQ(login["properties"]["qv_login_id"].asString(), "user-1");
    const Json::Value view = FindEvent(records, "QvEventView");
    EXPECT_EQ(view["distinct_id"].asString(), "user-1");
    EXPECT_TRUE(view["properties"]["$is_login_id"].asBool());
    EXPECT_EQ(view["properties"]["qv_user_id"].asString(), "user-1");
    const std::string ini = trackertest::DataFolder() + "lumoraapp.downloader_QVSConfigure.ini";
    EXPECT_EQ(Platform::ReadProfileString(ini, "Base", "isLogined", ""), "OK");
    EXPECT_EQ(Platform::ReadProfileString(ini, "Base", "UserId", ""), "user-1");
    EXPECT_EQ(Platform::ReadProfileString(ini, "Base", "DistinctId", ""), "user-1");
    EXPECT_EQ(Platform::ReadProfileString(ini, "Base", "UserVipLevel", ""), "3");
}

TEST(ProfileUpdates, KeysDecideTheOperationAndRefuseOtherKinds) {
    BeaconTrackerImpl impl(TestConfig(trackertest::RefusedUrl()));
    impl.init(false);
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { impl.ProfileUserPropertyString("qv_shoe_size", "9"); },
         "Not supported user property [qv_shoe_size]!"},
        {[&] { impl.ProfileUserPropertyString("qv_visit_count", "1"); },
         "user property [qv_visit_count] is string type value, it cannot be accumulated!"},
        {[&] { impl.ProfileUserPropertyDateTime("qv_paid_count", 0); },
         "user property [qv_paid_count] is boolean value, it cannot be accumulative!"},
        {[&] { impl.ProfileUserPropertyNumber("nope", 1); }, "Not supported user property [nope]!"},
    };
    for (const auto& [op, message] : cases) EXPECT_EQ(ThrownMessage(op), message);
    EXPECT_NO_THROW(impl.ProfileUserPropertyNumber("qv_label", 2));
    EXPECT_NO_THROW(impl.ProfileUserPropertyString("qv_first_visit_date", "x"));
}

TEST(ContextProperties, AbValueRule) {
    const std::pair<const char*, const char*> cases[] = {
        {"IN", nullptr},
        {"A1", nullptr},
        {"B2C", nullptr},
        {"Z", nullptr},
        {"ABCD", "value's length is great than 3."},
        {"a1", "First char is not in A to Z"},
        {"1A", "First char is not in A to Z"},
        {"Ab", "second char is not in A to Z and 0 to 9"},
        {"AB-", "third char is not in A to Z and 0 to 9"},
    };
    for (auto [value, message] : cases) {
        if (!message) {
            EXPECT_TRUE(QvContextProperties::isValidABValue(value)) << value;
            continue;
        }
        try {
            QvContextProperties::isValidABValue(value);
            ADD_FAILURE() << value;
        } catch (const QvException& e) {
            EXPECT_EQ(e.message, message) << value;
            EXPECT_EQ(e.function, "isValidABValue");
            EXPECT_NE(e.file.find("QvContextProperties"), std::string::npos);
        }
    }
    EXPECT_FALSE(QvContextProperties::isValidABValue(""));
}

TEST(ContextProperties, KeysOnceAndEventTypesInRange) {
    QvContextProperties c;
    c.setProperty("qvc_ab", "IN", {3, 4});
    EXPECT_EQ(c.getEventProperties(3).size(), 1u);
    EXPECT_TRUE(c.getEventProperties(7).empty());
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { c.setProperty("qvc_ab", "IN", {7}); }, "Property[qvc_ab] already exist!"},
        {[&] { c.setProperty("other", true, {15}); }, "QvEvent[15] overflow!"},
        {[&] { c.getEventProperties(15); }, "QvEvent[15] overflow!"},
    };
    for (const auto& [op, message] : cases) EXPECT_EQ(ThrownMessage(op), message);
}

TEST(ContextProperties, AnOverflowingTypeEndsTheListingButTheKeyStaysTaken) {
    QvContextProperties c;
    EXPECT_EQ(ThrownMessage([&] { c.setProperty("k", "v", {3, 15, 4}); }), "QvEvent[15] overflow!");
    ASSERT_EQ(c.getEventProperties(3).size(), 1u);
    EXPECT_EQ(c.getEventProperties(3)[0].first, "k");
    EXPECT_TRUE(c.getEventProperties(4).empty());
    EXPECT_EQ(ThrownMessage([&] { c.setProperty("k", "v", {4}); }), "Property[k] already exist!");
    EXPECT_TRUE(c.getEventProperties(4).empty());
}

TEST(Enumerations, UnknownNumbersAreRefused) {
    const std::pair<std::function<std::string()>, std::string> cases[] = {
        {[] { return toString(static_cast<QvEventType>(15)); }, "Unknown Event [15]!"},
        {[] { return toString(static_cast<QvResult>(9)); }, "Unknown task result [9]!"},
        {[] { return toString(static_cast<QvClickType>(5)); }, "Unknown ClickType [5]!"},
        {[] { return toString(static_cast<QvUserType>(-1)); }, "Unknown user type [-1]!"},
        {[] { return toString(static_cast<QvIoType>(3)); }, "the io type is invalid"},
        {[] { return toString(static_cast<QvCurrency>(11)); }, "Unknown currency [11]!"},
        {[] { return toString(static_cast<QvPaidPlatform>(10)); }, "Unknown paid platform [10]!"},
        {[] { return toString(static_cast<QvIapType>(4)); }, "Unknown qvIapType [4]!"},
        {[] { return toString(static_cast<QvUpdateOp>(5)); }, "Unknown QvUpdateOp [5]!"},
        {[] { return toString(static_cast<QvUpdateResult>(6)); }, "Unknown QvUpdateResult [6]!"},
        {[] { return toString(static_cast<QvEdition>(2)); }, "Unknown edition [2]!"},
    };
    for (const auto& [op, message] : cases) EXPECT_EQ(ThrownMessage(op), message);
    try {
        toString(static_cast<QvEventType>(15));
        ADD_FAILURE() << "nothing thrown";
    } catch (const QvException& e) {
        EXPECT_EQ(e.file, "..\\..\\..\\..\\source\\src\\QvTypes.cpp");
        EXPECT_EQ(e.function, "toString");
    }
    EXPECT_EQ(toString(QvEventCrashed), "Crashed");
    EXPECT_EQ(toString(QvEventLaunch), "PaLaunchPal");
    EXPECT_EQ(toString(QvUserType::TamikUserId), "tamikuserid");
    EXPECT_EQ(toString(QvPaidPlatform::ChinaUnionPay), "ChinaUnionPay");
    EXPECT_EQ(toString(QvUpdateOp::UpgrateEnd), "UpgrateEnd");
}

}  // namespace
