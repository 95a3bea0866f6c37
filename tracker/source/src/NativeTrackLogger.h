#pragma once
// The tracker's debug log file: one line per event, "<local time> <type>
// <properties as JSON>". Written only in debug mode.
#include <cstdio>
#include <mutex>

#include "BeaconTracker.h"

namespace tamik::beacon {

class NativeTrackLogger : public TrackLogger {
public:
    ~NativeTrackLogger() override;
    // Creates the file when missing and keeps it open for appending.
    bool open(const std::string& path) override;
    void write(const std::string& eventTypeName,
               const beacon_analytics::PropertiesNode& properties) override;

private:
    std::mutex m_Lock;
    std::FILE* m_File = nullptr;
};

}  // namespace tamik::beacon
