#pragma once
// The records an installation leaves for the next installer: two values in
// the per-user registry store under Software\TaMikSoft\lumoraapp
// ("InstallPath", "UnInstallEp"), set.ini in the install directory, and the
// analytics identity key in the data folder; and the directory rules that
// follow from them. Owner's thread only.
#include <string>

namespace InstallRecords {

constexpr const wchar_t* kRegistryKey = L"Software\\TaMikSoft\\lumoraapp";

struct Previous {
    std::wstring installPath;  // "InstallPath", or empty
    std::wstring uninstaller;  // "UnInstallEp", else installPath + "/uninst.ep", else empty
};

// Reads both values; missing ones read as empty.
Previous ReadPrevious();
// The previous install path names something that exists.
bool IsInstalled(const Previous& previous);

// The proposal: the previous install path when its uninstaller exists; else
// "lumoratool" in "tamik" in the per-user data folder for an administrator
// whose installer runs elevated; else "lumoratool" in the program folder.
std::wstring DefaultInstallDir(const Previous& previous, bool adminAccount, bool elevated);
// Both name the same folder, read as folders ("/a/b/" and "/a/./b" are /a/b).
bool IsSameFolder(const std::wstring& a, const std::wstring& b);
// What a typed or picked text means: the default itself when it is the same
// folder, else "lumoratool" inside the text ("\" read as "/").
std::wstring ChosenInstallDir(const std::wstring& text, const std::wstring& defaultDir);
// Installing into the previous folder whose set.ini says IsOverride=false
// (exactly) keeps the copy there: nothing is removed first.
bool KeepExistingCopy(const std::wstring& chosenDir, const std::wstring& previousInstallPath);

// After success: "InstallPath" = installDir; the uninstaller is
// `reportedUninstaller` or installDir + "/uninst.ep", and "UnInstallEp" is
// written only when that file exists. Returns the uninstaller path.
std::wstring RecordInstallation(const std::wstring& installDir,
                                const std::wstring& reportedUninstaller);

// Who wrote set.ini: the installer's file name and the product's name.
struct SettingsFileValues {
    std::wstring installerFileName;  // "APPStore"
    std::wstring appName = L"lumoraapp";
};

// set.ini in installDir: APPStore, AppName, a new DeviceID; then, when the
// data folder can be made, QVBeaconAnalyticsIni and the analytics file's
// Init/UpdateTime. Failures are logged and otherwise ignored.
void WriteSettingsFile(const std::wstring& installDir, const SettingsFileValues& values);

// ${XDG_DATA_HOME:-~/.local/share}/TaMikData/lumoratool
std::wstring DataFolder();
std::wstring AnalyticsIdentityFile();
// "%d-%02d-%02d %02d:%02d:%02d" of the local time now.
std::wstring LocalTimeStamp();

}  // namespace InstallRecords
