#pragma once
// One installation run without any window: the run's state and its rules
// (preconditions, what each pipeline report means, the records, starting the
// product, the progress figure). A front-end (the main window, the silent
// front-end) only shows what the session tells its observer and answers the
// questions the session leaves to the user.
//
// Threads: the pipeline reports on its worker threads; the session hands
// each report to the front-end's `Poster`, which must move it to the owner's
// thread and call OnInstallerMessage there. Everything else runs on the
// owner's thread, except RunNetworkCheck, which the owner may run anywhere.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "InstallerBeacon.h"
#include "install/DownloadInstaller.h"
#include "install/InstallRecords.h"
#include "utils/SystemInfo.h"

// What the session takes from the settings, handed over by its owner when the
// session is made; nothing below reads the settings record itself.
struct SessionSettings {
    std::wstring downloadUrl;        // the package's address
    double downloadScale = 0.7;      // the download's share of the bar
    bool checkNetwork = false;       // run the connectivity check before a start
    std::wstring abGroup = L"IN";    // the events' A/B group once the download starts
    std::wstring installerFileName;  // "APPStore" of set.ini
    PipelineSettings pipeline;       // product name, download type, -insnew, extra options
};

// One pipeline report on its way to the owner's thread.
struct InstallerMessage {
    int code = 0;
    double value = 0.0;
    std::wstring text;
};

enum class InstallStage { Idle, Removing, Downloading, Installing, Finished };

// Why StartInstall or the network check stopped an installation.
enum class InstallBlock {
    UninstallerRunning,  // the product's uninstaller runs (the window closes
                         // only when an installation exists)
    ProductRunning,      // the product runs (the window closes)
    InvalidDirectory,    // the directory cannot be made, or is not a safe place
                         // to run the package (BlockDetail says why)
    NotEnoughSpace,      // less than 1 GiB free (the window shows its text 104)
    NetworkFailed,       // the network check said no
};

// The last outcome a run reported.
enum class InstallOutcome { None, Installed, DownloadFailed, InstallFailed, UninstallFailed };

// What the session asks of its front-end; all on the owner's thread.
class IInstallObserver {
public:
    virtual ~IInstallObserver() = default;
    // A new stage began (removing the old copy, downloading, installing).
    virtual void OnStage(InstallStage stage) = 0;
    // The progress figure changed: percent 0..100 and the label to show.
    virtual void OnProgress(InstallStage stage, int percent, const std::wstring& label) = 0;
    // An installation was stopped before it began; `message` is the prompt
    // text (empty for NotEnoughSpace, whose text is the localised one).
    virtual void OnBlocked(InstallBlock why, const std::wstring& message) = 0;
    // The package asks to show a message (caption "消息").
    virtual void OnPackageMessage(const std::wstring& text) = 0;
    // The download failed for good; the front-end may ask the user and call
    // StartInstall again.
    // `code` and `mechanism` are the downloader's (error number, "LibCurl");
    // `reason` says in plain words what went wrong, with the host (empty
    // when the downloader could not tell).
    virtual void OnDownloadFailed(double code, const std::wstring& mechanism,
                                  const std::wstring& reason) = 0;
    // The old copy could not be removed; `message` tells the user to close
    // the running product.
    virtual void OnUninstallFailed(const std::wstring& message) = 0;
    // The package failed; `message` is its text or "安装失败". `resetProgress`
    // when the bar had reached 70 and goes back to 0 with its first label.
    virtual void OnInstallFailed(const std::wstring& message, bool resetProgress) = 0;
    // Installed: records written, product started when the package asked
    // for it (and the front-end allows it).
    virtual void OnInstalled() = 0;
};

class CInstallSession {
public:
    using Poster = std::function<void(const InstallerMessage&)>;

    // Makes the pipeline (empty inputs until StartInstall).
    CInstallSession(IInstallObserver& observer, Poster post, DownloaderMaker makeDownloader,
                    SessionSettings settings = {});
    // Destroys the pipeline; call it only when no report can come any more.
    ~CInstallSession();
    CInstallSession(const CInstallSession&) = delete;
    CInstallSession& operator=(const CInstallSession&) = delete;

    // Start-up: the previous installation from the registry store.
    void ReadRecords();
    bool PreviousInstallExists() const { return m_PrevInstallExists; }
    const std::wstring& PrevInstallPath() const { return m_PrevInstallPath; }
    const std::wstring& PrevUninstEp() const { return m_PrevUninstEp; }

    // A process named "lumoraapp.exe" runs (and -insnew is off).
    bool ProductBlocksInstall() const;
    // The proposal (previous folder, or the rule of the account facts);
    // refreshes the two account facts.
    std::wstring GetDefaultInstallDir();
    // What a typed or picked text means.
    std::wstring GetCustomInstallDir(const std::wstring& text);

    // The checks and hand-over before an installation: product and
    // uninstaller not running, directory made and private (only this user,
    // or root, can change it or the folders above it:
    // Platform::IsPrivateFolderTree), 1 GiB free; then the pipeline gets
    // its inputs. False (after OnBlocked) when a check failed.
    // When true, the front-end runs the network check if NetworkCheckWanted
    // and gives its verdict to OnNetworkChecked, else calls DoInstall(true).
    bool StartInstall(const std::wstring& dir, bool desktopShortcut, bool quickLaunchShortcut);
    bool NetworkCheckWanted() const;
    // The connectivity check; any thread.
    static uint32_t RunNetworkCheck();
    // True when the verdict lets the installation go (upper 16 bits 0);
    // otherwise OnBlocked(NetworkFailed).
    bool OnNetworkChecked(uint32_t verdict);
    // Go: reports the view "安装中" and starts the pipeline. `shownPage` is
    // the front-end's page at that moment; only pages 0 and 1 are
    // remembered, so a retry from the failure prompt keeps the first one.
    void DoInstall(bool go, int shownPage = 0);

    // The outside request to report "下载器启动" (once per run).
    void ReportDownloaderStarted();
    // One pipeline report, on the owner's thread.
    void OnInstallerMessage(const InstallerMessage& message);
    // Starts the product: its address when longer than 5 characters, its
    // executable when it exists.
    void RunProduct();

    // Waits until the package and uninstaller runners have ended their runs,
    // so that every report they make has been posted.
    void WaitForRunners();
    // The package or the uninstaller runner is still under way.
    bool RunnersRunning() { return m_Pipeline->RunnersRunning(); }

    // An interruption (a stop signal, the window closed by force). Any
    // thread, at once: the pipeline starts nothing more. The owner then
    // calls Cancel on its thread.
    void RequestCancel() { m_Pipeline->RequestCancel(); }
    // Ends the run on the owner's thread: the pipeline is cancelled (its
    // children are ended, SIGTERM then SIGKILL after a grace; the package
    // file is deleted) and reports still on their way are ignored, so no
    // record is written for the unfinished installation. Returns the stage
    // that was interrupted. Never from within a report.
    InstallStage Cancel();
    bool Cancelled() const { return m_Cancelled; }
    // Why the last StartInstall refused the directory, as the end of a
    // sentence about it ("cannot be created", "is not a safe place to run
    // the package: ..."); empty after other blocks.
    const std::wstring& BlockDetail() const { return m_BlockDetail; }

    // Not starting the product on success even when the package asks.
    void SetAutoStartAllowed(bool allowed) { m_AutoStartAllowed = allowed; }
    void SetLanguage(const std::wstring& localeName) { m_Language = localeName; }

    InstallStage Stage() const { return m_Stage; }
    InstallOutcome Outcome() const { return m_Outcome; }
    int Percent() const { return m_Percent; }
    int InstallFromPage() const { return m_InstallFromPage; }
    const std::wstring& InstallPath() const { return m_InstallPath; }
    const std::wstring& StartExePath() const { return m_StartExePath; }
    const std::wstring& UninstEp() const { return m_UninstEp; }
    const std::wstring& StartUrl() const { return m_StartUrl; }
    int StartupStyle() const { return m_StartupStyle; }
    uint32_t TopShowDelay() const { return m_TopShowDelay; }
    uint32_t FinishCloseDelay() const { return m_FinishCloseDelay; }
    std::wstring PackagePath() const { return m_Pipeline->PackagePath(); }
    TrackExtras Extras() const { return {{L"AB", m_AbGroup}}; }
    // The label for a percent: "正在安装中:%d%%，请稍候..." or, after 60 s
    // of download, "正在安装中:%d%%，请耐心等待...".
    std::wstring ProgressLabel(int percent) const;
    // The first label, shown when a failed installation resets the bar.
    static std::wstring InitialProgressLabel();

    // The product's running text of the prompts.
    static const wchar_t* RunningProductText();

private:
    void SetStage(InstallStage stage);
    void ShowPercent(int percent);
    void Finish();
    InstallRecords::SettingsFileValues SettingsFileValues() const;

    IInstallObserver& m_Observer;
    Poster m_Post;
    const SessionSettings m_Settings;
    std::unique_ptr<CDownloadInstaller> m_Pipeline;

    std::wstring m_StartExePath;
    std::wstring m_UninstEp;
    std::wstring m_InstallPath;
    std::wstring m_PrevUninstEp;
    std::wstring m_PrevInstallPath;
    std::wstring m_StartUrl;
    int m_StartupStyle = 0;
    uint32_t m_TopShowDelay = 3000;
    uint32_t m_FinishCloseDelay = 0xFFFFFFFF;
    Utils::ElapsedTimer m_Stopwatch;
    int m_InstallFromPage = 0;
    double m_InstallCreep = 0.0;
    bool m_PrevInstallExists = false;
    bool m_ConsoleUserIsAdmin = false;
    bool m_ProcessIsAdmin = false;
    std::wstring m_AbGroup = L"IN";
    bool m_StartReported = false;
    bool m_Cancelled = false;
    std::wstring m_BlockDetail;

    std::wstring m_Language;
    bool m_AutoStartAllowed = true;
    InstallStage m_Stage = InstallStage::Idle;
    InstallOutcome m_Outcome = InstallOutcome::None;
    int m_Percent = 0;
};
