#include "install/InstallRecords.h"

#include <cwchar>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/FileOps.h"
#include "platform/ProfileIni.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "utils/Log.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace InstallRecords {
namespace {

constexpr size_t kMaxPath = 259;

std::string Key() { return Utils::ToUtf8(kRegistryKey); }

std::wstring ReadValue(const char* name) {
    auto v = Platform::ReadRegistryValue(Key(), name);
    return v ? Utils::FromUtf8(*v) : std::wstring();
}

void WriteValue(const char* name, const std::wstring& value) {
    std::string err;
    if (!Platform::WriteRegistryValue(Key(), name, Utils::ToUtf8(value), &err))
        LOG(L"registry value %ls not written: %ls", Utils::FromAnsi(name).c_str(),
            Utils::FromUtf8(err).c_str());
}

void WriteIni(const std::wstring& file, const char* section, const char* key,
              const std::wstring& value) {
    std::string err;
    if (!Platform::WriteProfileString(Utils::ToAnsi(file), section, key, Utils::ToUtf8(value),
                                      &err))
        LOG(L"%ls not written: %ls", file.c_str(), Utils::FromUtf8(err).c_str());
}

std::wstring Join(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return name;
    return dir.back() == L'/' ? dir + name : dir + L"/" + name;
}

std::string AsFolder(const std::wstring& p) {
    std::string s = std::filesystem::path(Utils::ToAnsi(p)).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

}  // namespace

Previous ReadPrevious() {
    Previous p;
    p.installPath = ReadValue("InstallPath");
    p.uninstaller = ReadValue("UnInstallEp");
    if (p.uninstaller.empty() && !p.installPath.empty())
        p.uninstaller = Join(p.installPath, L"uninst.ep");
    return p;
}

bool IsInstalled(const Previous& previous) {
    return !previous.installPath.empty() &&
           Platform::PathExistsAny(Utils::ToAnsi(previous.installPath));
}

std::wstring DefaultInstallDir(const Previous& previous, bool adminAccount, bool elevated) {
    if (!previous.installPath.empty() && !previous.uninstaller.empty() &&
        Platform::PathExistsAny(Utils::ToAnsi(previous.uninstaller)))
        return previous.installPath;
    std::wstring base;
    const std::wstring appData = Utils::FromAnsi(Platform::AppDataDirectory());
    if (adminAccount && elevated && !appData.empty() && appData.size() <= 260)
        base = Join(appData, L"tamik");
    else
        base = Utils::FromAnsi(Platform::ProgramFilesDirectory());
    std::wstring dir = Join(base, L"lumoratool");
    if (dir.size() > kMaxPath) dir.resize(kMaxPath);
    return dir;
}

bool IsSameFolder(const std::wstring& a, const std::wstring& b) {
    if (a.empty() || b.empty()) return false;
    return AsFolder(a) == AsFolder(b);
}

std::wstring ChosenInstallDir(const std::wstring& text, const std::wstring& defaultDir) {
    if (IsSameFolder(text, defaultDir)) return defaultDir;
    return Join(Utils::ReplaceAll(text, L"\\", L"/"), L"lumoratool");
}

bool KeepExistingCopy(const std::wstring& chosenDir, const std::wstring& previousInstallPath) {
    if (!IsSameFolder(previousInstallPath, chosenDir)) return false;
    const std::string v = Platform::ReadProfileString(Utils::ToAnsi(Join(chosenDir, L"set.ini")),
                                                      "Uninstall", "IsOverride", "true");
    return v == "false";
}

std::wstring RecordInstallation(const std::wstring& installDir,
                                const std::wstring& reportedUninstaller) {
    WriteValue("InstallPath", installDir);
    const std::wstring uninstaller =
        reportedUninstaller.empty() ? Join(installDir, L"uninst.ep") : reportedUninstaller;
    if (Platform::PathExistsAny(Utils::ToAnsi(uninstaller))) WriteValue("UnInstallEp", uninstaller);
    return uninstaller;
}

std::wstring DataFolder() {
    std::wstring base = Utils::FromAnsi(Platform::AppDataDirectory());
    if (base.empty()) base = Utils::FromAnsi(Platform::SharedDocumentsDirectory());
    return Join(Join(base, L"TaMikData"), L"lumoratool");
}

std::wstring AnalyticsIdentityFile() { return Join(DataFolder(), L"QVBeaconAnalytics.ini"); }

std::wstring LocalTimeStamp() {
    const Platform::LocalTime t = Platform::NowLocal();
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

void WriteSettingsFile(const std::wstring& installDir, const SettingsFileValues& values) {
    // Our INI layer writes UTF-8 whatever the locale, so the process locale
    // is left as it is (changing it here would change, for every thread,
    // how file names are converted).
    const std::wstring setIni = Join(installDir, L"set.ini");
    Platform::ProfileEntries install = {
        {"APPStore", Utils::ToUtf8(values.installerFileName)},
        {"AppName", Utils::ToUtf8(values.appName)},
        {"DeviceID", Utils::ToUtf8(Utils::CreateGuidString())},
    };
    // The keys change together in one write; the locator of the analytics
    // file only when its folder exists.
    const bool dataFolder = Utils::MakeDirectoryTree(DataFolder());
    if (dataFolder)
        install.push_back({"QVBeaconAnalyticsIni", Utils::ToUtf8(AnalyticsIdentityFile())});
    std::string err;
    if (!Platform::WriteProfileStrings(Utils::ToAnsi(setIni), "Install", install, &err))
        LOG(L"%ls not written: %ls", setIni.c_str(), Utils::FromUtf8(err).c_str());
    if (!dataFolder) return;
    WriteIni(AnalyticsIdentityFile(), "Init", "UpdateTime", LocalTimeStamp());
}

}  // namespace InstallRecords
