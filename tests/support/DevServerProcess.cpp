#include "support/DevServerProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <cstdlib>

#include "support/TempHome.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"

namespace testsupport {

DevServerProcess::DevServerProcess(const std::string& program, const std::string& root,
                                   const std::string& extraArgs)
    : m_Process(std::make_unique<Utils::PipeProcess>()) {
    m_Process->Launch(Utils::FromAnsi(program),
                      Utils::FromAnsi("lumora-devserver --root \"" + root + "\" " + extraArgs));
    std::string first;
    while (first.find('\n') == std::string::npos &&
           m_Process->ReadOutput(first) == Utils::PipeProcess::ReadResult::Data) {
    }
    m_Address = first.substr(0, first.find('\n'));
    EXPECT_EQ(m_Address.rfind("http://127.0.0.1:", 0), 0u) << "devserver printed: " << first;
}

DevServerProcess::~DevServerProcess() {
    ::kill(m_Process->ProcessId(), SIGTERM);
    m_Process->WaitForEnd();
}

CommandResult RunCommand(const std::string& command) {
    const std::string home = CurrentTestHome();
    const std::string out = home + "/run.out", err = home + "/run.err";
    const int rc = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
    CommandResult r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

}  // namespace testsupport
