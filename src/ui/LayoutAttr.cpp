#include "ui/LayoutAttr.h"

#include <cstdint>
#include <cwctype>

#include "toolkit/UIAttrParse.h"

namespace LayoutAttr {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return i == a.size() && b[i] == 0;
}

int ToInt(const std::wstring& text) { return Toolkit::ParseInt(text); }

void ToInts(const std::wstring& text, int* out, int count) { Toolkit::ParseInts(text, out, count); }

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
