#include "InstallerBeacon.h"

// The tracker library is not linked in yet: there is never a tracker, so
// every report is dropped, exactly as reports made before start-up are.
void BeaconStart() {}
void BeaconStop() {}
void BeaconTrackTask(const std::wstring&, float, const std::wstring&, const TrackExtras&) {}
void BeaconTrackCrash() {}
void BeaconTrackClick(const std::wstring&, const TrackExtras&) {}
void BeaconTrackView(const std::wstring&, const TrackExtras&) {}
