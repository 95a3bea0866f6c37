#pragma once
// The tracker the host holds: forwards every operation to the implementation
// inside a catch-all guard, so that no analytics failure ever reaches the
// host. A wrapper without an implementation does nothing.
#include <chrono>
#include <memory>

#include "BeaconTrackerImpl.h"

namespace tamik::beacon {

class BeaconTrackerWrapper : public BeaconTracker {
public:
    explicit BeaconTrackerWrapper(std::unique_ptr<BeaconTrackerImpl> impl)
        : m_Impl(std::move(impl)) {}
    ~BeaconTrackerWrapper() override = default;

    void trackActivity(const QvContextProperties& context) override;
    void trackLaunch(const QvContextProperties& context) override;
    void trackLogin(const QvUserInfo& user, bool success, const std::string& reason,
                    const QvContextProperties& context) override;
    void trackClick(const QvEventClick& event, const QvContextProperties& context) override;
    void trackView(const QvEventView& event, const QvContextProperties& context) override;
    void trackCashier(const QvEventCashier& event, const QvContextProperties& context) override;
    void trackShare(const QvEventShare& event, const QvContextProperties& context) override;
    void trackTask(const QvEventTask& event, const QvContextProperties& context) override;
    void trackFile(const QvEventFile& event, const QvContextProperties& context) override;
    void trackOrder(const QvEventOrder& event, const QvContextProperties& context) override;
    void trackPayment(const QvEventPayment& event, const QvContextProperties& context) override;
    void trackUninstall(const std::string& reason, const QvContextProperties& context) override;
    void trackCrash(const std::string& reason) override;
    void trackUpdate(const QvEventUpdate& event, const QvContextProperties& context) override;
    void trackAppOpenNotification(const QvEventAppOpenNotification* event,
                                  const QvContextProperties& context) override;
    void setLocale(const std::string& locale) override;
    std::string getPrimaryDistinctId() override;
    // Always none: the log writer belongs to the implementation.
    TrackLogger* getLogger() override { return nullptr; }

    // Installer hooks, guarded like the operations.
    void crashBegin(std::chrono::milliseconds budget);
    void crashCheckpoint(std::chrono::milliseconds limit);
    void skipFinalFlush();

    BeaconTrackerImpl* impl() { return m_Impl.get(); }

private:
    template <class F>
    void Guard(const char* suffix, F&& f);

    std::unique_ptr<BeaconTrackerImpl> m_Impl;
};

}  // namespace tamik::beacon
