#pragma once
// A child process whose standard input, output and error are pipes: how the
// package and uninstaller runners start and follow the programs they run.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Utils {

// Thrown only when a pipe or a child process cannot be created; the runner
// that started the child catches it.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One anonymous pipe. Both ends are ours until handed to a child; neither is
// inherited by children that other threads start.
class Pipe {
public:
    // Throws Exception when the system has no pipe to give.
    Pipe();
    ~Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int WriteEnd() const { return m_Write; }
    int ReadEnd() const { return m_Read; }
    void CloseWriteEnd();
    void CloseReadEnd();
    // For the reader that finds the end of data: the descriptor it closed.
    int& ReadEndRef() { return m_Read; }

private:
    int m_Write = -1;
    int m_Read = -1;
};

class PipeProcess {
public:
    // Makes the three pipes, error, output, input. Throws Exception.
    PipeProcess();
    // Closes every pipe end still open. Does not end the child, and does not
    // wait for it (WaitForEnd does).
    ~PipeProcess();
    PipeProcess(const PipeProcess&) = delete;
    PipeProcess& operator=(const PipeProcess&) = delete;

    // Starts `program` with the arguments that the Windows command line
    // `commandLine` splits into (its first one becomes argv[0]), in its own
    // process group, hidden (no terminal input: standard input is our pipe,
    // which we never write). Throws Exception when it cannot be started.
    void Launch(const std::wstring& program, const std::wstring& commandLine);

    enum class ReadResult { Data, End, Timeout };
    // Appends what the child writes to its standard output next (one read,
    // as soon as something arrives) to `chunk`. End once every writer of the
    // output pipe has gone. Standard error is drained meanwhile, so a child
    // that writes much there cannot block. `timeoutMs` -1 waits without limit.
    ReadResult ReadOutput(std::string& chunk, int timeoutMs = -1);

    // True once the child has ended (it is then reaped). Never blocks.
    bool HasEnded();
    // Waits for the child to end while draining both output pipes, so it
    // cannot block on a full pipe; returns its exit code (128 + signal when
    // a signal ended it, -1 when it was never started).
    int WaitForEnd();

    // After the end: the signal that ended the child (a crash, or killed),
    // 0 when it exited by itself.
    int EndSignal() const;

    int ProcessId() const { return m_Pid; }
    // Bytes the child wrote to its standard error so far.
    uint64_t ErrorBytes() const { return m_ErrorBytes; }

private:
    Pipe m_Error;
    Pipe m_Output;
    Pipe m_Input;
    int m_Pid = -1;
    bool m_Ended = false;
    int m_WaitStatus = -1;
    uint64_t m_ErrorBytes = 0;
};

}  // namespace Utils
