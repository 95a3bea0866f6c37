#pragma once
// The one process-wide settings record. Layers, per field: built-in
// defaults, then "TamikInstallerConfig.ini" beside the executable (section
// "Install"), then the command line. Written on the UI thread before any
// worker exists; read by everyone without locks afterwards.
#include <string>

class InstallerConfig {
public:
    // Defaults, then the file beside the executable.
    InstallerConfig();
    // Defaults, then the given file (the executable's name is still taken from
    // the running executable). For tests and tools.
    explicit InstallerConfig(const std::wstring& configFilePath);

    // The file step. Missing file or keys keep the defaults; nothing is
    // reported.
    void ReadConfigFile();
    // Stores the address after "${ROUTE}" rewriting.
    void SetDownloadUrl(const std::wstring& url);
    // Replaces every "${ROUTE}" by the route name of the running system.
    static std::wstring ExpandRoute(const std::wstring& url);
    // The route rule as a pure function of the system's facts.
    static std::wstring ExpandRouteFor(const std::wstring& url, const std::wstring& versionName,
                                       bool packages64Enabled, bool system64);

    // Directory of the running executable, where the configuration file lives.
    static std::wstring ExecutableDirectory();

    std::wstring m_AppName;
    std::wstring m_AppVersion;
    std::wstring m_InstallerFileName;
    std::wstring m_DlAppNameSuffix;
    std::wstring m_DlAppVersion;
    std::wstring m_InstCmd;
    std::wstring m_DownloadUrl;
    int m_DownloadType;
    bool m_IsCheckNet;
    bool m_IsEnableAppBeacon;
    double m_DownloadScale;
    bool m_CurlReady;
    std::wstring m_AbGroup;
    int m_LanguageIndex;
    bool m_InsNew;

    // Linux additions: the analytics collector (key "BeaconServerUrl", option
    // "-beaconserverurl"), and the silent front-end ("-silent", "-installdir",
    // "-norun").
    std::wstring m_BeaconServerUrl;
    bool m_Silent;
    std::wstring m_SilentInstallDir;
    bool m_NoRun;

private:
    void SetDefaults();
    void ReadConfigFileAt(const std::wstring& path);
};

// Filled during static initialisation, before main.
extern InstallerConfig g_InstallerConfig;

constexpr const wchar_t* kDefaultDownloadUrl = L"http://dl.tamiksoft.com/software/595";
constexpr const wchar_t* kConfigFileName = L"TamikInstallerConfig.ini";
