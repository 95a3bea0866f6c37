#include "platform/FileOps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace Platform {
namespace {

std::string Why(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool PathExistsAny(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CopyFileReplacing(const std::string& from, const std::string& to, std::string* err) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        if (err) *err = Why("cannot open", from);
        return false;
    }
    struct stat st {};
    ::fstat(in, &st);
    // A new file, so that a link planted at the target is replaced, not
    // followed.
    std::string tmp = to + ".copy" + std::to_string(::getpid());
    ::unlink(tmp.c_str());
    int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    if (out < 0) {
        if (err) *err = Why("cannot create", tmp);
        ::close(in);
        return false;
    }
    char buf[65536];
    bool ok = true;
    while (ok) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            if (err) *err = Why("cannot read", from);
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                if (err) *err = Why("cannot write", tmp);
                ok = false;
                break;
            }
            done += w;
        }
    }
    ::close(in);
    ::fchmod(out, st.st_mode & 0777);  // the umask must not take the execute bits
    if (::close(out) != 0 && ok) {
        if (err) *err = Why("cannot write", tmp);
        ok = false;
    }
    if (ok && ::rename(tmp.c_str(), to.c_str()) != 0) {
        if (err) *err = Why("cannot replace", to);
        ok = false;
    }
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool DeleteFileAt(const std::string& path, std::string* err) {
    if (::unlink(path.c_str()) != 0) {
        if (err) *err = Why("cannot delete", path);
        return false;
    }
    return true;
}

std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            names.push_back(name);
    }
    ::closedir(d);
    return names;
}

bool CreateEmptyFile(const std::string& path, std::string* err) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (err) *err = Why("cannot create", path);
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace Platform
