#include "app/InstallerConfig.h"

#include "platform/Process.h"
#include "platform/ProfileIni.h"
#include "utils/NumberParse.h"
#include "utils/OsVersion.h"
#include "utils/Text.h"

InstallerConfig g_InstallerConfig;

namespace {

constexpr const char* kSection = "Install";
// Profile strings are read into 260-character buffers.
constexpr size_t kMaxValueChars = 259;

// Product numbers that have 64-bit packages; this build (699) is not among them.
constexpr int kProductNumber = 699;
constexpr int kProducts64[] = {267, 385, 257, 335, 318};

bool Packages64Enabled() {
    for (int p : kProducts64)
        if (p == kProductNumber) return true;
    return false;
}

std::wstring ReadString(const std::string& path, const char* key, const wchar_t* def,
                        bool* present = nullptr) {
    static const std::string kMissing("\x01missing");
    std::string v = Platform::ReadProfileString(path, kSection, key, kMissing);
    if (present) *present = v != kMissing;
    if (v == kMissing) return def;
    std::wstring w = Utils::FromUtf8(v);
    if (w.size() > kMaxValueChars) w.resize(kMaxValueChars);
    return w;
}

}  // namespace

InstallerConfig::InstallerConfig() {
    SetDefaults();
    ReadConfigFile();
}

InstallerConfig::InstallerConfig(const std::wstring& configFilePath) {
    SetDefaults();
    ReadConfigFileAt(configFilePath);
}

void InstallerConfig::SetDefaults() {
    m_AppName = L"lumoraapp";
    m_AppVersion = L"1.7.9";
    m_InstallerFileName = L"NULL";
    m_DlAppNameSuffix = L".downloader";
    m_DlAppVersion = L"";
    m_InstCmd = L"";
    SetDownloadUrl(kDefaultDownloadUrl);
    m_DownloadType = 1;
    m_IsCheckNet = false;
    m_IsEnableAppBeacon = true;
    m_DownloadScale = 0.7;
    m_CurlReady = true;
    m_AbGroup = L"IN";
    m_LanguageIndex = -1;
    m_InsNew = false;
    m_BeaconServerUrl = L"";
    m_Silent = false;
    m_SilentInstallDir = L"";
    m_NoRun = false;
}

std::wstring InstallerConfig::ExecutableDirectory() {
    std::wstring exe = Utils::FromAnsi(Platform::ExecutablePath());
    size_t slash = exe.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : exe.substr(0, slash);
}

void InstallerConfig::ReadConfigFile() {
    ReadConfigFileAt(ExecutableDirectory() + L"/" + kConfigFileName);
}

void InstallerConfig::ReadConfigFileAt(const std::wstring& configPath) {
    std::wstring exe = Utils::FromAnsi(Platform::ExecutablePath());
    if (!exe.empty()) m_InstallerFileName = exe.substr(exe.rfind(L'/') + 1);

    const std::string path = Utils::ToAnsi(configPath);
    if (Platform::PathExists(path)) {
        SetDownloadUrl(ReadString(path, "DownloadUrl", kDefaultDownloadUrl));
        m_DownloadType = Platform::ReadProfileInt(path, kSection, "DownloadType", 1);
        m_IsCheckNet = ReadString(path, "IsCheckNet", L"true") == L"true";
        m_IsEnableAppBeacon = ReadString(path, "IsEnableAppBeacon", L"true") == L"true";
        m_DlAppNameSuffix = ReadString(path, "DlAppNameSuffix", L".downloader");
        m_DlAppVersion = ReadString(path, "m_DlAppVersion", L"");
        bool hasScale = false;
        std::wstring scale = ReadString(path, "DownloadScale", L"0.7", &hasScale);
        // A value that is not a number, or beyond a double, keeps the default.
        m_DownloadScale = hasScale ? Utils::ParseDecimal(scale).value_or(0.7) : 0.7;
        m_InstCmd = ReadString(path, "InstCmd", L"");
        m_BeaconServerUrl = ReadString(path, "BeaconServerUrl", L"");
    }
    m_AppName = L"lumoraapp";
    m_AppVersion = L"1.7.9";
}

void InstallerConfig::SetDownloadUrl(const std::wstring& url) { m_DownloadUrl = ExpandRoute(url); }

std::wstring InstallerConfig::ExpandRoute(const std::wstring& url) {
    if (url.find(L"${ROUTE}") == std::wstring::npos) return url;
    std::wstring system, version;
    Utils::GetOsVersion(system, version);
    return ExpandRouteFor(url, version, Packages64Enabled(), Utils::IsWow64());
}

std::wstring InstallerConfig::ExpandRouteFor(const std::wstring& url,
                                             const std::wstring& versionName,
                                             bool packages64Enabled, bool system64) {
    if (url.find(L"${ROUTE}") == std::wstring::npos) return url;
    std::wstring route;
    if (versionName.find(L"XP") != std::wstring::npos)
        route = L"download_silent_xp";
    else if (packages64Enabled && system64)
        route = L"download_silent_64";
    else
        route = L"download_silent";
    return Utils::ReplaceAll(url, L"${ROUTE}", route);
}
