#include "platform/SpecialFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Platform {
namespace {

std::string FromEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : std::string();
}

std::string Trimmed(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

}  // namespace

std::string HomeDirectory() {
    std::string h = FromEnv("HOME");
    if (h.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) h = pw->pw_dir;
    }
    return h.empty() ? "/" : Trimmed(h);
}

std::string AccountHomeDirectory() {
    const passwd* pw = ::getpwuid(::getuid());
    return pw && pw->pw_dir ? std::string(pw->pw_dir) : std::string();
}

std::string ConfigHome() {
    std::string c = FromEnv("XDG_CONFIG_HOME");
    return c.empty() ? HomeDirectory() + "/.config" : Trimmed(c);
}

std::string CacheHome() {
    std::string c = FromEnv("XDG_CACHE_HOME");
    return c.empty() ? HomeDirectory() + "/.cache" : Trimmed(c);
}

std::string AppDataDirectory() {
    std::string d = FromEnv("XDG_DATA_HOME");
    return d.empty() ? HomeDirectory() + "/.local/share" : Trimmed(d);
}

std::string ProgramFilesDirectory() {
    return ::geteuid() == 0 ? "/opt" : HomeDirectory() + "/.local/opt";
}

std::string SharedDocumentsDirectory() { return "/var/tmp"; }

bool MakeDirectories(const std::string& path, unsigned mode, std::string* err) {
    if (path.empty()) {
        if (err) *err = "empty path";
        return false;
    }
    for (size_t pos = 1;; ++pos) {
        pos = path.find('/', pos);
        std::string level = path.substr(0, pos);
        if (!level.empty() && level.back() != '/') {
            struct stat st {};
            if (::stat(level.c_str(), &st) != 0) {
                if (::mkdir(level.c_str(), mode) != 0 && errno != EEXIST) {
                    if (err) *err = "cannot create " + level + ": " + std::strerror(errno);
                    return false;
                }
            } else if (!S_ISDIR(st.st_mode)) {
                if (err) *err = level + " is not a folder";
                return false;
            }
        }
        if (pos == std::string::npos) break;
    }
    return true;
}

}  // namespace Platform
