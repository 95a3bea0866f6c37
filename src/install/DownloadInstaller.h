#pragma once
// The download-and-install pipeline: removes an installed older copy with its
// own uninstaller (copied to the private temporary folder first), downloads
// the package into the install directory, runs it. Every report of the three
// workers goes on, unchanged and on the worker's thread, to the owner's
// callback before the pipeline acts on it (next stage, deleting files,
// restarting the downloader).
#include <atomic>
#include <chrono>
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
    // The package runner or the uninstaller runner is under way.
    bool RunnersRunning();

    // How long a package or an uninstaller may take to end after SIGTERM.
    static constexpr std::chrono::milliseconds kChildStopGrace{5000};
    // Any thread, at once: the run is to end. Nothing starts from now on
    // (no stage, no retry), and a Start waiting for the product to exit
    // stops waiting. The owner then calls Cancel.
    void RequestCancel() { m_Cancelled = true; }
    // Ends the run for good: the downloader is released (its transfer stops
    // and it reports nothing more), the uninstaller's or the package's
    // process group gets SIGTERM and, when anything of it is left after
    // `grace`, SIGKILL; then this attempt's package file and the
    // downloader's part files beside it are deleted. Returns when nothing of
    // the run is running. Reports made meanwhile still reach the callback.
    // Owner's thread, never from within a report; the pipeline starts
    // nothing afterwards.
    void Cancel(std::chrono::milliseconds grace = kChildStopGrace);
    bool Cancelled() const { return m_Cancelled; }

    // Why the download failed last, in the downloader's plain words; empty
    // before a failure. Owner's thread.
    std::wstring DownloadFailureReason() const;

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
    // Deletes the ended attempt's package (taken before its end was
    // reported, since the owner may start again at once) and the one of the
    // previous ended attempt, and remembers the first.
    void DeletePackages(const std::wstring& current);

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
    // Held while a report starts the next stage, so that Cancel either
    // comes first (nothing starts) or sees what was started.
    std::mutex m_StageLock;
    std::atomic<bool> m_Cancelled{false};
    std::mutex m_InFlightLock;
    std::condition_variable m_InFlightDone;
    int m_InFlight = 0;
};
