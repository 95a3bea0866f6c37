#pragma once
// The installer's reporting layer over the analytics tracker. Every operation
// returns at once when analytics are switched off or no tracker has been
// started, and none ever throws. It sits above the tracker's core and knows
// nothing of the installer's settings: its owner hands it the identity and
// the switch.
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace tamik::beacon {
class QvContextProperties;
}

using TrackExtras = std::map<std::wstring, std::wstring>;

// Who reports, as the settings stand when the tracker starts.
struct BeaconIdentity {
    std::wstring appName;            // the product, e.g. "lumoraapp"
    std::wstring appNameSuffix;      // ".downloader": the installer's own app id
    std::wstring appVersion;         // the installer's version
    std::wstring installerFileName;  // the executable's file name
    std::wstring dlAppVersion;       // the product's version, may be empty
    std::wstring serverUrl;          // the collector; empty sends nothing
};

// Starts the tracker with `identity`; does nothing while analytics are
// switched off.
void BeaconStart(const BeaconIdentity& identity);
// The analytics switch (on until told otherwise). Switched off after the
// start (the command line said so), reports are dropped and the stop keeps
// queued records staged instead of sending them. Any thread.
void BeaconSetEnabled(bool enabled);
bool BeaconEnabled();
// Stops the tracker: the final flush of queued events happens here.
void BeaconStop();

void BeaconTrackTask(const std::wstring& name, float elapsed, const std::wstring& reason,
                     const TrackExtras& extras);
// Reports the crash event and waits for the sends in flight, at most until
// the crash budget (BeaconPrepareForCrash, else 4 s) is used up; what has not
// left by then is staged for the next run.
void BeaconTrackCrash();
// The crash path begins: from now on reports hand their sends to worker
// threads (the crashed thread may hold the send lock) and every wait of the
// crash path ends within `budget` from now.
void BeaconPrepareForCrash(std::chrono::milliseconds budget);
void BeaconTrackClick(const std::wstring& name, const TrackExtras& extras);
void BeaconTrackView(const std::wstring& name, const TrackExtras& extras);

// Puts the A/B group of the extras ("AB") into the context property "qvc_ab"
// for the given event types. Throws tamik::beacon::QvException when the
// value breaks the A/B rule (the report is then abandoned).
void ApplyAbGroup(const TrackExtras& extras, const std::vector<int>& eventTypes,
                  tamik::beacon::QvContextProperties& context);

// The extras the installer passes before the window exists and in the crash path.
inline TrackExtras DefaultTrackExtras() { return {{L"AB", L"IN"}}; }
