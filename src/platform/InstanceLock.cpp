#include "platform/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace Platform {

std::string InstanceLock::LockPath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (runtime && *runtime && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode))
        return std::string(runtime) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(::getuid()) + ".lock";
}

bool InstanceLock::TryAcquire(const std::string& name, std::string* err) {
    if (Held()) return true;
    const std::string path = LockPath(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (err) *err = path + ": " + std::strerror(errno);
        return false;
    }
    // In a shared /tmp another user could have made the file first.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::getuid() || !S_ISREG(st.st_mode)) {
        if (err) *err = path + ": not a lock file of this user";
        ::close(fd);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (err) *err = path + ": held by another process";
        ::close(fd);
        return false;
    }
    m_Fd = fd;
    return true;
}

void InstanceLock::Release() {
    if (m_Fd < 0) return;
    ::flock(m_Fd, LOCK_UN);
    ::close(m_Fd);
    m_Fd = -1;
}

}  // namespace Platform
