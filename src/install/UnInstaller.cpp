#include "install/UnInstaller.h"

#include "platform/FileOps.h"
#include "utils/CommandLineSplit.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {
const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }
}  // namespace

using namespace ConsoleProtocol;

CUnInstaller::CUnInstaller(const StatusCallback& callback, const std::wstring& uninstallerPath,
                           const std::wstring& homeFolder)
    : CChildRunner(callback, L"UnInstaller"),
      m_UninstallerPath(uninstallerPath),
      m_HomeFolder(homeFolder) {
    m_Keys = {
        {L"Progress=",
         [this](const Value& v, int result) {
             Report(UNIST_CODE_PROGRESS, RealValue(v));
             return result;
         }},
        {L"Error=",
         [this](const Value& v, int) {
             Report(UNIST_CODE_ERROR, 0, TextValue(v));
             return 1000;
         }},
        {L"State=",
         [this](const Value& v, int result) {
             const std::wstring word = KeywordValue(v);
             if (word == L"Success") {
                 Report(UNIST_CODE_SUCCESS, 0);
                 return 1;
             }
             if (word == L"Fail") {
                 Report(UNIST_CODE_ERROR, 0, L"安装包卸载失败");
                 return 1000;
             }
             return result;
         }},
        {L"Encode=",
         [this](const Value& v, int result) {
             m_CodePage = KeywordValue(v) == L"UTF8" ? Utils::CP_UTF8 : Utils::CP_ACP;
             return result;
         }},
    };
}

CUnInstaller::~CUnInstaller() { JoinWorker(); }

std::wstring CUnInstaller::BuildCommandLine(bool adminAccount, bool elevated) const {
    // Both paths are quoted, so that each reaches the uninstaller as one
    // argument whatever blanks or quotes it holds (the program's own name
    // by the rule for the first argument: it ends at the next quote).
    return L"\"" + m_UninstallerPath + L"\" /S -adminact=" + Bool(adminAccount) +
           L" -authorizationact=" + Bool(elevated) + L" -console=show _?=" +
           Utils::QuoteArgument(m_HomeFolder);
}

std::wstring CUnInstaller::BuildCommandLine() const {
    return BuildCommandLine(Utils::ConsoleUserIsAdmin(), Utils::IsRunAsAdmin());
}

void CUnInstaller::Run() {
    if (!Platform::IsRegularFile(Utils::ToAnsi(m_UninstallerPath))) {
        Report(UNIST_CODE_FAIL, 1, L"可执行卸载文件不存在");
        return;
    }
    Report(UNIST_CODE_PROGRESS, 0);
    if (!LaunchChild(m_UninstallerPath, L"uninstaller")) {
        Report(UNIST_CODE_FAIL, 2);
        return;
    }
    // Everything the uninstaller wrote is read, also what is still in the
    // pipe when it has ended: a final "State=Fail" just before its exit
    // must count.
    const bool finalSeen = ReadChild(false) != 0;
    const bool killed = EndChild(L"uninstaller");
    if (finalSeen) return;
    // A crashed or killed uninstaller has not removed the old copy.
    if (killed)
        Report(UNIST_CODE_ERROR, 0, L"安装包卸载失败");
    else
        Report(UNIST_CODE_SUCCESS, 1);
}
