#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace Platform {

bool MakePipe(PipeEnds& ends, std::string* err) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        if (err) *err = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    ends.read = fds[0];
    ends.write = fds[1];
    return true;
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool SpawnChild(const std::string& program, const std::vector<std::string>& argv, int stdinFd,
                int stdoutFd, int stderrFd, int* pid, std::string* err) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    if (args.empty()) args.push_back(const_cast<char*>(program.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    // dup2 clears close-on-exec on the copies; the originals stay closed in
    // the child.
    posix_spawn_file_actions_adddup2(&actions, stdinFd, 0);
    posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    posix_spawn_file_actions_adddup2(&actions, stderrFd, 2);
    // Nothing else we hold reaches the child, also descriptors our own
    // parent let us inherit (a lock file, say): a package left running
    // must not keep them open.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_setpgroup(&attr, 0);
    // The child starts with default signal handling, whatever ours is.
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(
        &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t child = -1;
    int rc = ::posix_spawn(&child, program.c_str(), &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        if (err) *err = "cannot start " + program + ": " + std::strerror(rc);
        return false;
    }
    *pid = child;
    return true;
}

PipeRead ReadOutputDraining(int outFd, int& drainFd, std::string& chunk, int timeoutMs,
                            uint64_t* drained) {
    char buf[65536];
    while (true) {
        pollfd fds[2];
        int n = 0;
        int outIndex = -1, drainIndex = -1;
        if (outFd >= 0) {
            fds[n] = {outFd, POLLIN, 0};
            outIndex = n++;
        }
        if (drainFd >= 0) {
            fds[n] = {drainFd, POLLIN, 0};
            drainIndex = n++;
        }
        if (outIndex < 0) return PipeRead::Failed;
        int rc = ::poll(fds, static_cast<nfds_t>(n), timeoutMs);
        if (rc < 0) {
            if (errno == EINTR) continue;
            return PipeRead::Failed;
        }
        if (rc == 0) return PipeRead::Timeout;
        if (drainIndex >= 0 && fds[drainIndex].revents) {
            ssize_t got = ::read(drainFd, buf, sizeof buf);
            if (got > 0) {
                if (drained) *drained += static_cast<uint64_t>(got);
            } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
                CloseFd(drainFd);
            }
        }
        if (fds[outIndex].revents) {
            ssize_t got = ::read(outFd, buf, sizeof buf);
            if (got > 0) {
                chunk.append(buf, static_cast<size_t>(got));
                return PipeRead::Data;
            }
            if (got == 0) return PipeRead::End;
            if (errno != EINTR && errno != EAGAIN) return PipeRead::Failed;
        }
        // Only the drained pipe had something: keep waiting for output. The
        // time limit then starts again, which callers accept.
    }
}

bool ReapIfEnded(int pid, int* status) {
    int st = 0;
    pid_t r = ::waitpid(pid, &st, WNOHANG);
    if (r == pid) {
        if (status) *status = st;
        return true;
    }
    if (r < 0 && errno == ECHILD) {
        if (status) *status = -1;
        return true;
    }
    return false;
}

int WaitForEnd(int pid) {
    int st = 0;
    while (::waitpid(pid, &st, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return st;
}

int ExitCodeOf(int waitStatus) {
    if (waitStatus < 0) return -1;
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

int SignalOf(int waitStatus) {
    return waitStatus >= 0 && WIFSIGNALED(waitStatus) ? WTERMSIG(waitStatus) : 0;
}

bool TerminateProcessGroup(int group) { return group > 0 && ::kill(-group, SIGTERM) == 0; }

bool KillProcessGroup(int group) { return group > 0 && ::kill(-group, SIGKILL) == 0; }

bool ProcessGroupExists(int group) {
    return group > 0 && (::kill(-group, 0) == 0 || errno == EPERM);
}

bool MakeExecutable(const std::string& path, std::string* err) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (err) *err = path + ": " + std::strerror(errno);
        return false;
    }
    mode_t mode = st.st_mode & 07777;
    mode |= S_IXUSR;
    if (mode & S_IRGRP) mode |= S_IXGRP;
    if (mode & S_IROTH) mode |= S_IXOTH;
    if (::chmod(path.c_str(), mode) != 0) {
        if (err) *err = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace Platform
