#include "toolkit/UIAttrParse.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

#include "utils/Text.h"

namespace Toolkit {

std::optional<UIColor> ParseColor(const std::wstring& text) {
    std::wstring s = Utils::Trim(text);
    if (!s.empty() && s[0] == L'#') {
        s.erase(0, 1);
    } else if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s.erase(0, 2);
    }
    if (s.size() != 8 && s.size() != 6) return std::nullopt;
    uint32_t v = 0;
    for (wchar_t c : s) {
        int d;
        if (c >= L'0' && c <= L'9') {
            d = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            d = c - L'a' + 10;
        } else if (c >= L'A' && c <= L'F') {
            d = c - L'A' + 10;
        } else {
            return std::nullopt;
        }
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    if (s.size() == 6) v |= 0xFF000000u;
    return v;
}

namespace {

// Reads one number at `i` (blanks, sign, digits) and leaves `i` after it.
int ReadNumber(const std::wstring& text, size_t& i) {
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > 0x80000000LL) v = 0x80000000LL;  // one past INT32_MAX is enough to saturate
    }
    v = negative ? -v : v;
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

int ClampCoordinate(int v) { return std::clamp(v, -kMaxLayoutCoordinate, kMaxLayoutCoordinate); }

}  // namespace

int ParseInt(const std::wstring& text) {
    size_t i = 0;
    return ReadNumber(text, i);
}

int ParseCoordinate(const std::wstring& text) { return ClampCoordinate(ParseInt(text)); }

void ParseInts(const std::wstring& text, int* out, int count) {
    size_t i = 0;
    for (int k = 0; k < count; ++k) {
        out[k] = i < text.size() ? ClampCoordinate(ReadNumber(text, i)) : 0;
        ++i;  // exactly one separator
    }
}

UIRect ParseRect(const std::wstring& text) {
    int v[4];
    ParseInts(text, v, 4);
    return {v[0], v[1], v[2], v[3]};
}

UISize ParseSize(const std::wstring& text) {
    int v[2];
    ParseInts(text, v, 2);
    return {v[0], v[1]};
}

bool ParseBool(const std::wstring& text) {
    std::wstring s = Utils::Trim(text);
    if (s.size() != 4) return false;
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s == L"true";
}

TImageSpec ParseImageSpec(const std::wstring& text) {
    TImageSpec spec;
    if (text.find(L'=') == std::wstring::npos) {
        spec.file = Utils::Trim(text);
        return spec;
    }
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && std::iswspace(text[i])) ++i;
        size_t keyStart = i;
        while (i < text.size() && text[i] != L'=' && !std::iswspace(text[i])) ++i;
        std::wstring key = text.substr(keyStart, i - keyStart);
        while (i < text.size() && std::iswspace(text[i])) ++i;
        if (i >= text.size() || text[i] != L'=') {
            if (key.empty()) break;
            continue;
        }
        ++i;
        while (i < text.size() && std::iswspace(text[i])) ++i;
        std::wstring value;
        if (i < text.size() && (text[i] == L'\'' || text[i] == L'"')) {
            wchar_t quote = text[i++];
            size_t end = text.find(quote, i);
            if (end == std::wstring::npos) end = text.size();
            value = text.substr(i, end - i);
            i = end + 1;
        } else {
            size_t start = i;
            while (i < text.size() && !std::iswspace(text[i])) ++i;
            value = text.substr(start, i - start);
        }
        for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
        if (key == L"file" || key == L"res") {
            spec.file = value;
        } else if (key == L"dest") {
            spec.dest = ParseRect(value);
            spec.hasDest = true;
        } else if (key == L"source") {
            spec.source = ParseRect(value);
            spec.hasSource = true;
        } else if (key == L"corner") {
            spec.corner = ParseRect(value);
        } else if (key == L"mask") {
            if (auto c = ParseColor(value)) {
                spec.mask = *c;
                spec.hasMask = true;
            }
        } else if (key == L"fade") {
            spec.fade = std::clamp(ParseInt(value), 0, 255);
        } else if (key == L"hole") {
            spec.hole = ParseBool(value);
        } else if (key == L"xtiled") {
            spec.xtiled = ParseBool(value);
        } else if (key == L"ytiled") {
            spec.ytiled = ParseBool(value);
        }
    }
    return spec;
}

}  // namespace Toolkit
