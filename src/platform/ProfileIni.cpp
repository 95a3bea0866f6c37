#include "platform/ProfileIni.h"

// Narrow UTF-8 text only; our own layer converts.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
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
    return WriteProfileStrings(path, section, {{key, value}}, err);
}

bool WriteProfileStrings(const std::string& path, const std::string& section,
                         const ProfileEntries& entries, std::string* err) {
    auto fail = [err](const std::string& why) {
        if (err) *err = why;
        return false;
    };
    // A line break (or a separator in a name) would let one value add keys
    // or sections of its own, and the file would no longer read back.
    if (section.empty() || section.find_first_of("\r\n]") != std::string::npos)
        return fail("unusable section name [" + section + "] for " + path);
    for (const auto& [key, value] : entries) {
        if (key.empty() || key.find_first_of("\r\n=[") != std::string::npos)
            return fail("unusable key name \"" + key + "\" for " + path);
        if (value.find_first_of("\r\n") != std::string::npos)
            return fail("the value of " + key + " for " + path + " holds a line break");
    }

    CSimpleIniA ini;
    ini.SetUnicode(true);
    // The profile form: "key=value", as other programs that read these
    // files expect.
    ini.SetSpaces(false);
    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists && !Load(ini, path)) return fail("cannot read " + path);
    for (const auto& [key, value] : entries)
        ini.SetValue(section.c_str(), key.c_str(), value.c_str());
    std::string text;
    if (ini.Save(text, false) < 0) return fail("cannot write " + path);
    // One blank line between sections, not the library's two.
    for (size_t at; (at = text.find("\n\n\n")) != std::string::npos;) text.erase(at, 1);

    // One temporary name per write, also for writes from several threads.
    static std::atomic<unsigned> serial{0};
    const std::string tmp =
        path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(++serial);
    // O_EXCL: a link planted under the temporary name is not followed.
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return fail("cannot write " + tmp + ": " + std::strerror(errno));
    bool ok = true;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (ok && exists) ::fchmod(fd, old.st_mode & 07777);
    // On the disk before the rename, so that the name never points at a
    // file that a crash of the system would leave empty.
    if (ok && ::fsync(fd) != 0) ok = false;
    std::string why = ok ? std::string() : "cannot write " + tmp + ": " + std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = "cannot write " + tmp + ": " + std::strerror(errno);
    }
    if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        why = "cannot replace " + path + ": " + std::strerror(errno);
    }
    if (!ok) {
        std::remove(tmp.c_str());
        return fail(why);
    }
    return true;
}

}  // namespace Platform
