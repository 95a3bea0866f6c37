#include "install/Installer.h"

#include "utils/CommandLineSplit.h"
#include "utils/Log.h"
#include "utils/NumberParse.h"
#include "utils/Text.h"

namespace {

const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }

std::wstring Unquoted(const std::wstring& path) {
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        return path.substr(1, path.size() - 2);
    return path;
}

}  // namespace

using namespace ConsoleProtocol;

CInstaller::CInstaller(const StatusCallback& callback, const std::wstring& packagePath,
                       const std::wstring& installDir, bool desktopShortcut,
                       bool quickLaunchShortcut, bool adminAccount, bool elevated)
    : CChildRunner(callback, L"ABDEF"),
      m_PackagePath(packagePath),
      m_InstallDir(installDir),
      m_QuickLaunchShortcut(quickLaunchShortcut),
      m_DesktopShortcut(desktopShortcut),
      m_AdminAccount(adminAccount),
      m_Elevated(elevated) {
    // A line that reports its text value; the run's result stays as it was.
    auto text = [this](int code) {
        return [this, code](const Value& v, int result) {
            Report(code, 0, TextValue(v));
            return result;
        };
    };
    m_Keys = {
        {L"Progress=",
         [this](const Value& v, int result) {
             Report(IST_CODE_PROGRESS, RealValue(v));
             return result;
         }},
        {L"InstPath=", text(IST_INFO_INST_PATH)},
        {L"State=",
         [this](const Value& v, int result) {
             const std::wstring word = KeywordValue(v);
             if (word == L"Success") {
                 Report(IST_CODE_SUCCESS, 0);
                 return 1;
             }
             if (word == L"Fail") {
                 Report(IST_CODE_FAIL, 0, L"安装包安装失败");
                 return 1000;
             }
             return result;
         }},
        {L"InstallVersion=", [](const Value&, int result) { return result; }},  // no effect
        {L"ExePath=", [this](const Value& v, int result) { return Parse(v, result); }},
        {L"StartExe=", text(IST_INFO_EXE_PATH)},
        {L"UninstExePath=", text(IST_INFO_UNINST_EXE)},
        {L"UninstExe=", text(IST_INFO_UNINST_EXE)},
        {L"UninstEp=", text(IST_INFO_UNINST_EP)},
        {L"Error=",
         [this](const Value& v, int) {
             Report(IST_CODE_FAIL, 1000, TextValue(v));
             return 1000;
         }},
        {L"TopShowDetention=",
         [this](const Value& v, int result) {
             Report(IST_INFO_TOP_SHOW_DETENTION, static_cast<uint32_t>(IntValue(v)));
             return result;
         }},
        // The key is spelt this way by the packages.
        {L"FinsihCloseDetention=",
         [this](const Value& v, int result) {
             Report(IST_INFO_FINISH_CLOSE_DETENTION, static_cast<uint32_t>(IntValue(v)));
             return result;
         }},
        {L"StartUrl=", text(IST_INFO_START_URL)},
        {L"StartupStyle=",
         [this](const Value& v, int result) {
             const std::wstring word = KeywordValue(v);
             int style = 0;
             if (word == L"AutoStartup")
                 style = 1;
             else if (word == L"UserStartup")
                 style = 2;
             Report(IST_INFO_STARTUP_STYLE, style);
             return result;
         }},
        {L"Encode=",
         [this](const Value& v, int result) {
             const std::wstring word = KeywordValue(v);
             if (word == L"UTF8")
                 m_CodePage = Utils::CP_UTF8;
             else if (word == L"ACP")
                 m_CodePage = Utils::CP_ACP;
             else
                 m_CodePage = Utils::ParseInt32(word).value_or(0);
             return result;
         }},
        {L"Message=", text(IST_INFO_MESSAGE)},
    };
}

CInstaller::~CInstaller() { JoinWorker(); }

int CInstaller::Parse(const Value& exePath, int result) {
    const std::wstring path = TextValue(exePath);
    LOG_RAW(L"ExePath: %ls", path.c_str());
    Report(IST_INFO_EXE_PATH, 0, path);
    return result;
}

std::wstring CInstaller::BuildCommandLine() const {
    std::wstring cmd = m_PackagePath;
    cmd += L" /S -console=show -version=1.0.0";
    cmd += std::wstring(L" -adminact=") + Bool(m_AdminAccount);
    cmd += std::wstring(L" -authorizationact=") + Bool(m_Elevated);
    cmd += std::wstring(L" -dsc=") + Bool(m_DesktopShortcut);
    cmd += std::wstring(L" -ssc=") + Bool(m_QuickLaunchShortcut);
    if (!m_Language.empty()) cmd += L" -inslang=" + Utils::QuoteArgument(m_Language);
    if (!m_ExtraOptions.empty()) cmd += L" " + m_ExtraOptions;
    if (!m_InstallDir.empty()) {
        cmd += L" -instdir=" + Utils::QuoteArgument(m_InstallDir);
        // Quoted too: the package gets its argv split from this line, and an
        // unquoted folder would reach it cut at its blanks.
        cmd += L" /D=" + Utils::QuoteArgument(m_InstallDir);
    }
    return cmd;
}

void CInstaller::Run() {
    Report(IST_CODE_START, 0);
    Report(IST_CODE_PROGRESS, 0);
    if (!LaunchChild(Unquoted(m_PackagePath), L"package")) {
        Report(IST_CODE_FAIL, 2);
        return;
    }
    // Every line of the read that brought a final line still counts: the
    // last final line wins.
    const int result = ReadChild(true);
    const bool killed = EndChild(L"package");
    if (result != 0) return;
    // Without a final line the package counts as successful whatever its
    // exit code, but not when it crashed or was killed.
    if (killed)
        Report(IST_CODE_FAIL, 0, L"安装包安装失败");
    else
        Report(IST_CODE_SUCCESS, 1);
}
