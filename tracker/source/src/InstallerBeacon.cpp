#include "InstallerBeacon.h"

#include <atomic>
#include <mutex>

#include "BeaconTrackerWrapper.h"
#include "utils/Text.h"

using namespace tamik::beacon;

namespace {

// Reports come from the UI thread, the size query's thread and a crashing
// thread; the handle is copied under this lock so none of them sees it torn.
std::mutex g_HandleLock;
std::shared_ptr<BeaconTrackerWrapper> g_Tracker;
std::atomic<bool> g_Enabled{true};

// How long the crash path waits for sends in flight before it keeps the
// rest in the staging file; each request is bounded by 3 seconds.
constexpr std::chrono::milliseconds kCrashWait{4000};

std::shared_ptr<BeaconTrackerWrapper> Tracker() {
    if (!g_Enabled) return nullptr;
    std::lock_guard<std::mutex> g(g_HandleLock);
    return g_Tracker;
}

// One report of an event type that takes extras: a fresh context with the
// A/B group for that type only; a refused A/B value ends the report.
template <class Send>
void Report(int eventType, const TrackExtras& extras, Send&& send) {
    auto tracker = Tracker();
    if (!tracker) return;
    try {
        QvContextProperties context;
        ApplyAbGroup(extras, {eventType}, context);
        send(*tracker, context);
    } catch (...) {
    }
}

}  // namespace

void ApplyAbGroup(const TrackExtras& extras, const std::vector<int>& eventTypes,
                  QvContextProperties& context) {
    auto it = extras.find(L"AB");
    if (it == extras.end()) return;
    const std::string value = Utils::ToUtf8(it->second);
    if (!QvContextProperties::isValidABValue(value)) return;
    context.setProperty(QvContextProperties::kAbKey, value, eventTypes);
}

void BeaconSetEnabled(bool enabled) { g_Enabled = enabled; }

bool BeaconEnabled() { return g_Enabled; }

void BeaconStart(const BeaconIdentity& identity) {
    if (!g_Enabled) return;
    TrackerConfig tc;
    tc.appName = Utils::ToUtf8(identity.appName + identity.appNameSuffix);
    tc.appVersion = Utils::ToUtf8(identity.appVersion);
    tc.appStore = Utils::ToUtf8(identity.installerFileName);
    tc.dlAppId = Utils::ToUtf8(identity.appName);
    tc.dlAppVersion = Utils::ToUtf8(identity.dlAppVersion);
    tc.logPath = "";
    tc.edition = 0;
    tc.serverUrl = Utils::ToUtf8(identity.serverUrl);
    auto tracker = CreateBeaconTracker(tc, false);
    std::lock_guard<std::mutex> g(g_HandleLock);
    g_Tracker = std::move(tracker);
}

void BeaconStop() {
    // A tracker that was started is always stopped (its threads must end
    // before libcurl does); with analytics switched off since, it sends
    // nothing more.
    std::shared_ptr<BeaconTrackerWrapper> tracker;
    {
        std::lock_guard<std::mutex> g(g_HandleLock);
        tracker.swap(g_Tracker);
    }
    if (tracker && !g_Enabled) tracker->skipFinalFlush();
    // The last owner's release runs the final flush.
}

void BeaconTrackTask(const std::wstring& name, float elapsed, const std::wstring& reason,
                     const TrackExtras& extras) {
    Report(QvEventTaskType, extras, [&](BeaconTrackerWrapper& tracker, QvContextProperties& c) {
        QvEventTask e;
        e.name = Utils::ToUtf8(name);
        e.reason = Utils::ToUtf8(reason);
        e.elapsed = elapsed;
        e.result = QvResult::Success;
        tracker.trackTask(e, c);
    });
}

void BeaconTrackCrash() {
    auto tracker = Tracker();
    if (!tracker) return;
    try {
        tracker->trackCrash(Utils::ToUtf8(L"崩溃"));
        // The process ends when the crash filter returns: nothing may still
        // be sending then, and what did not leave is kept for the next run.
        tracker->crashCheckpoint(kCrashWait);  // within the budget when one was set
    } catch (...) {
    }
}

void BeaconPrepareForCrash(std::chrono::milliseconds budget) {
    auto tracker = Tracker();
    if (tracker) tracker->crashBegin(budget);
}

void BeaconTrackClick(const std::wstring& name, const TrackExtras& extras) {
    Report(QvEventClickType, extras, [&](BeaconTrackerWrapper& tracker, QvContextProperties& c) {
        QvEventClick e;
        e.name = Utils::ToUtf8(name);
        e.clickType = static_cast<int>(QvClickType::Button);
        tracker.trackClick(e, c);
    });
}

void BeaconTrackView(const std::wstring& name, const TrackExtras& extras) {
    Report(QvEventViewType, extras, [&](BeaconTrackerWrapper& tracker, QvContextProperties& c) {
        QvEventView e;
        e.name = Utils::ToUtf8(name);
        tracker.trackView(e, c);
    });
}
