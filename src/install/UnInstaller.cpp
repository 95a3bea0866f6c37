#include "install/UnInstaller.h"

#include "platform/ChildProcess.h"
#include "platform/FileOps.h"
#include "utils/Log.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"
#include "utils/Thread.h"

namespace {
const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }
}  // namespace

CUnInstaller::CUnInstaller(const StatusCallback& callback, const std::wstring& uninstallerPath,
                           const std::wstring& homeFolder)
    : m_Callback(callback), m_UninstallerPath(uninstallerPath), m_HomeFolder(homeFolder) {}

CUnInstaller::~CUnInstaller() { m_Worker.reset(); }

std::wstring CUnInstaller::BuildCommandLine(bool adminAccount, bool elevated) const {
    return m_UninstallerPath + L" /S -adminact=" + Bool(adminAccount) + L" -authorizationact=" +
           Bool(elevated) + L" -console=show _?=" + m_HomeFolder;
}

std::wstring CUnInstaller::BuildCommandLine() const {
    return BuildCommandLine(Utils::ConsoleUserIsAdmin(), Utils::IsRunAsAdmin());
}

void CUnInstaller::Start() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    m_Worker.reset();
    m_CommandLine = BuildCommandLine();
    m_Worker = std::make_unique<Utils::Thread>(
        this, L"UnInstaller", [](void* self) { static_cast<CUnInstaller*>(self)->Run(); });
    if (m_Worker->HasHandle()) m_Worker->Start();
}

void CUnInstaller::Wait() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    if (m_Worker) m_Worker->Join();
}

void CUnInstaller::Report(int code, double value, const std::wstring& text) {
    if (m_Callback) m_Callback(code, value, text);
}

int CUnInstaller::Parse(const Console::Line& line, int result) {
    using namespace Console;
    const std::wstring& t = line.text;
    if (Utils::StartsWith(t, L"Progress=")) {
        Report(UNIST_CODE_PROGRESS, RealValue(line, 9));
    } else if (Utils::StartsWith(t, L"Error=")) {
        Report(UNIST_CODE_ERROR, 0, TextValue(line, 6));
        result = 1000;
    } else if (Utils::StartsWith(t, L"State=")) {
        const std::wstring word = KeywordValue(line, 6);
        if (word == L"Success") {
            Report(UNIST_CODE_SUCCESS, 0);
            result = 1;
        } else if (word == L"Fail") {
            Report(UNIST_CODE_ERROR, 0, L"安装包卸载失败");
            result = 1000;
        }
    } else if (Utils::StartsWith(t, L"Encode=")) {
        m_CodePage = KeywordValue(line, 7) == L"UTF8" ? Utils::CP_UTF8 : Utils::CP_ACP;
    }
    return result;
}

int CUnInstaller::Parse(const std::wstring& text) {
    return Console::ParseText(
        text, [this](const Console::Line& line, int result) { return Parse(line, result); });
}

void CUnInstaller::Run() {
    const std::string path = Utils::ToAnsi(m_UninstallerPath);
    if (!Platform::IsRegularFile(path)) {
        Report(UNIST_CODE_FAIL, 1, L"可执行卸载文件不存在");
        return;
    }
    Report(UNIST_CODE_PROGRESS, 0);
    std::string why;
    if (!Platform::MakeExecutable(path, &why))
        LOG(L"uninstaller not made executable: %ls", Utils::FromAnsi(why).c_str());
    m_Child.reset();
    try {
        m_Child = std::make_unique<Utils::PipeProcess>();
        m_Child->Launch(m_UninstallerPath, m_CommandLine);
    } catch (const Utils::Exception& e) {
        LOG(L"uninstaller cannot be started: %ls", Utils::FromAnsi(e.what()).c_str());
        m_Child.reset();
        Report(UNIST_CODE_FAIL, 2);
        return;
    }

    // Everything the uninstaller wrote is read, also what is still in the
    // pipe when it has ended: a final "State=Fail" just before its exit
    // must count.
    bool finalSeen = false;
    Console::ReadChildLines(
        *m_Child, m_CodePage,
        [&](const Console::Line& line) {
            if (Parse(line, 0) != 0) finalSeen = true;
        },
        [] { return false; });

    const int exitCode = m_Child->WaitForEnd();
    const int endSignal = m_Child->EndSignal();
    LOG(L"uninstaller ended, exit code %d", exitCode);
    m_Child.reset();
    if (finalSeen) return;
    // A crashed or killed uninstaller has not removed the old copy.
    if (endSignal != 0)
        Report(UNIST_CODE_ERROR, 0, L"安装包卸载失败");
    else
        Report(UNIST_CODE_SUCCESS, 1);
}
