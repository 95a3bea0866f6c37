#include "app/SessionSetup.h"

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

DownloaderMaker DownloaderMakerFrom(const InstallerConfig& config) {
    (void)config;
    return MakeConfiguredDownloader;
}
