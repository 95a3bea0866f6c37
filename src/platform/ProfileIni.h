#pragma once
// INI files with the rules of the Windows profile-string functions: section
// and key names compared without regard to case, blanks around values
// removed, one pair of enclosing quotes removed, other sections and keys kept
// when writing. Writes give the whole file in the profile form (one header
// per section, "key=value" with no blanks around "=") and go to a temporary
// file that is renamed over the old one, so a reader, or a run that ends
// half-way, sees either the old file or the new one. All text is UTF-8;
// paths are in the file system's byte form.
#include <string>
#include <utility>
#include <vector>

namespace Platform {

bool PathExists(const std::string& path);

// The value, or `def` when the file, section or key is missing.
std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def);

// Leading decimal digits of the value, 0 when it has none; `def` when the key is
// missing. Values beyond the 32-bit range give `def` too.
int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int def);

// Sets one key, creating the file (not its folder) when needed. False with a
// reason in *err when the file cannot be read or written, and when a name or
// the value would break the file's lines (a line break, "=" in a key, "]" in
// a section name); the file is then left as it was.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, std::string* err = nullptr);

// Sets several keys of one section with one replacement of the file, so that
// they change together. Same rules as WriteProfileString; nothing is written
// when one entry is refused.
using ProfileEntries = std::vector<std::pair<std::string, std::string>>;
bool WriteProfileStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries, std::string* err = nullptr);

}  // namespace Platform
