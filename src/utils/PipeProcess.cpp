#include "utils/PipeProcess.h"

#include <vector>

#include "platform/ChildProcess.h"
#include "utils/CommandLineSplit.h"
#include "utils/Text.h"

namespace Utils {

Pipe::Pipe() {
    Platform::PipeEnds ends;
    std::string err;
    if (!Platform::MakePipe(ends, &err)) throw Exception(err);
    m_Read = ends.read;
    m_Write = ends.write;
}

Pipe::~Pipe() {
    CloseWriteEnd();
    CloseReadEnd();
}

void Pipe::CloseWriteEnd() { Platform::CloseFd(m_Write); }
void Pipe::CloseReadEnd() { Platform::CloseFd(m_Read); }

PipeProcess::PipeProcess() = default;  // members in order: error, output, input

PipeProcess::~PipeProcess() = default;

void PipeProcess::Launch(const std::wstring& program, const std::wstring& commandLine) {
    std::vector<std::string> argv;
    for (const auto& a : SplitCommandLine(commandLine)) argv.push_back(ToAnsi(a));
    std::string err;
    int pid = -1;
    if (!Platform::SpawnChild(ToAnsi(program), argv, m_Input.ReadEnd(), m_Output.WriteEnd(),
                              m_Error.WriteEnd(), &pid, &err))
        throw Exception(err);
    m_Pid = pid;
    // Only the child may hold these now, so the output pipe ends when the
    // child and whatever inherited from it have gone.
    m_Output.CloseWriteEnd();
    m_Error.CloseWriteEnd();
    m_Input.CloseReadEnd();
}

PipeProcess::ReadResult PipeProcess::ReadOutput(std::string& chunk, int timeoutMs) {
    if (m_Output.ReadEnd() < 0) return ReadResult::End;
    switch (Platform::ReadOutputDraining(m_Output.ReadEnd(), m_Error.ReadEndRef(), chunk, timeoutMs,
                                         &m_ErrorBytes)) {
        case Platform::PipeRead::Data:
            return ReadResult::Data;
        case Platform::PipeRead::Timeout:
            return ReadResult::Timeout;
        case Platform::PipeRead::End:
        case Platform::PipeRead::Failed:
            break;
    }
    m_Output.CloseReadEnd();
    return ReadResult::End;
}

bool PipeProcess::HasEnded() {
    if (m_Pid < 0) return true;
    if (!m_Ended) m_Ended = Platform::ReapIfEnded(m_Pid, &m_WaitStatus);
    return m_Ended;
}

int PipeProcess::WaitForEnd() {
    if (m_Pid < 0) return -1;
    while (!HasEnded()) {
        std::string discard;
        if (m_Output.ReadEnd() >= 0) {
            // The time limit only lets us notice the end of a child whose
            // pipes stay open in a program it left running.
            if (ReadOutput(discard, 100) == ReadResult::End) continue;
        } else if (m_Error.ReadEnd() >= 0) {
            int none = -1;
            auto r = Platform::ReadOutputDraining(m_Error.ReadEnd(), none, discard, 100, nullptr);
            if (r == Platform::PipeRead::End || r == Platform::PipeRead::Failed)
                m_Error.CloseReadEnd();
            m_ErrorBytes += discard.size();
        } else {
            m_WaitStatus = Platform::WaitForEnd(m_Pid);
            m_Ended = true;
        }
    }
    return Platform::ExitCodeOf(m_WaitStatus);
}

int PipeProcess::EndSignal() const { return m_Ended ? Platform::SignalOf(m_WaitStatus) : 0; }

}  // namespace Utils
