#include "platform/ProfileIni.h"

// Narrow UTF-8 text only; our own layer converts.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace Platform {
namespace {

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Only regular files are read: a folder (or a device) given as an INI path
// would otherwise be read as an endless or huge stream.
bool Load(CSimpleIniA& ini, const std::string& path) {
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    return IsRegularFile(path) && ini.LoadFile(path.c_str()) >= 0;
}

std::string Unquote(std::string v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

std::string ReadProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& def) {
    CSimpleIniA ini;
    if (!Load(ini, path)) return def;
    const char* v = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!v) return def;
    return Unquote(v);
}

int ReadProfileInt(const std::string& path, const std::string& section, const std::string& key,
                   int def) {
    CSimpleIniA ini;
    if (!Load(ini, path)) return def;
    const char* v = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!v) return def;
    std::string s = Unquote(v);
    long long n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) return def;
    }
    return static_cast<int>(n);
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value, std::string* err) {
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (PathExists(path) && !Load(ini, path)) {
        if (err) *err = "cannot read " + path;
        return false;
    }
    ini.SetValue(section.c_str(), key.c_str(), value.c_str());
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    if (ini.SaveFile(tmp.c_str(), false) < 0) {
        if (err) *err = "cannot write " + tmp + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        if (err) *err = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace Platform
