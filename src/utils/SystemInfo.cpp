#include "utils/SystemInfo.h"

#include <cwchar>

#include "platform/Accounts.h"
#include "platform/Clock.h"
#include "platform/Guid.h"
#include "platform/PrivateFolder.h"
#include "platform/ProcessList.h"
#include "platform/SpecialFolders.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Utils {
namespace {
constexpr const char* kTempFolderName = "~TaMikTemp.92482B06FB471E17";
constexpr size_t kMaxPath = 260;
}  // namespace

std::wstring GetTempFolder() {
    std::string err;
    std::string base = Platform::UserTempDirectory();
    // The old uninstaller is started from this folder: a temporary folder
    // mounted noexec cannot run it, the user's cache folder can.
    if (!Platform::AllowsExecution(base)) {
        const std::string cache = Platform::CacheHome();
        LOG(L"%ls does not allow programs to run; using %ls", FromAnsi(base).c_str(),
            FromAnsi(cache).c_str());
        if (!Platform::MakeDirectories(cache, 0700, &err))
            LOG(L"MakeDirectoryTree: %ls", FromAnsi(err).c_str());
        base = cache;
    }
    std::string dir = Platform::EnsurePrivateFolder(base + "/" + kTempFolderName, &err);
    if (dir.empty()) {
        LOG(L"private temporary folder unusable: %ls", FromAnsi(err).c_str());
        return {};
    }
    return FromAnsi(dir) + L"/";
}

bool MakeDirectoryTree(const std::wstring& path) {
    if (path.size() > kMaxPath || path.empty()) return false;
    std::string err;
    // Not writable by group or others whatever the umask: the install
    // directory must stay private to be used (Platform::IsPrivateFolderTree).
    if (!Platform::MakeDirectories(ToAnsi(path), 0755, &err)) {
        LOG(L"MakeDirectoryTree: %ls", FromAnsi(err).c_str());
        return false;
    }
    return true;
}

std::wstring FormatGuid(const uint8_t b[16]) {
    const unsigned data1 =
        (unsigned(b[0]) << 24) | (unsigned(b[1]) << 16) | (unsigned(b[2]) << 8) | b[3];
    const unsigned data2 = (unsigned(b[4]) << 8) | b[5];
    const unsigned data3 = (unsigned(b[6]) << 8) | b[7];
    wchar_t buf[50];
    std::swprintf(buf, 50, L"%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", data1, data2, data3,
                  b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return buf;
}

std::wstring CreateGuidString() {
    auto bytes = Platform::NewGuidBytes();
    return FormatGuid(bytes.data());
}

bool IsRunAsAdmin() { return Platform::ProcessIsElevated(); }

bool IsAdminAccount(const std::wstring& userName) {
    return Platform::AccountIsAdministrator(ToAnsi(userName));
}

bool GetConsoleUserName(std::wstring& name) {
    std::string n;
    if (!Platform::ConsoleUserName(n)) return false;
    name = FromAnsi(n);
    return true;
}

bool ConsoleUserIsAdmin() {
    std::wstring name;
    GetConsoleUserName(name);  // empty when there is no console session
    return IsAdminAccount(name);
}

uint32_t FindProcessByName(const std::wstring& name) {
    return static_cast<uint32_t>(Platform::FindProcessByName(ToAnsi(name)));
}

void ElapsedTimer::Start() {
    m_StartTick = Platform::TickCount();
    m_Started = true;
}

float ElapsedTimer::GetElapsedSeconds() const {
    if (!m_Started) return 0.0f;
    const uint32_t elapsed = Platform::TickCount() - m_StartTick;
    return static_cast<float>(elapsed) / 1000.0f;
}

}  // namespace Utils
