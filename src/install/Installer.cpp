#include "install/Installer.h"

#include "app/InstallerConfig.h"
#include "app/NumberParse.h"
#include "platform/ChildProcess.h"
#include "utils/CommandLineSplit.h"
#include "utils/Log.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"
#include "utils/Thread.h"

namespace {

const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }

std::wstring Unquoted(const std::wstring& path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        return path.substr(1, path.size() - 2);
    return path;
}

}  // namespace

CInstaller::CInstaller(const StatusCallback& callback, const std::wstring& packagePath,
                       const std::wstring& installDir, bool desktopShortcut,
                       bool quickLaunchShortcut, bool adminAccount, bool elevated)
    : m_Callback(callback),
      m_PackagePath(packagePath),
      m_InstallDir(installDir),
      m_QuickLaunchShortcut(quickLaunchShortcut),
      m_DesktopShortcut(desktopShortcut),
      m_AdminAccount(adminAccount),
      m_Elevated(elevated) {}

CInstaller::~CInstaller() { m_Worker.reset(); }

std::wstring CInstaller::BuildCommandLine() const {
    std::wstring cmd = m_PackagePath;
    cmd += L" /S -console=show -version=1.0.0";
    cmd += std::wstring(L" -adminact=") + Bool(m_AdminAccount);
    cmd += std::wstring(L" -authorizationact=") + Bool(m_Elevated);
    cmd += std::wstring(L" -dsc=") + Bool(m_DesktopShortcut);
    cmd += std::wstring(L" -ssc=") + Bool(m_QuickLaunchShortcut);
    if (!m_Language.empty()) cmd += L" -inslang=" + Utils::QuoteArgument(m_Language);
    if (!g_InstallerConfig.m_InstCmd.empty()) cmd += L" " + g_InstallerConfig.m_InstCmd;
    if (!m_InstallDir.empty()) {
        cmd += L" -instdir=" + Utils::QuoteArgument(m_InstallDir);
        cmd += L" /D=" + m_InstallDir;
    }
    return cmd;
}

void CInstaller::Start() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    // The previous run reads the command line until it ends.
    m_Worker.reset();
    m_CommandLine = BuildCommandLine();
    m_Worker = std::make_unique<Utils::Thread>(
        this, L"ABDEF", [](void* self) { static_cast<CInstaller*>(self)->Run(); });
    if (m_Worker->HasHandle()) m_Worker->Start();
}

void CInstaller::Wait() {
    std::lock_guard<std::mutex> lock(m_WorkerLock);
    if (m_Worker) m_Worker->Join();
}

void CInstaller::Report(int code, double value, const std::wstring& text) {
    if (m_Callback) m_Callback(code, value, text);
}

int CInstaller::Parse(const Console::Line& line, int result) {
    using namespace Console;
    const std::wstring& t = line.text;
    auto is = [&t](const wchar_t* key) { return Utils::StartsWith(t, key); };
    if (is(L"Progress=")) {
        Report(IST_CODE_PROGRESS, RealValue(line, 9));
    } else if (is(L"InstPath=")) {
        Report(IST_INFO_INST_PATH, 0, TextValue(line, 9));
    } else if (is(L"State=")) {
        const std::wstring word = KeywordValue(line, 6);
        if (word == L"Success") {
            Report(IST_CODE_SUCCESS, 0);
            result = 1;
        } else if (word == L"Fail") {
            Report(IST_CODE_FAIL, 0, L"安装包安装失败");
            result = 1000;
        }
    } else if (is(L"InstallVersion=")) {
        // accepted, no effect
    } else if (is(L"ExePath=")) {
        const std::wstring v = TextValue(line, 8);
        LOG_RAW(L"ExePath: %ls", v.c_str());
        Report(IST_INFO_EXE_PATH, 0, v);
    } else if (is(L"StartExe=")) {
        Report(IST_INFO_EXE_PATH, 0, TextValue(line, 9));
    } else if (is(L"UninstExePath=")) {
        Report(IST_INFO_UNINST_EXE, 0, TextValue(line, 14));
    } else if (is(L"UninstExe=")) {
        Report(IST_INFO_UNINST_EXE, 0, TextValue(line, 10));
    } else if (is(L"UninstEp=")) {
        Report(IST_INFO_UNINST_EP, 0, TextValue(line, 9));
    } else if (is(L"Error=")) {
        Report(IST_CODE_FAIL, 1000, TextValue(line, 6));
        result = 1000;
    } else if (is(L"TopShowDetention=")) {
        Report(IST_INFO_TOP_SHOW_DETENTION, static_cast<uint32_t>(IntValue(line, 17)));
    } else if (is(L"FinsihCloseDetention=")) {
        Report(IST_INFO_FINISH_CLOSE_DETENTION, static_cast<uint32_t>(IntValue(line, 21)));
    } else if (is(L"StartUrl=")) {
        Report(IST_INFO_START_URL, 0, TextValue(line, 9));
    } else if (is(L"StartupStyle=")) {
        const std::wstring word = KeywordValue(line, 13);
        int style = 0;
        if (word == L"AutoStartup")
            style = 1;
        else if (word == L"UserStartup")
            style = 2;
        Report(IST_INFO_STARTUP_STYLE, style);
    } else if (is(L"Encode=")) {
        const std::wstring word = KeywordValue(line, 7);
        if (word == L"UTF8")
            m_CodePage = Utils::CP_UTF8;
        else if (word == L"ACP")
            m_CodePage = Utils::CP_ACP;
        else
            m_CodePage = ParseInt32(word).value_or(0);
    } else if (is(L"Message=")) {
        Report(IST_INFO_MESSAGE, 0, TextValue(line, 8));
    }
    return result;
}

int CInstaller::Parse(const std::wstring& text) {
    return Console::ParseText(
        text, [this](const Console::Line& line, int result) { return Parse(line, result); });
}

void CInstaller::Run() {
    Report(IST_CODE_START, 0);
    Report(IST_CODE_PROGRESS, 0);

    const std::wstring program = Unquoted(m_PackagePath);
    std::string why;
    // A downloaded file has no execute bit yet.
    if (!Platform::MakeExecutable(Utils::ToAnsi(program), &why))
        LOG(L"package not made executable: %ls", Utils::FromAnsi(why).c_str());
    try {
        m_Child = std::make_unique<Utils::PipeProcess>();
        m_Child->Launch(program, m_CommandLine);
    } catch (const Utils::Exception& e) {
        LOG(L"package cannot be started: %ls", Utils::FromAnsi(e.what()).c_str());
        m_Child.reset();
        Report(IST_CODE_FAIL, 2);
        return;
    }

    // Every line of the read that brought a final line still counts: the
    // last final line wins.
    int result = 0;
    const int dropped = Console::ReadChildLines(
        *m_Child, m_CodePage, [&](const Console::Line& line) { result = Parse(line, result); },
        [&] { return result != 0; });
    if (dropped > 0) LOG(L"package wrote %d overlong lines", dropped);

    // Output after the final line is drained unread, so a package that goes
    // on writing cannot block for ever.
    const int exitCode = m_Child->WaitForEnd();
    const int endSignal = m_Child->EndSignal();
    LOG(L"package ended, exit code %d, %llu bytes on standard error", exitCode,
        static_cast<unsigned long long>(m_Child->ErrorBytes()));
    m_Child.reset();
    if (result != 0) return;
    // Without a final line the package counts as successful whatever its
    // exit code, but not when it crashed or was killed.
    if (endSignal != 0)
        Report(IST_CODE_FAIL, 0, L"安装包安装失败");
    else
        Report(IST_CODE_SUCCESS, 1);
}
