#pragma once
// Properties the host attaches to events of chosen types (for example the
// A/B group "qvc_ab"). Each key may be set once per object; values are
// booleans, texts, numbers or lists of texts. Not thread-safe: one per report.
#include <string>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include "QvTypes.h"

namespace tamik::beacon {

class QvContextProperties {
public:
    using Value = std::variant<bool, std::string, double, std::vector<std::string>>;
    using Entry = std::pair<std::string, Value>;

    static constexpr const char* kAbKey = "qvc_ab";

    // Throws QvException "Property[key] already exist!" for a key offered
    // before, and "QvEvent[n] overflow!" at the first event type outside
    // 0..14; the key then counts as offered and the types listed before that
    // one keep their entry.
    void setProperty(const std::string& key, bool value, const std::vector<int>& eventTypes);
    void setProperty(const std::string& key, const std::string& value,
                     const std::vector<int>& eventTypes);
    void setProperty(const std::string& key, const char* value,
                     const std::vector<int>& eventTypes) {
        setProperty(key, std::string(value), eventTypes);
    }
    void setProperty(const std::string& key, double value, const std::vector<int>& eventTypes);
    void setProperty(const std::string& key, const std::vector<std::string>& value,
                     const std::vector<int>& eventTypes);

    // The entries for one event type, in the order they were set.
    const std::vector<Entry>& getEventProperties(int eventType) const;

    // An A/B group is one to three characters: an upper-case letter, then
    // upper-case letters or digits. Empty: false. Anything else invalid
    // throws QvException with the rule it breaks.
    static bool isValidABValue(const std::string& value);

private:
    void Add(const std::string& key, Value value, const std::vector<int>& eventTypes);

    std::unordered_set<std::string> m_Names;
    std::vector<Entry> m_Lists[kQvEventTypeCount];
};

}  // namespace tamik::beacon
