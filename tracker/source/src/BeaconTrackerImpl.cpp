#include "BeaconTrackerImpl.h"

#include <algorithm>
#include <set>

#include "BeaconSdk.h"
#include "Console.h"
#include "NativeTrackLogger.h"
#include "NativeUserTracker.h"
#include "QvException.h"
#include "Sender.h"
#include "platform/Clock.h"

namespace tamik::beacon {
namespace {

using beacon_analytics::PropertiesNode;
using beacon_analytics::Sdk;

constexpr const char* kQvUnit = "BeaconTrackerImpl";
constexpr const char* kInstallSource = "android_id=123##imei=1234##mac=123";

void AddText(PropertiesNode& p, const char* key, const std::string& value) {
    if (!value.empty()) p.SetString(key, value);
}

void AddContext(PropertiesNode& p, const QvContextProperties& context, int eventType) {
    for (const auto& [key, value] : context.getEventProperties(eventType)) {
        if (const bool* b = std::get_if<bool>(&value))
            p.SetBool(key, *b);
        else if (const std::string* s = std::get_if<std::string>(&value))
            p.SetString(key, *s);
        else if (const double* d = std::get_if<double>(&value))
            p.SetNumber(key, *d);
        else
            p.SetList(key, std::get<std::vector<std::string>>(value));
    }
}

bool IsKnownResult(const std::optional<QvResult>& r) {
    return r && static_cast<int>(*r) >= 0 && static_cast<int>(*r) <= 2;
}

enum class ProfileOp { SetOnce, Increment, Set, Append };

ProfileOp ProfileOpFor(const std::string& key, const char* function) {
    static const std::set<std::string> setOnce = {"$first_visit_time", "qv_first_visit_date",
                                                  "$ios_install_source", "qv_first_paid_date"};
    static const std::set<std::string> increment = {"qv_visit_count", "qv_paid_count",
                                                    "qv_consumption"};
    static const std::set<std::string> set = {"qv_label",
                                              "qv_os",
                                              "qv_os_version",
                                              "qv_manufacturer",
                                              "qv_model",
                                              "qv_app_store",
                                              "qv_app_platform",
                                              "qv_last_app_id",
                                              "qv_last_app_version",
                                              "qv_carrier",
                                              "qv_last_visit_date",
                                              "aurora_pushid",
                                              "qv_user_id",
                                              "qv_user_name",
                                              "qv_user_type",
                                              "qv_user_nickname",
                                              "qv_user_portrait",
                                              "qv_user_mobilephone",
                                              "qv_user_email",
                                              "qv_user_weixin",
                                              "qv_user_qq",
                                              "qv_user_did",
                                              "qv_user_created",
                                              "qv_user_last_login",
                                              "qv_user_last_ip",
                                              "qv_user_vip_level",
                                              "qv_user_vip_enddate",
                                              "idfa",
                                              "imei",
                                              "android_id",
                                              "oaid",
                                              "qv_ip",
                                              "qv_country_code",
                                              "qv_country",
                                              "qv_province",
                                              "qv_city",
                                              "qv_last_paid_date"};
    if (setOnce.count(key)) return ProfileOp::SetOnce;
    if (increment.count(key)) return ProfileOp::Increment;
    if (set.count(key)) return ProfileOp::Set;
    QV_THROW(function, "Not supported user property [" + key + "]!");
}

// The one-entry profile record of a set once, set or increment.
void SendProfile(ProfileOp op, const PropertiesNode& p) {
    switch (op) {
        case ProfileOp::SetOnce:
            Sdk::ProfileSetOnce(p);
            break;
        case ProfileOp::Set:
            Sdk::ProfileSet(p);
            break;
        case ProfileOp::Increment:
            Sdk::ProfileIncrement(p);
            break;
        case ProfileOp::Append:
            break;  // appends carry a list; their callers send them
    }
}

}  // namespace

BeaconTrackerImpl::BeaconTrackerImpl(const TrackerConfig& config)
    : serverUrl(config.serverUrl),
      appName(config.appName),
      appVersion(config.appVersion),
      appStore(config.appStore),
      dlAppId(config.dlAppId),
      dlAppVersion(config.dlAppVersion),
      edition(config.edition),
      state(std::make_unique<TrackerState>()) {
    state->logPath = config.logPath;
    m_Sender = std::make_unique<beacon_analytics::Sender>(state->pendingSends,
                                                          [] { return Sdk::Flush(); });
}

BeaconTrackerImpl::~BeaconTrackerImpl() {
    // No hand-over may run while the core goes away.
    m_Sender->WaitAll();
    NativeUserTracker::SaveIdentity(*state);
    if (m_CoreStarted && !m_SkipFinalFlush &&
        (state->pendingSends.load() > 0 || Sdk::HasPending())) {
        // Also without pending sends: records staged by an earlier run, or
        // left by a flush-now event that found nothing pending, would
        // otherwise never leave.
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (Sdk::Flush()) {
                state->pendingSends = 0;
                break;
            }
        }
    }
    m_Sender.reset();
    if (m_CoreStarted) Sdk::Destroy();
}

int BeaconTrackerImpl::PendingSends() const { return state->pendingSends.load(); }

void BeaconTrackerImpl::init(bool debugFlag) {
    debug = debugFlag;
    if (appName.empty()) QV_THROW("init", "appName is empty");
    if (appVersion.empty()) QV_THROW("init", "appVersion is empty");
    if (appStore.empty()) QV_THROW("init", "appStore is empty");
    state->pendingSends = 0;
    NativeUserTracker::ResolvePaths(*state, appName);
    // The debug and release default collectors are both empty in this build:
    // an empty address simply delivers nothing.
    NativeUserTracker::LoadIdentity(*state);
    NativeUserTracker::ResetForCollector(*state, serverUrl);

    logger = std::make_unique<NativeTrackLogger>();
    logger->open(state->logPath);

    const bool loggedIn = state->isLogin && !state->userId.empty();
    if (!Sdk::Init(NativeUserTracker::StagingPath(*state, appName), serverUrl,
                   loggedIn ? state->userId : state->distinctId, loggedIn))
        QV_THROW("init", "beacon_analytics::Sdk::Init is failed");
    m_CoreStarted = true;
    const TrackerConfig config{.appName = appName,
                               .appVersion = appVersion,
                               .appStore = appStore,
                               .dlAppId = dlAppId,
                               .dlAppVersion = dlAppVersion,
                               .logPath = state->logPath,
                               .edition = edition,
                               .serverUrl = serverUrl};
    Sdk::RegisterSuperProperties(NativeUserTracker::CommonProperties(*state, config));
    NativeUserTracker::WriteAppRecord(*state, appName, appVersion, appStore);
}

void BeaconTrackerImpl::Log(int eventType, const PropertiesNode& properties) {
    if (debug && logger) logger->write(toString(static_cast<QvEventType>(eventType)), properties);
}

void BeaconTrackerImpl::Deliver(bool flushNow) { m_Sender->Deliver(flushNow); }

void BeaconTrackerImpl::Finish(int eventType, const std::string& eventName, PropertiesNode& p,
                               const QvContextProperties* context, bool flushNow,
                               int extraPending) {
    if (context) AddContext(p, *context, eventType);
    Sdk::Track(eventName, p);
    Log(eventType, p);
    state->pendingSends += extraPending;
    Deliver(flushNow);
}

void BeaconTrackerImpl::trackActivity(const QvContextProperties& context) {
    PropertiesNode p;
    AddContext(p, context, QvEventActivity);
    AddText(p, "qv_app_store", appStore);
    AddText(p, "qv_app_id", appName);
    AddText(p, "$app_id", appName);
    AddText(p, "$app_version", appVersion);
    p.SetString("$ios_install_source", kInstallSource);
    AddText(p, "$user_agent", NativeUserTracker::UserAgent());
    p.SetBool("$is_first_time", true);
    std::string os, osVersion;
    NativeUserTracker::OsName(os, osVersion);
    p.SetString("$os", os);
    p.SetString("$os_version", osVersion);
    Sdk::TrackInstallation("QvEventActivity", p);

    const int64_t now = Platform::NowEpochMillis();
    ProfileUserPropertyDateTime("$first_visit_time", now);
    ProfileUserPropertyDateTime("qv_first_visit_date", now);
    ProfileUserPropertyDateTime("qv_last_visit_date", now);
    ProfileUserPropertyString("qv_os", os);
    ProfileUserPropertyString("qv_os_version", osVersion);
    ProfileUserPropertyString("qv_app_store", appStore);
    ProfileUserPropertyString("qv_app_platform", os);
    ProfileUserPropertyString("qv_last_app_id", appName);
    ProfileUserPropertyString("qv_last_app_version", appVersion);
    ProfileUserPropertyString("$ios_install_source", kInstallSource);
    state->pendingSends += 9;
    Log(QvEventActivity, p);
    Deliver(true);
}

void BeaconTrackerImpl::trackLaunch(const QvContextProperties& context) {
    PropertiesNode p;
    AddContext(p, context, QvEventLaunch);
    Sdk::Track("QvEventLaunch", p);
    Log(QvEventLaunch, p);
    if (!state->userId.empty()) {
        const int64_t now = Platform::NowEpochMillis();
        ProfileUserPropertyDateTime("$first_visit_time", now);
        ProfileUserPropertyDateTime("qv_first_visit_date", now);
        ProfileUserPropertyDateTime("qv_last_visit_date", now);
        state->pendingSends += 4;
    }
    Deliver(true);
}

void BeaconTrackerImpl::trackLogin(const QvUserInfo& user, bool success, const std::string& reason,
                                   const QvContextProperties& context) {
    PropertiesNode p;
    AddText(p, "qv_user_id", user.userId);
    AddText(p, "qv_login_id", user.userId);
    p.SetString("qv_type", toString(static_cast<QvUserType>(user.userType)));
    p.SetString("qv_result", success ? "Success" : "Fail");
    AddText(p, "qv_reason", reason);
    if (!user.userId.empty()) {
        p.SetBool("$is_first_time", true);
        AddContext(p, context, QvEventLogin);
        Sdk::Track("QvEventLogin", p);
        state->vipLevel = user.vipLevel;
        if (!state->isLogin || state->userId.empty()) Sdk::TrackSignup(user.userId);
        state->isLogin = true;
        state->userId = user.userId;
        state->distinctId = user.userId;
        PropertiesNode super;
        super.SetString("qv_user_id", user.userId);
        Sdk::RegisterSuperProperties(super);
    } else {
        AddContext(p, context, QvEventLogin);
        Sdk::Track("QvEventLogin", p);
    }
    NativeUserTracker::SaveIdentity(*state);
    Log(QvEventLogin, p);
    Deliver(true);
}

void BeaconTrackerImpl::trackClick(const QvEventClick& e, const QvContextProperties& context) {
    if (e.name.empty()) QV_THROW("trackClick", "qvEventClick.name is empty");
    PropertiesNode p;
    p.SetString("qv_name", e.name);
    p.SetString("qv_click_type", toString(static_cast<QvClickType>(e.clickType)));
    AddText(p, "qv_aname", e.aname);
    AddText(p, "qv_title", e.title);
    AddText(p, "qv_position", e.position);
    AddText(p, "qv_module", e.module);
    AddText(p, "qv_tab_name", e.tabName);
    if (e.tabIndex) p.SetInteger("qv_tab_index", *e.tabIndex);
    AddText(p, "qv_banner_name", e.bannerName);
    if (e.bannerIndex) p.SetInteger("qv_banner_index", *e.bannerIndex);
    p.SetBool("$is_first_time", true);
    Finish(QvEventClickType, "QvEventClick", p, &context, false, 0);
}

void BeaconTrackerImpl::trackView(const QvEventView& e, const QvContextProperties& context) {
    if (e.name.empty()) QV_THROW("trackView", "qvEventView.name is empty");
    PropertiesNode p;
    p.SetString("qv_name", e.name);
    AddText(p, "qv_aname", e.aname);
    AddText(p, "qv_title", e.title);
    AddText(p, "qv_position", e.position);
    p.SetBool("$is_first_time", true);
    Finish(QvEventViewType, "QvEventView", p, &context, false, 1);
}

void BeaconTrackerImpl::trackCashier(const QvEventCashier& e, const QvContextProperties& context) {
    if (e.cashierName.empty()) QV_THROW("trackCashier", "qvEventCashier.qv_cashier_name is empty");
    PropertiesNode p;
    p.SetString("qv_cashier_name", e.cashierName);
    AddText(p, "qv_cashier_title", e.cashierTitle);
    AddText(p, "qv_subitem", e.subitem);
    p.SetBool("$is_first_time", true);
    Finish(QvEventCashierType, "QvEventCashier", p, &context, false, 1);
}

void BeaconTrackerImpl::trackShare(const QvEventShare& e, const QvContextProperties& context) {
    PropertiesNode p;
    AddText(p, "qv_aname", e.aname);
    AddText(p, "qv_channel", e.channel);
    AddText(p, "qv_position", e.position);
    AddText(p, "qv_shared_name", e.sharedName);
    if (e.result) p.SetString("qv_result", toString(*e.result));
    p.SetBool("$is_first_time", true);
    Finish(QvEventShareType, "QvEventShare", p, &context, false, 1);
}

void BeaconTrackerImpl::trackTask(const QvEventTask& e, const QvContextProperties& context) {
    if (e.name.empty()) QV_THROW("trackTask", "qvEventTask.name is empty");
    PropertiesNode p;
    p.SetString("qv_task_name", e.name);
    if (e.elapsed) p.SetNumber("qv_task_elapsed", *e.elapsed);
    if (IsKnownResult(e.result)) p.SetString("qv_task_result", toString(*e.result));
    AddText(p, "qv_aname", e.aname);
    AddText(p, "qv_reason", e.reason);
    p.SetBool("$is_first_time", true);
    Finish(QvEventTaskType, "QvEventTask", p, &context, false, 0);
}

void BeaconTrackerImpl::trackFile(const QvEventFile& e, const QvContextProperties& context) {
    if (e.aname.empty()) QV_THROW("trackFile", "qvEventFile.aname is empty");
    PropertiesNode p;
    p.SetString("qv_aname", e.aname);
    if (e.io) p.SetString("qv_io", toString(*e.io));
    if (IsKnownResult(e.result)) p.SetString("qv_result", toString(*e.result));
    AddText(p, "qv_name", e.name);
    AddText(p, "qv_ext", e.ext);
    if (e.size && *e.size > 0) p.SetNumber("qv_size", *e.size);
    if (e.duration) p.SetInteger("qv_duration", *e.duration);
    if (e.fps) p.SetNumber("qv_fps", *e.fps);
    if (e.bps) p.SetNumber("qv_bps", *e.bps);
    if (e.width) p.SetInteger("qv_width", *e.width);
    if (e.height) p.SetInteger("qv_height", *e.height);
    if (e.depth) p.SetInteger("qv_depth", *e.depth);
    p.SetBool("$is_first_time", true);
    Finish(QvEventFileType, "QvEventFile", p, &context, false, 1);
}

void BeaconTrackerImpl::trackOrder(const QvEventOrder& e, const QvContextProperties& context) {
    if (e.suitId.empty()) QV_THROW("trackOrder", "qvEventOrder.qvSuitId is empty");
    if (!e.currency) QV_THROW("trackOrder", "qvEventOrder.qvCurrency is nullptr");
    if (!(e.originalAmount > 0) || !(e.paidAmount > 0))
        QV_THROW("trackOrder", "qvEventOrder.originalAmount is less than zero");
    PropertiesNode p;
    p.SetString("qv_suit_id", e.suitId);
    p.SetString("qv_currency", toString(*e.currency));
    p.SetNumber("qv_paid_amount", e.paidAmount);
    p.SetNumber("qv_original_amount", e.originalAmount);
    p.SetBool("$is_first_time", true);
    AddText(p, "qv_order_id", e.orderId);
    AddText(p, "qv_subitem", e.subitem);
    AddText(p, "qv_sku", e.sku);
    if (e.campaignCode) p.SetInteger("qv_campaign_code", *e.campaignCode);
    AddText(p, "qv_voucher_id", e.voucherId);
    if (e.curOriginalAmount > 0) p.SetNumber("qv_cur_original_amount", e.curOriginalAmount);
    if (e.curPaidAmount > 0) p.SetNumber("qv_cur_paid_amount", e.curPaidAmount);
    AddText(p, "qv_cashier_name", e.cashierName);
    AddText(p, "qv_cashier_title", e.cashierTitle);
    Finish(QvEventOrderType, "QvEventOrder", p, &context, false, 1);
}

void BeaconTrackerImpl::trackPayment(const QvEventPayment& e, const QvContextProperties& context) {
    if (e.orderId.empty()) QV_THROW("trackPayment", "qvEventPayment.qvOrderId is empty");
    if (e.paidAmount < 0)
        QV_THROW("trackPayment", "paidAmount = " + std::to_string(e.paidAmount) + " is invalid");
    if (e.originalAmount < 0)
        QV_THROW("trackPayment",
                 "originalAmount = " + std::to_string(e.originalAmount) + " is invalid");
    if (!e.result || (*e.result != QvResult::Success && *e.result != QvResult::Fail))
        QV_THROW("trackPayment", "qvEventPayment.result is invalid");
    if (!e.paidPlatform) QV_THROW("trackPayment", "qvEventPayment.qvPaidPlatform is nullptr");
    if (!e.currency) QV_THROW("trackPayment", "qvEventPayment.qvCurrency is nullptr");
    PropertiesNode p;
    p.SetString("qv_order_id", e.orderId);
    p.SetString("qv_paid_platform", toString(*e.paidPlatform));
    p.SetString("qv_currency", toString(*e.currency));
    p.SetNumber("qv_paid_amount", e.paidAmount);
    p.SetNumber("qv_original_amount", e.originalAmount);
    p.SetString("qv_result", toString(*e.result));
    p.SetBool("$is_first_time", true);
    AddText(p, "qv_suit_id", e.suitId);
    if (e.iapType) p.SetString("qv_iap_type", toString(*e.iapType));
    AddText(p, "qv_subitem", e.subitem);
    AddText(p, "qv_sku", e.sku);
    AddText(p, "qv_voucher_id", e.voucherId);
    AddText(p, "qv_used_voucher_id", e.usedVoucherId);
    if (e.campaignCode) p.SetInteger("qv_campaign_code", *e.campaignCode);
    if (e.curOriginalAmount > 0) p.SetNumber("qv_cur_original_amount", e.curOriginalAmount);
    if (e.curPaidAmount > 0) p.SetNumber("qv_cur_paid_amount", e.curPaidAmount);
    AddText(p, "qv_cashier_name", e.cashierName);
    AddText(p, "qv_cashier_title", e.cashierTitle);
    AddContext(p, context, QvEventPaymentType);
    Sdk::Track("QvEventPayment", p);
    Log(QvEventPaymentType, p);

    const int64_t now = Platform::NowEpochMillis();
    ProfileUserPropertyNumber("qv_paid_count", 1);
    ProfileUserPropertyNumber("qv_consumption", e.paidAmount);
    ProfileUserPropertyDateTime("qv_first_paid_date", now);
    ProfileUserPropertyDateTime("qv_last_paid_date", now);
    state->pendingSends += 4;
    if (*e.result == QvResult::Success) {
        state->vipLevel = 1;
        NativeUserTracker::SaveIdentity(*state);
    }
    Deliver(true);
}

void BeaconTrackerImpl::trackUninstall(const std::string& reason,
                                       const QvContextProperties& context) {
    PropertiesNode p;
    AddText(p, "qv_uninstall_reason", reason);
    Finish(QvEventUninstall, "QvEventUninstall", p, &context, true, 0);
}

void BeaconTrackerImpl::trackCrash(const std::string& reason) {
    PropertiesNode p;
    AddText(p, "app_crashed_reason", reason);
    Finish(QvEventCrashed, "AppCrashed", p, nullptr, true, 0);
}

void BeaconTrackerImpl::trackUpdate(const QvEventUpdate& e, const QvContextProperties& context) {
    PropertiesNode p;
    p.SetString("qv_update_op", toString(e.op));
    switch (e.op) {
        case QvUpdateOp::UpdateCheck:
            p.SetString("qv_update_result", e.result ? toString(*e.result) : "");
            break;
        case QvUpdateOp::DownloadStart:
        case QvUpdateOp::UpgrateStart:
            break;
        case QvUpdateOp::DownloadEnd:
        case QvUpdateOp::UpgrateEnd:
            if (!e.result) QV_THROW("trackUpdate", "Unknown updateResultInfo info");
            p.SetString("qv_update_result", toString(*e.result));
            if (e.op == QvUpdateOp::UpgrateEnd) p.SetBool("$is_first_time", true);
            if (!e.elapsed) QV_THROW("trackUpdate", "invalid elapsed info");
            p.SetNumber("qv_elapsed", *e.elapsed);
            break;
    }
    Finish(QvEventUpdateType, "QvEventUpdate", p, &context, true, 0);
}

void BeaconTrackerImpl::trackAppOpenNotification(const QvEventAppOpenNotification* e,
                                                 const QvContextProperties& context) {
    if (!e) QV_THROW("trackAppOpenNotification", "&appOpenNotification is nullptr");
    if (e->planId.empty()) QV_THROW("trackAppOpenNotification", "planID is emptry");
    if (e->planType.empty()) QV_THROW("trackAppOpenNotification", "planType is emptry");
    if (e->msgTitle.empty()) QV_THROW("trackAppOpenNotification", "msgTitle is emptry");
    PropertiesNode p;
    p.SetString("$sf_msg_title", e->msgTitle);
    p.SetString("$sf_plan_id", e->planId);
    p.SetString("$sf_plan_type", e->planType);
    p.SetBool("$is_first_time", true);
    AddText(p, "$sf_msg_content", e->msgContent);
    AddText(p, "$sf_link_url", e->linkUrl);
    AddText(p, "$sf_audience_id", e->audienceId);
    AddText(p, "$sf_plan_strategy_id", e->planStrategyId);
    AddText(p, "$sf_strategy_unit_id", e->strategyUnitId);
    Finish(QvEventAppOpenNotificationType, "AppOpenNotification", p, &context, false, 0);
}

void BeaconTrackerImpl::setLocale(const std::string& locale) {
    state->locale = locale;
    PropertiesNode p;
    NativeUserTracker::AddLocalisation(*state, p);
    Sdk::RegisterSuperProperties(p);
}

std::string BeaconTrackerImpl::getPrimaryDistinctId() { return state->primaryDistinctId; }

void BeaconTrackerImpl::ProfileUserPropertyString(const std::string& key,
                                                  const std::string& value) {
    const ProfileOp op = ProfileOpFor(key, "ProfileUserPropertyString");
    if (op == ProfileOp::Increment)
        QV_THROW("ProfileUserPropertyString",
                 "user property [" + key + "] is string type value, it cannot be accumulated!");
    if (op == ProfileOp::Append) {
        Sdk::ProfileAppend(key, value);
        return;
    }
    PropertiesNode p;
    p.SetString(key, value);
    SendProfile(op, p);
}

void BeaconTrackerImpl::ProfileUserPropertyNumber(const std::string& key, double value) {
    const ProfileOp op = ProfileOpFor(key, "ProfileUserPropertyNumber");
    if (op == ProfileOp::Append)
        QV_THROW("ProfileUserPropertyNumber",
                 "user property [" + key + "] is number value, it cannot be append to list!");
    PropertiesNode p;
    p.SetNumber(key, value);
    SendProfile(op, p);
}

void BeaconTrackerImpl::ProfileUserPropertyDateTime(const std::string& key, int64_t epochMillis) {
    const ProfileOp op = ProfileOpFor(key, "ProfileUserPropertyDateTime");
    if (op == ProfileOp::Increment)
        QV_THROW("ProfileUserPropertyDateTime",
                 "user property [" + key + "] is boolean value, it cannot be accumulative!");
    if (op == ProfileOp::Append)
        QV_THROW("ProfileUserPropertyDateTime",
                 "user property [" + key + "] is boolean value, it cannot be append to list!");
    PropertiesNode p;
    p.SetDateTimeMillis(key, epochMillis);
    SendProfile(op, p);
}

void BeaconTrackerImpl::crashBegin(std::chrono::milliseconds budget) {
    m_CrashDeadline = std::chrono::steady_clock::now() + budget;
    m_Sender->SetAlwaysHandOver();
}

void BeaconTrackerImpl::crashCheckpoint(std::chrono::milliseconds limit) {
    if (!m_CoreStarted) return;
    using Clock = std::chrono::steady_clock;
    // One budget for both waits: the whole crash path stays within it.
    const Clock::time_point deadline =
        m_CrashDeadline != Clock::time_point{} ? m_CrashDeadline : Clock::now() + limit;
    auto left = [&] {
        return std::max(
            std::chrono::milliseconds(0),
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
    };
    if (!beacon_analytics::IsHandOverThread()) m_Sender->WaitAllFor(left());
    if (!Sdk::SaveStaging(left()))
        beacon_analytics::ConsoleLine("Crash: the unsent records could not be kept");
}

}  // namespace tamik::beacon
