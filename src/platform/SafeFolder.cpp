#include "platform/SafeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Platform {
namespace {

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

std::string Octal(mode_t mode) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode & 07777));
    return buf;
}

bool OwnedByUsOrRoot(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

std::string Parent(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    return std::string(cwd) + "/" + path;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// A folder above the one we use: another user may not be able to rename or
// replace what it holds.
bool AncestorIsSafe(const std::string& path, const struct stat& st, std::string* why) {
    if (!OwnedByUsOrRoot(st))
        return Fail(why, path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
        return Fail(why, path + " can be written by other users (mode " + Octal(st.st_mode) + ")");
    return true;
}

// Every folder from the parent of `path` up to "/", as named (links not
// followed: each link must itself be ours or root's).
bool AncestorsAreSafe(const std::string& path, std::string* why) {
    for (std::string p = Parent(path);; p = Parent(p)) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0)
            return Fail(why, p + " cannot be examined: " + std::strerror(errno));
        if (S_ISLNK(st.st_mode)) {
            if (!OwnedByUsOrRoot(st))
                return Fail(why, p + " is a link that belongs to another user (uid " +
                                     std::to_string(st.st_uid) + ")");
        } else if (!AncestorIsSafe(p, st, why)) {
            return false;
        }
        if (p == "/") return true;
    }
}

}  // namespace

bool IsPrivateFolderTree(const std::string& dirArg, std::string* why) {
    const std::string dir = WithoutTrailingSlashes(Absolute(dirArg));
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return Fail(why, dir + " cannot be examined: " + std::strerror(errno));
    if (S_ISLNK(st.st_mode)) return Fail(why, dir + " is a symbolic link");
    if (!S_ISDIR(st.st_mode)) return Fail(why, dir + " is not a folder");
    if (!OwnedByUsOrRoot(st))
        return Fail(why, dir + " belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Fail(why, dir + " can be written by other users (mode " + Octal(st.st_mode) + ")");
    if (!AncestorsAreSafe(dir, why)) return false;
    // Where the links above it lead.
    char real[PATH_MAX];
    if (!::realpath(dir.c_str(), real))
        return Fail(why, dir + " cannot be resolved: " + std::strerror(errno));
    return std::string(real) == dir || AncestorsAreSafe(real, why);
}

bool IsPrivateFile(const std::string& path, std::string* why) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return Fail(why, path + " cannot be examined: " + std::strerror(errno));
    if (S_ISLNK(st.st_mode)) return Fail(why, path + " is a symbolic link");
    if (!S_ISREG(st.st_mode)) return Fail(why, path + " is not a regular file");
    if (st.st_uid != ::geteuid())
        return Fail(why, path + " belongs to another user (uid " + std::to_string(st.st_uid) + ")");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return Fail(why, path + " can be written by other users (mode " + Octal(st.st_mode) + ")");
    return IsPrivateFolderTree(Parent(Absolute(path)), why);
}

}  // namespace Platform
