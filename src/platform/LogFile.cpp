#include "platform/LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/SpecialFolders.h"

namespace Platform {
namespace {

std::string Reason(const std::string& what) { return what + ": " + std::strerror(errno); }

std::string Parent(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The log's own folder: made when missing, refused when it is not a plain
// folder of this user, closed to others when it was open.
bool PrivateFolder(const std::string& folder, std::string* err) {
    const std::string above = Parent(folder);
    if (above != "/" && above != "." && !MakeDirectories(above, 0700, err)) return false;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *err = Reason("cannot create " + folder);
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        *err = Reason(folder);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *err = folder + " is not a folder";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *err = folder + " belongs to another user";
        return false;
    }
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        *err = Reason("cannot make " + folder + " private");
        return false;
    }
    return true;
}

}  // namespace

std::string StateHome() {
    const char* v = std::getenv("XDG_STATE_HOME");
    std::string s = v && *v == '/' ? std::string(v) : HomeDirectory() + "/.local/state";
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

OpenedLog OpenRunLogFile(const std::string& path, const std::string& previousPath) {
    OpenedLog log;
    if (!PrivateFolder(Parent(path), &log.error)) return log;
    bool renewed = false;
    // Two rounds at most: the file with the previous run, then the new one.
    for (int round = 0; round < 2; ++round) {
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            log.error = Reason(path);
            return log;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            ::close(fd);
            log.error = path + " is not a log file of this user";
            return log;
        }
        log.size = static_cast<uint64_t>(st.st_size);
        // The lock lives as long as the descriptor, that is the whole run.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            log.fd = fd;
            log.shared = true;
            return log;
        }
        if (st.st_size == 0 || renewed) {
            ::fchmod(fd, 0600);
            log.fd = fd;
            return log;
        }
        // Ours, with the previous run in it: it steps aside while we still
        // hold its lock, so no other start can take it meanwhile.
        if (::rename(path.c_str(), previousPath.c_str()) != 0) {
            log.error = Reason("cannot keep " + path + " as " + previousPath);
            ::close(fd);
            return log;
        }
        ::close(fd);
        renewed = true;
    }
    log.error = path + " keeps changing";
    return log;
}

OpenedLog OpenLogFileForAppend(const std::string& path) {
    OpenedLog log;
    log.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (log.fd < 0) log.error = Reason(path);
    return log;
}

}  // namespace Platform
