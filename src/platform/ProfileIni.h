#pragma once
// INI files with the rules of the Windows profile-string functions: section
// and key names compared without regard to case, blanks around values
// removed, one pair of enclosing quotes removed, other sections and keys kept
// when writing. Writes go to a temporary file that is renamed over the old
// one, so a reader never sees half a file. All text is UTF-8; paths are in the
// file system's byte form.
#include <string>

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
// reason in *err when the file cannot be read or written.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, std::string* err = nullptr);

}  // namespace Platform
