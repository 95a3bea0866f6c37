#pragma once
// The tracker: turns each business event into a named analytics event with
// its fixed property keys, checks the records (failures throw QvException,
// which the wrapper absorbs), and hands the results to the analytics core.
// Track operations run on the caller's thread.
#include <chrono>
#include <memory>
#include <string>

#include "BeaconTracker.h"
#include "utils/CurlUsers.h"

namespace beacon_analytics {
class Sender;
}

namespace tamik::beacon {

struct TrackerState;

class BeaconTrackerImpl : public BeaconTracker {
public:
    explicit BeaconTrackerImpl(const TrackerConfig& config);
    // Waits for hand-overs in flight, saves the identity, makes the final
    // flush attempts and closes the core (which keeps what is still unsent).
    ~BeaconTrackerImpl() override;

    // Start-up; throws QvException ("appName is empty", ...,
    // "beacon_analytics::Sdk::Init is failed").
    void init(bool debug);

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
    TrackLogger* getLogger() override { return logger.get(); }

    // User-profile updates; the key decides the operation (set once,
    // increment, set). Unknown keys and value kinds the operation cannot
    // take throw QvException.
    void ProfileUserPropertyString(const std::string& key, const std::string& value);
    void ProfileUserPropertyNumber(const std::string& key, double value);
    void ProfileUserPropertyDateTime(const std::string& key, int64_t epochMillis);

    // The crash path begins: hand-overs go to worker threads from now on,
    // and the crash path's waits end within `budget` from now.
    void crashBegin(std::chrono::milliseconds budget);
    // The crash path: waits for hand-overs in flight until the crash budget
    // ends (or at most `limit` when crashBegin did not run), then writes what
    // is still queued, and the batch still being sent, to the staging file,
    // so that a process about to die loses nothing it could keep.
    void crashCheckpoint(std::chrono::milliseconds limit);
    // Analytics switched off after start-up: nothing more is sent, not even
    // at destruction (queued records stay staged).
    void skipFinalFlush() { m_SkipFinalFlush = true; }

    TrackerState& State() { return *state; }
    int PendingSends() const;

private:
    // First member, so it goes last: the final flush in the destructor may
    // post, on whichever thread releases the tracker, and shut-down must
    // not clean libcurl up before that is over.
    Utils::CurlUser m_CurlUse;

    void Finish(int eventType, const std::string& eventName,
                beacon_analytics::PropertiesNode& properties, const QvContextProperties* context,
                bool flushNow, int extraPending);
    void Deliver(bool flushNow);
    void Log(int eventType, const beacon_analytics::PropertiesNode& properties);

    std::string serverUrl;
    std::string appName, appVersion, appStore, dlAppId, dlAppVersion;
    std::unique_ptr<TrackLogger> logger;
    bool debug = false;
    int edition = 0;
    std::unique_ptr<TrackerState> state;

    std::unique_ptr<beacon_analytics::Sender> m_Sender;
    bool m_CoreStarted = false;
    bool m_SkipFinalFlush = false;
    std::chrono::steady_clock::time_point m_CrashDeadline{};
};

}  // namespace tamik::beacon
