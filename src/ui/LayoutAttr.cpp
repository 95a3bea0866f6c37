#include "ui/LayoutAttr.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace LayoutAttr {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}

int ToInt(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > 0x7FFFFFFF) v = 0x80000000LL;  // saturate; every caller range-checks
    }
    v = negative ? -v : v;
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

void ToInts(const std::wstring& text, int* out, int count) {
    size_t pos = 0;
    for (int k = 0; k < count; ++k) {
        out[k] = 0;
        if (pos > text.size()) continue;
        size_t end = pos;
        if (end < text.size() && (text[end] == L'-' || text[end] == L'+')) ++end;
        while (end < text.size() && text[end] >= L'0' && text[end] <= L'9') ++end;
        out[k] = ToInt(text.substr(pos, end - pos));
        pos = end + 1;  // exactly one separator character
    }
}

uint32_t ToColor(const std::wstring& text) {
    size_t i = 0;
    if (i < text.size() && text[i] == L'#') ++i;
    uint32_t v = 0;
    for (; i < text.size(); ++i) {
        const wchar_t c = text[i];
        int d;
        if (c >= L'0' && c <= L'9')
            d = c - L'0';
        else if (c >= L'a' && c <= L'f')
            d = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            d = c - L'A' + 10;
        else
            break;
        v = (v << 4) | static_cast<uint32_t>(d);
    }
    return v;
}

}  // namespace LayoutAttr
