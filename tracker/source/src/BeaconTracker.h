#pragma once
// The tracker as the host program sees it: one interface with every event
// operation. Obtain one with CreateBeaconTracker; its operations never throw.
#include <memory>
#include <string>

#include "PropertiesNode.h"
#include "QvContextProperties.h"
#include "QvTypes.h"

namespace tamik::beacon {

// The start-up record. Texts are UTF-8.
struct TrackerConfig {
    std::string appName;
    std::string appVersion;
    std::string appStore;
    std::string dlAppId;
    std::string dlAppVersion;
    std::string logPath;  // empty: beside the identity file
    int edition = 0;      // 0 china, 1 overseas
    std::string serverUrl;
};

// The tracker's own debug log.
class TrackLogger {
public:
    virtual ~TrackLogger() = default;
    virtual bool open(const std::string& path) = 0;
    virtual void write(const std::string& eventTypeName,
                       const beacon_analytics::PropertiesNode& properties) = 0;
};

class BeaconTracker {
public:
    virtual ~BeaconTracker() = default;
    virtual void trackActivity(const QvContextProperties& context) = 0;
    virtual void trackLaunch(const QvContextProperties& context) = 0;
    virtual void trackLogin(const QvUserInfo& user, bool success, const std::string& reason,
                            const QvContextProperties& context) = 0;
    virtual void trackClick(const QvEventClick& event, const QvContextProperties& context) = 0;
    virtual void trackView(const QvEventView& event, const QvContextProperties& context) = 0;
    virtual void trackCashier(const QvEventCashier& event, const QvContextProperties& context) = 0;
    virtual void trackShare(const QvEventShare& event, const QvContextProperties& context) = 0;
    virtual void trackTask(const QvEventTask& event, const QvContextProperties& context) = 0;
    virtual void trackFile(const QvEventFile& event, const QvContextProperties& context) = 0;
    virtual void trackOrder(const QvEventOrder& event, const QvContextProperties& context) = 0;
    virtual void trackPayment(const QvEventPayment& event, const QvContextProperties& context) = 0;
    virtual void trackUninstall(const std::string& reason, const QvContextProperties& context) = 0;
    virtual void trackCrash(const std::string& reason) = 0;
    virtual void trackUpdate(const QvEventUpdate& event, const QvContextProperties& context) = 0;
    virtual void trackAppOpenNotification(const QvEventAppOpenNotification* event,
                                          const QvContextProperties& context) = 0;
    virtual void setLocale(const std::string& locale) = 0;
    virtual std::string getPrimaryDistinctId() = 0;
    virtual TrackLogger* getLogger() = 0;
};

class BeaconTrackerWrapper;

// Builds the implementation, runs its start-up (any failure is absorbed: the
// wrapper then forwards to a half-initialised tracker whose operations send
// nothing) and wraps it.
std::shared_ptr<BeaconTrackerWrapper> CreateBeaconTracker(const TrackerConfig& config, bool debug);

}  // namespace tamik::beacon
