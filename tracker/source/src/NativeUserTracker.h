#pragma once
// The tracker's identity and fixed context: where its files live, the
// identity file kept from run to run, device ids, the names of the system,
// the user agent, the locale, and the common properties of every event.
//
// Files (Linux): the data folder is <local app data>/RIRivez/<appName>/
// unless a "Set.ini" beside the executable names the identity file in
// [Install] QVBeaconAnalyticsIni; in it live <appName>_QVSConfigure.ini (the
// identity), <appName>_QVSStaging.txt (records not yet delivered) and
// <appName>_QVSLog.txt (the debug log).
#include <atomic>
#include <functional>
#include <string>

#include "BeaconTracker.h"
#include "PropertiesNode.h"

namespace tamik::beacon {

struct TrackerState {
    bool isLogin = false;
    std::string userId;
    std::string distinctId;
    std::string primaryDistinctId;
    int vipLevel = 0;
    std::string logPath;
    std::string locale;
    std::string dataFolder;  // ends with "/"
    std::string identityPath;
    std::string storedUrl;
    std::atomic<int> pendingSends{0};
};

class NativeUserTracker {
public:
    // Fills identityPath, dataFolder and (when empty) logPath, creating the
    // data folder. `exeDir` is the folder of the running executable (where
    // the locator "Set.ini" may be); empty means the real one.
    static void ResolvePaths(TrackerState& state, const std::string& appName,
                             const std::string& exeDir = "");
    // Where the records not yet delivered wait between runs.
    static std::string StagingPath(const TrackerState& state, const std::string& appName);

    // Reads the "Base" section; a missing distinct id gets a new device id,
    // which is saved at once.
    static void LoadIdentity(TrackerState& state);
    // Writes the "Base" section. False (reason on the console) when the file
    // cannot be written.
    static bool SaveIdentity(const TrackerState& state);
    // The start-up reset: when the identity belongs to another collector, or
    // has no distinct id, the login is dropped and the device's first id is
    // used again.
    static void ResetForCollector(TrackerState& state, const std::string& serverUrl);
    static void WriteAppRecord(const TrackerState& state, const std::string& appName,
                               const std::string& appVersion, const std::string& appStore);

    // An upper-case GUID without braces; after eleven failed attempts of
    // `guidSource`, a fixed-seed fallback in lower-case hexadecimal.
    static std::string NewDeviceId();
    static std::string NewDeviceId(const std::function<bool(std::string*)>& guidSource);

    // "Linux" and the kernel release.
    static void OsName(std::string& os, std::string& osVersion);
    static bool Is64BitOs();
    // "Mozilla/5.0(Linux <release>; X64;)", "X32;)" on a 32-bit system.
    static std::string UserAgent();
    static bool SystemLocale(std::string& language, std::string& country, std::string& locale);
    static bool SplitLocale(const std::string& locale, std::string& language, std::string& country);
    // The localisation triple: the locale set by setLocale when it splits,
    // otherwise the system's (empty texts when that fails).
    static void LocalisationValues(const TrackerState& state, std::string& locale,
                                   std::string& language, std::string& country);
    static void AddLocalisation(const TrackerState& state, beacon_analytics::PropertiesNode& node);

    // The super properties registered at start-up.
    static beacon_analytics::PropertiesNode CommonProperties(const TrackerState& state,
                                                             const TrackerConfig& config);
};

}  // namespace tamik::beacon
