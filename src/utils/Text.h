#pragma once
// Conversions between the installer's wide text and 8-bit text in a code
// page, and the small string tools used around them. Code pages carry their
// Windows numbers: 0 is the locale's codeset, 65001 is UTF-8, any other n is
// iconv's "CP<n>". Pure functions; any thread.
#include <cstdint>
#include <string>

namespace Utils {

constexpr int CP_ACP = 0;
constexpr int CP_UTF8 = 65001;

// Input ends at its first zero byte. Unknown code page: empty result.
std::wstring MultiByteToWide(const std::string& text, int codePage);
// Input ends at its first zero character. Unknown code page: empty result;
// characters the code page cannot hold become '?'.
std::string WideToMultiByte(const std::wstring& text, int codePage);

inline std::string ToUtf8(const std::wstring& s) { return WideToMultiByte(s, CP_UTF8); }
inline std::wstring FromUtf8(const std::string& s) { return MultiByteToWide(s, CP_UTF8); }
// Paths and other text for the C runtime and the file system.
inline std::string ToAnsi(const std::wstring& s) { return WideToMultiByte(s, CP_ACP); }
inline std::wstring FromAnsi(const std::string& s) { return MultiByteToWide(s, CP_ACP); }

// Bytes 0x21..0x7E kept, space to '+', everything else as %XX (upper case).
std::string UrlEncode(const std::string& text);
// UTF-8 form of the text, URL-encoded, read back as wide text.
std::wstring UrlEncodeW(const std::wstring& text);

// White space is 0x20 and 0x09..0x0D only.
std::wstring TrimLeft(const std::wstring& text);
std::wstring TrimRight(const std::wstring& text);
std::wstring Trim(const std::wstring& text);

bool StartsWith(const std::wstring& text, const std::wstring& prefix);
// Replaces occurrences one at a time, each search from the start; the
// replacement must not contain the pattern.
std::wstring ReplaceAll(std::wstring text, const std::wstring& pattern,
                        const std::wstring& replacement);
std::wstring ToWString(uint32_t number);

}  // namespace Utils
