#pragma once
// The download-and-install pipeline: removes an installed older copy with its
// own uninstaller (copied to the private temporary folder first), downloads
// the package into the install directory, runs it. Every report of the three
// workers goes on, unchanged and on the worker's thread, to the owner's
// callback before the pipeline acts on it (next stage, deleting files,
// restarting the downloader).
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "download/Downloader.h"
#include "utils/StatusCallback.h"

class CInstaller;
class CUnInstaller;

// What the pipeline takes from the settings, handed over by its owner when
// it is made; the workers read only these copies.
struct PipelineSettings {
    std::wstring appName = L"lumoraapp";  // names the package file and the product's process
    int downloadType = 1;                 // passed to the downloader maker
    bool insNew = false;                  // wait for a running product to exit first
    std::wstring extraPackageOptions;     // appended to the package's command line
};

// Makes the downloader for a download type (2 system, 3 segmented, else
// single connection). Injected so that tests can give a downloader of their
// own; the program passes MakeConfiguredDownloader (DownloaderChoice.h).
using DownloaderMaker = std::function<std::unique_ptr<CDownloader>(
    int downloadType, const StatusCallback& callback, const std::wstring& url,
    const std::wstring& filePath)>;

class CDownloadInstaller {
public:
    CDownloadInstaller(const StatusCallback& callback, const std::wstring& downloadUrl,
                       const std::wstring& prevUninstaller, const std::wstring& installDir,
                       bool desktopShortcut, bool quickLaunchShortcut, bool adminAccount,
                       DownloaderMaker makeDownloader, PipelineSettings settings = {});
    // Deletes the downloader (which does not wait for a transfer) and the two
    // runners (which wait for their threads). Destroy the pipeline only when
    // no report can come any more.
    virtual ~CDownloadInstaller();
    CDownloadInstaller(const CDownloadInstaller&) = delete;
    CDownloadInstaller& operator=(const CDownloadInstaller&) = delete;

    // Inputs of the next start; only while no worker runs.
    void SetParams(const std::wstring& downloadUrl, const std::wstring& prevUninstaller,
                   const std::wstring& installDir, bool desktopShortcut, bool quickLaunchShortcut,
                   bool adminAccount, bool elevated, const std::wstring& language);

    // Begins an installation and returns once its first worker has started;
    // with -insnew it first waits for a running product to exit. Reports
    // nothing itself.
    void Start();

    // Waits until the package runner and the uninstaller runner have ended
    // their current runs (the package process has ended then). Owner's
    // thread, never from within a report.
    void WaitForRunners();

    // The package path of the current (or last) start.
    std::wstring PackagePath() const {
        std::lock_guard<std::mutex> lock(m_FieldsLock);
        return m_PackagePath;
    }

    // "<dir>/__Package_<appName>.exe"
    static std::wstring PackagePathFor(const std::wstring& installDir,
                                       const std::wstring& appName = L"lumoraapp");
    // Where the old uninstaller is copied before it runs; empty when the
    // private temporary folder cannot be used.
    static std::wstring UninstallerCopyPath();

private:
    void OnDownload(int code, double value, const std::wstring& text);
    void OnUninstall(int code, double value, const std::wstring& text);
    void OnInstall(int code, double value, const std::wstring& text);
    void Forward(int code, double value, const std::wstring& text);
    // Counts a report being handled, so destruction waits for a worker that
    // is still acting on its last report.
    class InFlight;
    // Deletes this attempt's package and the one of the previous ended
    // attempt, and remembers this one.
    void DeletePackages();

    // The owner may start again right after a final report, while the
    // worker that sent it still deletes the package: the fields it reads
    // are guarded.
    mutable std::mutex m_FieldsLock;
    std::unique_ptr<CUnInstaller> m_UnInstaller;
    std::unique_ptr<CDownloader> m_Downloader;
    std::unique_ptr<CInstaller> m_Installer;
    std::wstring m_DownloadUrl;
    std::wstring m_PrevUninstaller;
    std::wstring m_InstallDir;
    std::wstring m_PackagePath;
    std::wstring m_Language;
    bool m_DesktopShortcut;
    bool m_QuickLaunchShortcut;
    bool m_AdminAccount;
    bool m_Elevated = false;
    StatusCallback m_Callback;
    DownloaderMaker m_MakeDownloader;
    const PipelineSettings m_Settings;
    std::mutex m_InFlightLock;
    std::condition_variable m_InFlightDone;
    int m_InFlight = 0;
};
