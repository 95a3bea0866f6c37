#include "QvContextProperties.h"

#include "QvException.h"

namespace tamik::beacon {
namespace {

constexpr const char* kQvUnit = "QvContextProperties";

bool Upper(char c) { return c >= 'A' && c <= 'Z'; }
bool Digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void QvContextProperties::Add(const std::string& key, Value value,
                              const std::vector<int>& eventTypes) {
    if (!m_Names.insert(key).second)
        QV_THROW("setProperty", "Property[" + key + "] already exist!");
    for (int t : eventTypes) {
        if (t < 0 || t >= kQvEventTypeCount)
            QV_THROW("setProperty", "QvEvent[" + std::to_string(t) + "] overflow!");
        m_Lists[t].emplace_back(key, value);
    }
}

void QvContextProperties::setProperty(const std::string& key, bool value,
                                      const std::vector<int>& eventTypes) {
    Add(key, value, eventTypes);
}

void QvContextProperties::setProperty(const std::string& key, const std::string& value,
                                      const std::vector<int>& eventTypes) {
    Add(key, value, eventTypes);
}

void QvContextProperties::setProperty(const std::string& key, double value,
                                      const std::vector<int>& eventTypes) {
    Add(key, value, eventTypes);
}

void QvContextProperties::setProperty(const std::string& key, const std::vector<std::string>& value,
                                      const std::vector<int>& eventTypes) {
    Add(key, value, eventTypes);
}

const std::vector<QvContextProperties::Entry>& QvContextProperties::getEventProperties(
    int eventType) const {
    if (eventType < 0 || eventType >= kQvEventTypeCount)
        QV_THROW("getEventProperties", "QvEvent[" + std::to_string(eventType) + "] overflow!");
    return m_Lists[eventType];
}

bool QvContextProperties::isValidABValue(const std::string& value) {
    if (value.empty()) return false;
    if (value.size() >= 4) QV_THROW("isValidABValue", "value's length is great than 3.");
    if (!Upper(value[0])) QV_THROW("isValidABValue", "First char is not in A to Z");
    if (value.size() > 1 && !Upper(value[1]) && !Digit(value[1]))
        QV_THROW("isValidABValue", "second char is not in A to Z and 0 to 9");
    if (value.size() > 2 && !Upper(value[2]) && !Digit(value[2]))
        QV_THROW("isValidABValue", "third char is not in A to Z and 0 to 9");
    return true;
}

}  // namespace tamik::beacon
