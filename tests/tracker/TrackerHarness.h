#pragma once
// Runs a real tracker against a loopback collector: the tracker is created,
// used and destroyed (its final flush delivers what it queued), then the
// records the collector stored are returned.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BeaconTrackerWrapper.h"
#include "LoopbackCollector.h"

namespace trackertest {

inline tamik::beacon::TrackerConfig TestConfig(const std::string& serverUrl) {
    tamik::beacon::TrackerConfig c;
    c.appName = "lumoraapp.downloader";
    c.appVersion = "1.7.9";
    c.appStore = "lumora-setup";
    c.dlAppId = "lumoraapp";
    c.dlAppVersion = "";
    c.serverUrl = serverUrl;
    return c;
}

inline std::vector<Json::Value> RunTracker(
    const tamik::beacon::TrackerConfig& config,
    const std::function<void(tamik::beacon::BeaconTrackerWrapper&)>& use,
    LoopbackCollector& collector) {
    {
        auto tracker = tamik::beacon::CreateBeaconTracker(config, false);
        use(*tracker);
    }
    return collector.Records();
}

// The first record with this event name, or null.
inline Json::Value FindEvent(const std::vector<Json::Value>& records, const std::string& name) {
    for (const auto& r : records)
        if (r.get("event", "").asString() == name) return r;
    return Json::Value();
}

// The data folder of the test configuration under the test's home.
inline std::string DataFolder() {
    return std::string(getenv("XDG_DATA_HOME")) + "/RIRivez/lumoraapp.downloader/";
}

}  // namespace trackertest
