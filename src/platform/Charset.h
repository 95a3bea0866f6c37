#pragma once
// Character-set conversion (iconv). Code pages are named the Windows way by
// callers; this layer only knows iconv names.
#include <optional>
#include <string>

namespace Platform {

// The codeset of the process's locale (LC_CTYPE). The plain C locale reports
// ASCII, which cannot hold the file names our users have; UTF-8 is used then.
std::string LocaleCodeset();

// Bytes in charset `from` to wide text. nullopt when iconv does not know the
// charset. Invalid input sequences become U+FFFD.
std::optional<std::wstring> DecodeToWide(const std::string& bytes, const std::string& from);

// Wide text to bytes in charset `to`. nullopt when iconv does not know the
// charset. Characters the charset cannot hold become '?'.
std::optional<std::string> EncodeFromWide(const std::wstring& text, const std::string& to);

}  // namespace Platform
