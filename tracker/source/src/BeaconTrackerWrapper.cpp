#include "BeaconTrackerWrapper.h"

#include "Console.h"

namespace tamik::beacon {

template <class F>
void BeaconTrackerWrapper::Guard(const char* suffix, F&& f) {
    if (!m_Impl) return;
    try {
        f(*m_Impl);
    } catch (...) {
        try {
            if (suffix && m_Impl->getLogger())
                beacon_analytics::ConsoleLine(std::string("Failed to track") + suffix);
        } catch (...) {
        }
    }
}

void BeaconTrackerWrapper::trackActivity(const QvContextProperties& c) {
    Guard("Activity", [&](BeaconTrackerImpl& t) { t.trackActivity(c); });
}
void BeaconTrackerWrapper::trackLaunch(const QvContextProperties& c) {
    Guard("Launch", [&](BeaconTrackerImpl& t) { t.trackLaunch(c); });
}
void BeaconTrackerWrapper::trackLogin(const QvUserInfo& u, bool success, const std::string& reason,
                                      const QvContextProperties& c) {
    Guard("Login", [&](BeaconTrackerImpl& t) { t.trackLogin(u, success, reason, c); });
}
void BeaconTrackerWrapper::trackClick(const QvEventClick& e, const QvContextProperties& c) {
    Guard("Click", [&](BeaconTrackerImpl& t) { t.trackClick(e, c); });
}
void BeaconTrackerWrapper::trackView(const QvEventView& e, const QvContextProperties& c) {
    Guard("View", [&](BeaconTrackerImpl& t) { t.trackView(e, c); });
}
void BeaconTrackerWrapper::trackCashier(const QvEventCashier& e, const QvContextProperties& c) {
    Guard("Cashier", [&](BeaconTrackerImpl& t) { t.trackCashier(e, c); });
}
void BeaconTrackerWrapper::trackShare(const QvEventShare& e, const QvContextProperties& c) {
    Guard("Share", [&](BeaconTrackerImpl& t) { t.trackShare(e, c); });
}
void BeaconTrackerWrapper::trackTask(const QvEventTask& e, const QvContextProperties& c) {
    Guard("Task", [&](BeaconTrackerImpl& t) { t.trackTask(e, c); });
}
void BeaconTrackerWrapper::trackFile(const QvEventFile& e, const QvContextProperties& c) {
    Guard("File", [&](BeaconTrackerImpl& t) { t.trackFile(e, c); });
}
void BeaconTrackerWrapper::trackOrder(const QvEventOrder& e, const QvContextProperties& c) {
    Guard("Order", [&](BeaconTrackerImpl& t) { t.trackOrder(e, c); });
}
void BeaconTrackerWrapper::trackPayment(const QvEventPayment& e, const QvContextProperties& c) {
    Guard("Payment", [&](BeaconTrackerImpl& t) { t.trackPayment(e, c); });
}
void BeaconTrackerWrapper::trackUninstall(const std::string& reason, const QvContextProperties& c) {
    Guard("Uninstall", [&](BeaconTrackerImpl& t) { t.trackUninstall(reason, c); });
}
void BeaconTrackerWrapper::trackCrash(const std::string& reason) {
    Guard("Crash", [&](BeaconTrackerImpl& t) { t.trackCrash(reason); });
}
void BeaconTrackerWrapper::trackUpdate(const QvEventUpdate& e, const QvContextProperties& c) {
    Guard("Update", [&](BeaconTrackerImpl& t) { t.trackUpdate(e, c); });
}
void BeaconTrackerWrapper::trackAppOpenNotification(const QvEventAppOpenNotification* e,
                                                    const QvContextProperties& c) {
    Guard("AppOpenNotification", [&](BeaconTrackerImpl& t) { t.trackAppOpenNotification(e, c); });
}
// Locale and id go without a failure line, but an exception still stops here.
void BeaconTrackerWrapper::setLocale(const std::string& locale) {
    Guard(nullptr, [&](BeaconTrackerImpl& t) { t.setLocale(locale); });
}
std::string BeaconTrackerWrapper::getPrimaryDistinctId() {
    std::string id;
    Guard(nullptr, [&](BeaconTrackerImpl& t) { id = t.getPrimaryDistinctId(); });
    return id;
}
void BeaconTrackerWrapper::crashBegin(std::chrono::milliseconds budget) {
    Guard(nullptr, [&](BeaconTrackerImpl& t) { t.crashBegin(budget); });
}
void BeaconTrackerWrapper::crashCheckpoint(std::chrono::milliseconds limit) {
    Guard(nullptr, [&](BeaconTrackerImpl& t) { t.crashCheckpoint(limit); });
}
void BeaconTrackerWrapper::skipFinalFlush() {
    Guard(nullptr, [&](BeaconTrackerImpl& t) { t.skipFinalFlush(); });
}

std::shared_ptr<BeaconTrackerWrapper> CreateBeaconTracker(const TrackerConfig& config, bool debug) {
    std::unique_ptr<BeaconTrackerImpl> impl;
    try {
        impl = std::make_unique<BeaconTrackerImpl>(config);
        impl->init(debug);
    } catch (const std::exception& e) {
        beacon_analytics::ConsoleLine(std::string("Tracker start-up failed: ") + e.what());
    } catch (...) {
    }
    return std::make_shared<BeaconTrackerWrapper>(std::move(impl));
}

}  // namespace tamik::beacon
