#include "platform/RegistryStore.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/ProfileIni.h"
#include "platform/SpecialFolders.h"

namespace Platform {
namespace {

const std::string kMissing("\x01missing");

std::string StoreFolder() { return ConfigHome() + "/registry"; }

}  // namespace

std::string RegistryStorePath() { return StoreFolder() + "/HKEY_CURRENT_USER.ini"; }

std::optional<std::string> ReadRegistryValue(const std::string& keyPath, const std::string& name) {
    std::string v = ReadProfileString(RegistryStorePath(), keyPath, name, kMissing);
    if (v == kMissing) return std::nullopt;
    return v;
}

bool WriteRegistryValue(const std::string& keyPath, const std::string& name,
                        const std::string& value, std::string* err) {
    if (!MakeDirectories(StoreFolder(), 0700, err)) return false;
    return WriteProfileString(RegistryStorePath(), keyPath, name, value, err);
}

}  // namespace Platform
