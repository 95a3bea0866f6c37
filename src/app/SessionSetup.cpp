#include "app/SessionSetup.h"

#include "InstallerBeacon.h"
#include "app/InstallerConfig.h"
#include "install/DownloaderChoice.h"

SessionSettings SessionSettingsFrom(const InstallerConfig& config) {
    SessionSettings s;
    s.downloadUrl = config.m_DownloadUrl;
    s.downloadScale = config.m_DownloadScale;
    s.checkNetwork = config.m_IsCheckNet;
    s.abGroup = config.m_AbGroup;
    s.installerFileName = config.m_InstallerFileName;
    s.pipeline.appName = config.m_AppName;
    s.pipeline.downloadType = config.m_DownloadType;
    s.pipeline.insNew = config.m_InsNew;
    s.pipeline.extraPackageOptions = config.m_InstCmd;
    return s;
}

DownloaderMaker DownloaderMakerFrom(const InstallerConfig& config,
                                    DownloadSizeReporter reportSize) {
    DownloaderOptions options;
    options.curlReady = config.m_CurlReady;
    options.reportSize = std::move(reportSize);
    options.reportFailure = [](const std::wstring& reason) {
        BeaconTrackTask(L"下载失败原因", 0.0f, reason, {{L"AB", L"IN"}});
    };
    return ConfiguredDownloaderMaker(std::move(options));
}
