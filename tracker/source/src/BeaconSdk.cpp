#include "BeaconSdk.h"

#include <mutex>
#include <random>

#include "Console.h"
#include "Consumer.h"
#include "platform/Clock.h"

namespace beacon_analytics {
namespace {

struct Instance {
    std::mutex lock;  // guards the fields below but not the consumer
    PropertiesNode superProperties;
    std::string distinctId;
    bool loginFlag = false;
    std::mt19937 random;
    std::unique_ptr<Consumer> consumer;
};

std::mutex g_InstanceLock;
std::shared_ptr<Instance> g_Instance;

std::shared_ptr<Instance> Current() {
    std::lock_guard<std::mutex> g(g_InstanceLock);
    return g_Instance;
}

bool IsKeyByte(char c, bool first) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '$' || c == '_') return true;
    return !first && c >= '0' && c <= '9';
}

bool CheckProperties(const PropertiesNode& p) {
    for (const auto& [key, value] : p.Entries()) {
        if (!CheckKey(key, "Property Key")) return false;
        if (key == "$time" && value.type != PropertiesNode::ValueType::DateTime) {
            ConsoleLine("The property '$time' should be DateTime type.");
            return false;
        }
        if (key == "$project" && value.type != PropertiesNode::ValueType::String) {
            ConsoleLine("The property '$project' should be String type.");
            return false;
        }
    }
    return true;
}

std::string LastDigits(uint64_t n, size_t count) {
    std::string s = std::to_string(n);
    return s.size() > count ? s.substr(s.size() - count) : s;
}

// Builds one record and queues it. `eventName` is used for the track types,
// `originalId` for "track_signup".
bool Record(Instance& in, const std::string& type, const std::string& eventName,
            const PropertiesNode& properties, const std::string* distinctOverride,
            const std::string& originalId) {
    if (!CheckProperties(properties)) return false;
    if (type == "track" && !CheckKey(eventName, "Event Name")) return false;
    if (type == "track_signup" && !CheckIdentifier(originalId, "Original ID")) return false;

    std::string text;
    {
        std::lock_guard<std::mutex> g(in.lock);
        PropertiesNode merged;
        if (type.find("track") != std::string::npos) merged = in.superProperties;
        merged.RegisterAll(properties);

        int64_t time = Platform::NowEpochMillis();
        if (const auto* t = merged.Find("$time")) {
            time = t->dateTime.seconds * 1000 + t->dateTime.millis;
            merged.Remove("$time");
        }
        std::string project;
        bool hasProject = false;
        if (const auto* p = merged.Find("$project")) {
            project = p->text;
            hasProject = true;
            merged.Remove("$project");
        }
        if (in.loginFlag) merged.SetBool("$is_login_id", true);

        PropertiesNode lib;
        lib.SetString("$lib", "cpp");
        lib.SetString("$lib_method", "code");
        lib.SetString("$lib_version", Sdk::kLibVersion);

        PropertiesNode record;
        const std::string trackId =
            LastDigits(in.random() % 99 + 100, 2) + LastDigits(in.random() % 999 + 1000, 3) +
            LastDigits(static_cast<uint64_t>(Platform::NowEpochMillis()), 4);
        record.SetInteger("_track_id", std::stoll(trackId));
        record.SetString("distinct_id", distinctOverride ? *distinctOverride : in.distinctId);
        if (type == "track" || type == "track_signup") record.SetString("event", eventName);
        record.SetObject("lib", lib);
        if (type == "track_signup") record.SetString("original_id", originalId);
        if (hasProject) record.SetString("project", project);
        record.SetObject("properties", merged);
        record.SetInteger("time", time);
        record.SetString("type", type);
        text = record.ToJson();
    }
    in.consumer->Send(std::move(text));
    return true;
}

bool Profile(const std::string& type, const PropertiesNode& properties) {
    auto in = Current();
    return in && Record(*in, type, "", properties, nullptr, "");
}

}  // namespace

bool CheckKey(const std::string& key, const std::string& label) {
    if (key.empty() || key.size() > 100) {
        ConsoleLine("The " + label + " is empty or too long, max length is 100");
        return false;
    }
    for (size_t i = 0; i < key.size(); ++i) {
        if (!IsKeyByte(key[i], i == 0)) {
            ConsoleLine("The " + label + " need to be a valid variable name.");
            return false;
        }
    }
    return true;
}

bool CheckIdentifier(const std::string& id, const std::string& label) {
    if (id.empty()) {
        ConsoleLine("The " + label + " is empty.");
        return false;
    }
    if (id.size() > 255) {
        ConsoleLine("The " + label + " is too long, max length is 255.");
        return false;
    }
    return true;
}

bool Sdk::Init(const std::string& stagingPath, const std::string& serverUrl,
               const std::string& distinctId, bool loginFlag,
               std::shared_ptr<Transport> transport) {
    if (!CheckIdentifier(distinctId, "Distinct ID")) return false;
    std::lock_guard<std::mutex> g(g_InstanceLock);
    if (!g_Instance) {
        auto in = std::make_shared<Instance>();
        in->distinctId = distinctId;
        in->loginFlag = loginFlag;
        in->random.seed(static_cast<std::mt19937::result_type>(Platform::NowEpochMillis()));
        in->consumer = std::make_unique<Consumer>(stagingPath, serverUrl, std::move(transport));
        g_Instance = std::move(in);
    }
    return true;
}

void Sdk::Destroy() {
    std::shared_ptr<Instance> in;
    {
        std::lock_guard<std::mutex> g(g_InstanceLock);
        in.swap(g_Instance);
    }
    // The last user of the instance closes its consumer.
}

bool Sdk::Exists() { return Current() != nullptr; }

bool Sdk::RegisterSuperProperties(const PropertiesNode& properties) {
    auto in = Current();
    if (!in) return false;
    std::lock_guard<std::mutex> g(in->lock);
    in->superProperties.RegisterAll(properties);
    return true;
}

bool Sdk::Track(const std::string& eventName, const PropertiesNode& properties) {
    auto in = Current();
    return in && Record(*in, "track", eventName, properties, nullptr, "");
}

bool Sdk::TrackSignup(const std::string& loginId) {
    auto in = Current();
    if (!in || !CheckIdentifier(loginId, "Distinct ID")) return false;
    std::string original;
    {
        std::lock_guard<std::mutex> g(in->lock);
        original = in->distinctId;
    }
    if (!Record(*in, "track_signup", "$SignUp", PropertiesNode(), &loginId, original)) return false;
    std::lock_guard<std::mutex> g(in->lock);
    in->distinctId = loginId;
    in->loginFlag = true;
    return true;
}

bool Sdk::TrackInstallation(const std::string& eventName, const PropertiesNode& properties) {
    auto in = Current();
    if (!in) return false;
    PropertiesNode p;
    p.SetString("$ios_install_source", "");
    p.RegisterAll(properties);
    return Record(*in, "track", eventName, p, nullptr, "");
}

bool Sdk::ProfileSet(const PropertiesNode& p) { return Profile("profile_set", p); }
bool Sdk::ProfileSetOnce(const PropertiesNode& p) { return Profile("profile_set_once", p); }
bool Sdk::ProfileIncrement(const PropertiesNode& p) { return Profile("profile_increment", p); }

bool Sdk::ProfileAppend(const std::string& key, const std::string& value) {
    PropertiesNode p;
    p.SetList(key, {value});
    return Profile("profile_append", p);
}

bool Sdk::Flush() {
    auto in = Current();
    return in && in->consumer->Flush();
}

bool Sdk::HasPending() {
    auto in = Current();
    return in && in->consumer->HasPending();
}

bool Sdk::SaveStaging(std::chrono::milliseconds lockWait) {
    auto in = Current();
    return in && in->consumer->SaveStaging(lockWait);
}

std::string Sdk::DistinctId() {
    auto in = Current();
    if (!in) return "";
    std::lock_guard<std::mutex> g(in->lock);
    return in->distinctId;
}

bool Sdk::LoginFlag() {
    auto in = Current();
    if (!in) return false;
    std::lock_guard<std::mutex> g(in->lock);
    return in->loginFlag;
}

std::vector<std::string> Sdk::QueuedRecords() {
    auto in = Current();
    return in ? in->consumer->Snapshot() : std::vector<std::string>{};
}

}  // namespace beacon_analytics
