#include "utils/Text.h"

#include <glib.h>

#include <algorithm>

#include "platform/Charset.h"

namespace Utils {
namespace {

std::string CharsetOf(int codePage) {
    if (codePage == CP_ACP) return Platform::LocaleCodeset();
    if (codePage == CP_UTF8) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

bool IsBlank(wchar_t c) { return c == L' ' || (c >= 0x09 && c <= 0x0D); }

}  // namespace

std::wstring MultiByteToWide(const std::string& text, int codePage) {
    std::string in(text.c_str());  // ends at the first zero byte
    auto out = Platform::DecodeToWide(in, CharsetOf(codePage));
    return out ? *out : std::wstring();
}

std::string WideToMultiByte(const std::wstring& text, int codePage) {
    std::wstring in(text.c_str());
    auto out = Platform::EncodeFromWide(in, CharsetOf(codePage));
    return out ? *out : std::string();
}

std::string UrlEncode(const std::string& text) {
    // Addresses go out with every printable ASCII byte as it stands (reserved
    // characters and "%" included) and the blank as "+": GLib keeps what we
    // list, and the blank is let through so that it can become "+" here.
    // GLib (2.74) also ends its output at a zero byte, so zero bytes are
    // written as "%00" here and the pieces between them escaped by GLib.
    static const char kKept[] = " !\"#$%&'()*+,/:;<=>?@[\\]^`{|}";
    std::string out;
    out.reserve(text.size());
    for (size_t start = 0;;) {
        const size_t zero = std::min(text.find('\0', start), text.size());
        char* escaped = g_uri_escape_bytes(reinterpret_cast<const guint8*>(text.data() + start),
                                           zero - start, kKept);
        out += escaped;
        g_free(escaped);
        if (zero == text.size()) break;
        out += "%00";
        start = zero + 1;
    }
    std::replace(out.begin(), out.end(), ' ', '+');
    return out;
}

std::wstring UrlEncodeW(const std::wstring& text) {
    return MultiByteToWide(UrlEncode(WideToMultiByte(text, CP_UTF8)), CP_UTF8);
}

std::wstring TrimLeft(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

std::wstring TrimRight(const std::wstring& text) {
    size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return text.substr(0, n);
}

std::wstring Trim(const std::wstring& text) { return TrimLeft(TrimRight(text)); }

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0 && text.size() >= prefix.size();
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& pattern,
                        const std::wstring& replacement) {
    if (pattern.empty()) return text;
    for (size_t pos; (pos = text.find(pattern)) != std::wstring::npos;)
        text.replace(pos, pattern.size(), replacement);
    return text;
}

std::wstring ToWString(uint32_t number) { return std::to_wstring(number); }

}  // namespace Utils
