#pragma once
// The typed property set of the analytics core and its JSON text. Keys are
// kept and written in ascending byte order; setting a key again replaces its
// value. Not thread-safe: one owner at a time.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace beacon_analytics {

class PropertiesNode {
public:
    // The tag numbers are those of the record format.
    enum class ValueType {
        Number = 0,
        Integer = 1,
        String = 2,
        List = 3,
        DateTime = 4,
        Bool = 5,
        Object = 6
    };

    struct DateTime {
        int64_t seconds = 0;  // since the epoch
        int millis = 0;       // 0..999
    };

    struct Value {
        ValueType type = ValueType::String;
        double number = 0;
        int64_t integer = 0;
        std::string text;
        std::vector<std::string> list;
        DateTime dateTime;
        bool boolean = false;
        std::shared_ptr<PropertiesNode> object;
    };

    // Text values must be valid UTF-8 of at most 8192 bytes; otherwise the
    // property is left out, a console line says why, and the result is false.
    bool SetString(const std::string& key, const std::string& value);
    // Non-finite numbers have no JSON form: they are left out like bad texts.
    bool SetNumber(const std::string& key, double value);
    void SetInteger(const std::string& key, int64_t value);
    void SetBool(const std::string& key, bool value);
    void SetList(const std::string& key, const std::vector<std::string>& values);
    void SetDateTime(const std::string& key, int64_t seconds, int millis);
    void SetDateTimeMillis(const std::string& key, int64_t epochMillis);
    void SetObject(const std::string& key, const PropertiesNode& node);
    // Copies every entry of `other`, replacing equal keys.
    void RegisterAll(const PropertiesNode& other);

    const Value* Find(const std::string& key) const;
    bool Has(const std::string& key) const { return Find(key) != nullptr; }
    void Remove(const std::string& key) { m_Values.erase(key); }
    bool Empty() const { return m_Values.empty(); }
    const std::map<std::string, Value>& Entries() const { return m_Values; }

    // "{" + "\"key\":value" entries joined by "," + "}", no blanks.
    std::string ToJson() const;

private:
    std::map<std::string, Value> m_Values;
};

// Quoted JSON text of `text`: the two-character escapes for backspace, tab,
// line feed, form feed, carriage return, quote and backslash, \u00XX for the
// other control bytes (raw ones are not valid JSON), every other byte as is.
std::string JsonQuote(const std::string& text);
// A double as a default-formatted stream writes it (6 significant digits).
std::string FormatNumber(double value);
// Local time of the instant, "\"YYYY-MM-DD hh:mm:ss.mmm\"".
std::string FormatDateTime(const PropertiesNode::DateTime& dt);
// Strict UTF-8 check (no overlong forms, no surrogates, at most U+10FFFF).
bool IsValidUtf8(const std::string& text);

}  // namespace beacon_analytics
