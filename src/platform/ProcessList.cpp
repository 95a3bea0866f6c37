#include "platform/ProcessList.h"

#include <dirent.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace Platform {
namespace {

constexpr size_t kCommBytes = 15;

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

bool ProcessNameMatches(const std::string& name, const std::string& comm,
                        const std::string& exePath, const std::string& cmdline) {
    if (name.empty()) return false;
    if (comm != name.substr(0, kCommBytes)) return false;
    // A name shorter than the cut is whole in comm; at the cut, the real
    // name may be longer.
    if (name.size() < kCommBytes) return true;
    std::string exe = exePath;
    // A replaced or deleted executable reads as "<path> (deleted)".
    const std::string deleted = " (deleted)";
    if (exe.size() > deleted.size() &&
        exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0)
        exe.resize(exe.size() - deleted.size());
    if (BaseName(exe) == name) return true;
    std::vector<std::string> argv;
    for (size_t start = 0; start < cmdline.size();) {
        size_t end = cmdline.find('\0', start);
        if (end == std::string::npos) end = cmdline.size();
        argv.push_back(cmdline.substr(start, end - start));
        start = end + 1;
        if (argv.size() == 2) break;
    }
    if (!argv.empty() && BaseName(argv[0]) == name) return true;
    // A script: the kernel names the process after the script, the command
    // line starts with the interpreter.
    return argv.size() > 1 && BaseName(argv[1]) == name;
}

int FindProcessByName(const std::string& name) {
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;
    std::vector<int> pids;
    while (dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (end && *end == '\0' && pid > 0) pids.push_back(static_cast<int>(pid));
    }
    ::closedir(proc);
    std::sort(pids.begin(), pids.end());
    for (int pid : pids) {
        const std::string dir = "/proc/" + std::to_string(pid);
        std::string comm = ReadAll(dir + "/comm");
        if (!comm.empty() && comm.back() == '\n') comm.pop_back();
        if (comm.empty()) continue;  // gone, or a kernel thread we cannot read
        // A process that has ended but is not reaped yet (Z) no longer runs.
        const std::string stat = ReadAll(dir + "/stat");
        const size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() &&
            (stat[close + 2] == 'Z' || stat[close + 2] == 'X'))
            continue;
        if (comm != name.substr(0, kCommBytes)) continue;
        if (name.size() < kCommBytes) return pid;
        char buf[PATH_MAX];
        ssize_t n = ::readlink((dir + "/exe").c_str(), buf, sizeof buf - 1);
        std::string exe = n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
        if (ProcessNameMatches(name, comm, exe, ReadAll(dir + "/cmdline"))) return pid;
    }
    return 0;
}

}  // namespace Platform
