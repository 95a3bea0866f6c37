#pragma once
// Child processes with redirected standard handles. The runners start the
// product's packages and uninstallers through this layer: the child gets
// three pipes for standard input, output and error, runs in its own process
// group, and is never ended by us.
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Both ends of one pipe; -1 when closed. Both are close-on-exec, so a child
// started by another thread never inherits them.
struct PipeEnds {
    int read = -1;
    int write = -1;
};

// False with the reason in *err when the system has no pipe to give.
bool MakePipe(PipeEnds& ends, std::string* err);
// Closes the descriptor if open and sets it to -1.
void CloseFd(int& fd);

// Starts `program` (a path; no search of PATH) with `argv` as its arguments
// (argv[0] included). The child's standard input, output and error become
// the given descriptors; every other descriptor is closed in it (also those
// we inherited without close-on-exec). The child
// leads a process group of its own. False with the reason in *err when the
// program cannot be executed (missing, not executable, not a program).
bool SpawnChild(const std::string& program, const std::vector<std::string>& argv, int stdinFd,
                int stdoutFd, int stderrFd, int* pid, std::string* err);

enum class PipeRead {
    Data,     // bytes were appended to the chunk
    End,      // every writer of the output pipe has gone
    Timeout,  // nothing arrived in time
    Failed,   // the descriptor cannot be read
};

// Waits for output on `outFd` for at most `timeoutMs` (-1: no limit) and
// appends what one read gives (at most 64 KiB) to `chunk`. Meanwhile whatever
// arrives on `drainFd` is read and dropped, so a child that writes much to
// that pipe never blocks on it; *drained counts those bytes. `drainFd` is
// closed and set to -1 when its writers are gone. Either may be -1.
PipeRead ReadOutputDraining(int outFd, int& drainFd, std::string& chunk, int timeoutMs,
                            uint64_t* drained);

// True and the wait status in *status when the child has ended (it is reaped
// then); false while it runs. Never blocks.
bool ReapIfEnded(int pid, int* status);
// Blocks until the child has ended and returns its wait status (-1 when it
// is not our child or was reaped already).
int WaitForEnd(int pid);
// Exit code for a wait status: the exit status, or 128 + signal.
int ExitCodeOf(int waitStatus);
// The signal that ended the process, 0 when it exited by itself.
int SignalOf(int waitStatus);

// Asks every process of the group `group` to end (SIGTERM), or ends them
// (SIGKILL). A child we started leads a group of its own, whose number is its
// process id. False when no process of the group is left.
bool TerminateProcessGroup(int group);
bool KillProcessGroup(int group);
// Some process of the group is still there (an ended leader that is not yet
// reaped counts).
bool ProcessGroupExists(int group);

// Adds the execute bits for everyone who may read the file (u+x at least).
// False with the reason in *err.
bool MakeExecutable(const std::string& path, std::string* err);

}  // namespace Platform
