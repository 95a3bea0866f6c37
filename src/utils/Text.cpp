#include "utils/Text.h"

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
    static const char kHex[] = "0123456789ABCDEF-";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char b : text) {
        if (b >= 0x21 && b <= 0x7E) {
            out.push_back(static_cast<char>(b));
        } else if (b == 0x20) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(kHex[b >> 4]);
            out.push_back(kHex[b & 0x0F]);
        }
    }
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
