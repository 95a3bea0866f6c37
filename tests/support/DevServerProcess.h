#pragma once
// End-to-end helpers: the development server (tools/lumora-devserver) as a
// child process of the test, and shell commands run with the test's
// environment (its private HOME, XDG folders and TMPDIR).
#include <memory>
#include <string>

namespace Utils {
class PipeProcess;
}

namespace testsupport {

class DevServerProcess {
public:
    // Starts `program` (the lumora-devserver executable) with "--root ROOT"
    // and `extraArgs` (Windows command-line quoting, e.g. "--collect
    // \"/path/events.jsonl\"" or "--rate 1048576") and waits for the address
    // it prints ("http://127.0.0.1:PORT/"). Fails the test when none comes.
    DevServerProcess(const std::string& program, const std::string& root,
                     const std::string& extraArgs = "");
    // Stops the server (SIGTERM) and waits for it.
    ~DevServerProcess();
    DevServerProcess(const DevServerProcess&) = delete;
    DevServerProcess& operator=(const DevServerProcess&) = delete;

    // The base address, ending with "/".
    const std::string& Address() const { return m_Address; }
    // The default download address of the installer on this server.
    std::string PackageAddress() const { return m_Address + "software/595"; }
    std::string CollectorAddress() const { return m_Address + "collect"; }

private:
    std::unique_ptr<Utils::PipeProcess> m_Process;
    std::string m_Address;
};

struct CommandResult {
    int status = -1;  // the exit status, -1 when the command did not exit
    std::string out, err;
};

// Runs `command` through /bin/sh with the test's environment; its standard
// output and error go to files in the test's home and come back here.
CommandResult RunCommand(const std::string& command);

}  // namespace testsupport
