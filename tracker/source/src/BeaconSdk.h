#pragma once
// The analytics core: one instance per process, made by Sdk::Init. It checks
// keys and identifiers, assembles event and profile records (super
// properties, time, project, login mark, track id) and hands their JSON text
// to its Consumer. Problems are written as console lines, never thrown.
// Every operation may be called from any thread; before Init succeeded (or
// after Destroy) each does nothing and returns false.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "PropertiesNode.h"

namespace beacon_analytics {

class Transport;
class Consumer;

// Event names and property keys: 1 to 100 bytes, a letter, "$" or "_" first,
// then letters, digits, "$" or "_". `label` names the thing in the message.
bool CheckKey(const std::string& key, const std::string& label);
// Distinct and original ids: 1 to 255 bytes.
bool CheckIdentifier(const std::string& id, const std::string& label);

class Sdk {
public:
    static constexpr const char* kLibVersion = "0.9";

    // `stagingPath` is the file where unsent records wait between runs.
    // A null transport means the real libcurl post.
    static bool Init(const std::string& stagingPath, const std::string& serverUrl,
                     const std::string& distinctId, bool loginFlag,
                     std::shared_ptr<Transport> transport = nullptr);
    // Destroys the instance; its Consumer keeps what is still queued.
    static void Destroy();
    static bool Exists();

    static bool RegisterSuperProperties(const PropertiesNode& properties);
    static bool Track(const std::string& eventName, const PropertiesNode& properties);
    static bool TrackSignup(const std::string& loginId);
    static bool TrackInstallation(const std::string& eventName, const PropertiesNode& properties);
    static bool ProfileSet(const PropertiesNode& properties);
    static bool ProfileSetOnce(const PropertiesNode& properties);
    static bool ProfileIncrement(const PropertiesNode& properties);
    static bool ProfileAppend(const std::string& key, const std::string& value);

    static bool Flush();
    // True when the queue (staged records included) holds something.
    static bool HasPending();
    // The crash path's checkpoint (Consumer::SaveStaging).
    static bool SaveStaging(std::chrono::milliseconds lockWait);

    static std::string DistinctId();
    static bool LoginFlag();
    // The queued record texts, oldest first (tests and diagnostics).
    static std::vector<std::string> QueuedRecords();
};

}  // namespace beacon_analytics
