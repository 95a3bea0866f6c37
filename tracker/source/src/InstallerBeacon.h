#pragma once
// The installer's reporting layer over the analytics tracker. Every operation
// returns at once when analytics are switched off (m_IsEnableAppBeacon) or no
// tracker has been started, and none ever throws.
#include <map>
#include <string>
#include <vector>

namespace tamik::beacon {
class QvContextProperties;
}

using TrackExtras = std::map<std::wstring, std::wstring>;

// Starts the tracker with the installer's identity from g_InstallerConfig.
void BeaconStart();
// Stops the tracker: the final flush of queued events happens here.
void BeaconStop();

void BeaconTrackTask(const std::wstring& name, float elapsed, const std::wstring& reason,
                     const TrackExtras& extras);
void BeaconTrackCrash();
void BeaconTrackClick(const std::wstring& name, const TrackExtras& extras);
void BeaconTrackView(const std::wstring& name, const TrackExtras& extras);

// Puts the A/B group of the extras ("AB") into the context property "qvc_ab"
// for the given event types. Throws tamik::beacon::QvException when the
// value breaks the A/B rule (the report is then abandoned).
void ApplyAbGroup(const TrackExtras& extras, const std::vector<int>& eventTypes,
                  tamik::beacon::QvContextProperties& context);

// The extras the installer passes before the window exists and in the crash path.
inline TrackExtras DefaultTrackExtras() { return {{L"AB", L"IN"}}; }
