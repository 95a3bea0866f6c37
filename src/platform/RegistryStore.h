#pragma once
// The per-user registry: one INI file,
// ${XDG_CONFIG_HOME:-~/.config}/registry/HKEY_CURRENT_USER.ini, one section
// per key path (for example [Software\TaMikSoft\lumoraapp]), read and written
// with the profile-file rules (ProfileIni.h), atomically.
#include <optional>
#include <string>

namespace Platform {

// Where the store lives for this user (UTF-8 path).
std::string RegistryStorePath();

// The value's text; nullopt when the store, the key or the value is missing.
std::optional<std::string> ReadRegistryValue(const std::string& keyPath, const std::string& name);

// Sets one value, creating the store and its folder (mode 0700) when needed.
// False with the reason in *err.
bool WriteRegistryValue(const std::string& keyPath, const std::string& name,
                        const std::string& value, std::string* err);

}  // namespace Platform
