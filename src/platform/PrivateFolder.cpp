#include "platform/PrivateFolder.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Platform {

std::string UserTempDirectory() {
    const char* t = std::getenv("TMPDIR");
    std::string dir = t && *t ? t : "/tmp";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool AllowsExecution(const std::string& path) {
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) != 0) return true;
    return (fs.f_flag & ST_NOEXEC) == 0;
}

std::string EnsurePrivateFolder(const std::string& path, std::string* err) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        if (err) *err = "cannot create " + path + ": " + std::strerror(errno);
        return {};
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (err) *err = path + ": " + std::strerror(errno);
        return {};
    }
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode)) {
        if (err) *err = path + " is not a real folder";
        return {};
    }
    if (st.st_uid != ::geteuid()) {
        if (err) *err = path + " belongs to another user";
        return {};
    }
    if ((st.st_mode & 0077) != 0) {
        if (err) *err = path + " is open to other users";
        return {};
    }
    return path;
}

}  // namespace Platform
