#include "platform/DiskSpace.h"

#include <sys/statvfs.h>

#include <cerrno>

namespace Platform {

bool QueryDiskSpace(const std::string& path, DiskSpace& out, int* errorCode) {
    std::string p = path.empty() ? std::string(".") : path;
    struct statvfs vfs {};
    while (::statvfs(p.c_str(), &vfs) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            if (errorCode) *errorCode = errno;
            return false;
        }
        while (p.size() > 1 && p.back() == '/') p.pop_back();
        size_t slash = p.rfind('/');
        if (slash == std::string::npos) {
            if (p == ".") {
                if (errorCode) *errorCode = ENOENT;
                return false;
            }
            p.assign(1, '.');
        } else {
            p.erase(slash == 0 ? 1 : slash);  // the parent folder ("/" for the root)
        }
    }
    const uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    out.freeBytesAvailable = static_cast<uint64_t>(vfs.f_bavail) * unit;
    out.totalBytes = static_cast<uint64_t>(vfs.f_blocks) * unit;
    out.totalFreeBytes = static_cast<uint64_t>(vfs.f_bfree) * unit;
    return true;
}

}  // namespace Platform
