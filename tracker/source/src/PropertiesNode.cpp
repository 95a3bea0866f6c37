#include "PropertiesNode.h"

#include <cmath>
#include <cstdio>
#include <locale>
#include <sstream>

#include "Console.h"
#include "platform/Clock.h"

namespace beacon_analytics {
namespace {

constexpr size_t kMaxTextBytes = 8192;

void AppendValue(std::string& out, const PropertiesNode::Value& v) {
    using T = PropertiesNode::ValueType;
    switch (v.type) {
        case T::Number:
            out += FormatNumber(v.number);
            break;
        case T::Integer:
            out += std::to_string(v.integer);
            break;
        case T::String:
            out += JsonQuote(v.text);
            break;
        case T::List:
            out += '[';
            for (size_t i = 0; i < v.list.size(); ++i) {
                if (i) out += ',';
                out += JsonQuote(v.list[i]);
            }
            out += ']';
            break;
        case T::DateTime:
            out += FormatDateTime(v.dateTime);
            break;
        case T::Bool:
            out += v.boolean ? "true" : "false";
            break;
        case T::Object:
            out += v.object ? v.object->ToJson() : "{}";
            break;
    }
}

}  // namespace

bool IsValidUtf8(const std::string& s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF)
            len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF)
            len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4)
            len = 4, cp = c & 0x07;
        else
            return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string JsonQuote(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04X", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

std::string FormatNumber(double value) {
    // The classic locale: a host that changed the global locale must not turn
    // the decimal point into a comma on the wire.
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << value;
    return s.str();
}

std::string FormatDateTime(const PropertiesNode::DateTime& dt) {
    const Platform::LocalTime t = Platform::ToLocal(dt.seconds, dt.millis);
    char buf[64];
    std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond);
    return buf;
}

bool PropertiesNode::SetString(const std::string& key, const std::string& value) {
    if (value.size() > kMaxTextBytes) {
        ConsoleLine("String property '" + key + "' is too long, value: " + value);
        return false;
    }
    if (!IsValidUtf8(value)) {
        ConsoleLine("String property '" + key + "' is not valid UTF-8 string, value: " + value);
        return false;
    }
    Value v;
    v.type = ValueType::String;
    v.text = value;
    m_Values[key] = std::move(v);
    return true;
}

bool PropertiesNode::SetNumber(const std::string& key, double value) {
    if (!std::isfinite(value)) {
        ConsoleLine("Number property '" + key +
                    "' is not a finite number, value: " + FormatNumber(value));
        return false;
    }
    Value v;
    v.type = ValueType::Number;
    v.number = value;
    m_Values[key] = std::move(v);
    return true;
}

void PropertiesNode::SetInteger(const std::string& key, int64_t value) {
    Value v;
    v.type = ValueType::Integer;
    v.integer = value;
    m_Values[key] = std::move(v);
}

void PropertiesNode::SetBool(const std::string& key, bool value) {
    Value v;
    v.type = ValueType::Bool;
    v.boolean = value;
    m_Values[key] = std::move(v);
}

void PropertiesNode::SetList(const std::string& key, const std::vector<std::string>& values) {
    Value v;
    v.type = ValueType::List;
    v.list = values;
    m_Values[key] = std::move(v);
}

void PropertiesNode::SetDateTime(const std::string& key, int64_t seconds, int millis) {
    Value v;
    v.type = ValueType::DateTime;
    v.dateTime = {seconds, millis};
    m_Values[key] = std::move(v);
}

void PropertiesNode::SetDateTimeMillis(const std::string& key, int64_t epochMillis) {
    int64_t sec = epochMillis / 1000, ms = epochMillis % 1000;
    if (ms < 0) ms += 1000, --sec;
    SetDateTime(key, sec, static_cast<int>(ms));
}

void PropertiesNode::SetObject(const std::string& key, const PropertiesNode& node) {
    Value v;
    v.type = ValueType::Object;
    v.object = std::make_shared<PropertiesNode>(node);
    m_Values[key] = std::move(v);
}

void PropertiesNode::RegisterAll(const PropertiesNode& other) {
    for (const auto& [k, v] : other.m_Values) m_Values[k] = v;
}

const PropertiesNode::Value* PropertiesNode::Find(const std::string& key) const {
    auto it = m_Values.find(key);
    return it == m_Values.end() ? nullptr : &it->second;
}

std::string PropertiesNode::ToJson() const {
    std::string out = "{";
    bool first = true;
    for (const auto& [k, v] : m_Values) {
        if (!first) out += ',';
        first = false;
        out += JsonQuote(k);
        out += ':';
        AppendValue(out, v);
    }
    out += '}';
    return out;
}

}  // namespace beacon_analytics
