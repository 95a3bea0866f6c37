#include "support/Xvfb.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>

namespace testsupport {

std::string FindProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

namespace {

// Ends `pid` and reaps it: SIGTERM, then SIGKILL when it lingers.
void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
}

}  // namespace

VirtualDisplay::~VirtualDisplay() { Stop(m_Pid); }

bool VirtualDisplay::Start(std::string* error, const char* screen) {
    std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
        *error = "Xvfb is not installed (scripts/bootstrap installs it)";
        return false;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        *error = "pipe failed";
        return false;
    }
    m_Pid = fork();
    if (m_Pid == 0) {
        close(fds[0]);
        std::string fd = std::to_string(fds[1]);
        execl(xvfb.c_str(), xvfb.c_str(), "-displayfd", fd.c_str(), "-screen", "0", screen,
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 15000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number.push_back(c);
    }
    close(fds[0]);
    if (number.empty()) {
        *error = "Xvfb did not report a display";
        return false;
    }
    m_Name = ":" + number;
    return true;
}

void VirtualDisplay::UseForGtk() const {
    setenv("DISPLAY", m_Name.c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("GDK_BACKEND", "x11", 1);
}

ChildProgram::~ChildProgram() { Stop(m_Pid); }

bool ChildProgram::Start(const std::vector<std::string>& argv) {
    if (argv.empty() || m_Pid > 0) return false;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    m_Pid = fork();
    if (m_Pid == 0) {
        execvp(args[0], args.data());
        _exit(127);
    }
    return m_Pid > 0;
}

bool ChildProgram::Wait(int timeoutMs, int* status) {
    if (m_Pid <= 0) return false;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int st = 0;
        if (waitpid(m_Pid, &st, WNOHANG) == m_Pid) {
            m_Pid = -1;
            if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string CommandOutput(const std::string& command, int* status) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (status) *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    int st = pclose(pipe);
    if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool TakeScreenshot(const std::string& display, const std::string& pngPath, std::string* error) {
    if (FindProgram("import").empty()) {
        *error = "ImageMagick's import is not installed";
        return false;
    }
    std::string cmd =
        "import -display " + display + " -window root png:" + pngPath + " 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) {
        *error = "import failed on " + display;
        return false;
    }
    return true;
}

std::vector<TopLevelWindow> MappedTopLevelWindows() {
    std::vector<TopLevelWindow> found;
    // Unmapped windows are listed too; -tree with -stats would be slower,
    // so each candidate's map state is asked separately.
    FILE* out = popen("xwininfo -root -children 2>/dev/null", "r");
    if (!out) return found;
    static const std::regex line(
        R"((0x[0-9a-f]+) .*: \(.*\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))");
    std::vector<std::pair<std::string, TopLevelWindow>> all;
    char buf[512];
    while (fgets(buf, sizeof buf, out)) {
        std::cmatch m;
        if (!std::regex_search(buf, m, line)) continue;
        TopLevelWindow w{std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[2]), std::stoi(m[3])};
        all.emplace_back(m[1], w);
    }
    pclose(out);
    for (const auto& [id, w] : all) {
        std::string cmd = "xwininfo -id " + id + " 2>/dev/null";
        FILE* info = popen(cmd.c_str(), "r");
        if (!info) continue;
        bool mapped = false;
        while (fgets(buf, sizeof buf, info)) {
            if (std::string(buf).find("Map State: IsViewable") != std::string::npos) mapped = true;
        }
        pclose(info);
        if (mapped) found.push_back(w);
    }
    return found;
}

}  // namespace testsupport
