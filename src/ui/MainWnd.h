#pragma once
// CMainWnd: the installer's main window and the conductor of a run. Four
// pages in "mainTabLt" (0 quick install, 1 custom install, 2 installing,
// 3 finished), the prompts at the decision points, and the progress display.
// The rules of the run (preconditions, what each pipeline report means, the
// records, the progress figure, the analytics) are the install session's;
// this window maps them to controls and prompts.
//
// Threads: everything runs on the UI thread. The pipeline reports on its
// worker threads; the window's poster only queues a copy of the report and
// posts message 2024, which the window handles on the UI thread. The network
// check runs on its own worker ("ABDEF") and answers with the asynchronous
// notification "checknet".
#include <memory>
#include <string>

#include "install/InstallSession.h"
#include "ui/SkinFrame.h"
#include "utils/Thread.h"

namespace Toolkit {
class CSequenceLabelUI;
}

// What the window takes from the settings, handed over by its owner.
struct MainWndSettings {
    SessionSettings session;
    DownloaderMaker makeDownloader;
    int languageIndex = -1;   // "-language"; -1 lets the user's interface language decide
    std::wstring licenceUrl;  // opened by "treatyBtn"; empty opens nothing
};

// Message numbers of the main window.
constexpr uint32_t kInstallerReportMessage = Toolkit::WM_USER + 1000;   // 2024
constexpr uint32_t kDownloaderStartedMessage = Toolkit::WM_USER + 200;  // 1224
// Timers of the layout's root control.
constexpr uintptr_t kBringToFrontTimer = 10;
constexpr uintptr_t kSelfCloseTimer = 11;

class CMainWnd : public CSkinFrame, private IInstallObserver {
public:
    enum Page : int { kPageQuick = 0, kPageCustom = 1, kPageInstalling = 2, kPageFinished = 3 };

    explicit CMainWnd(MainWndSettings settings);
    ~CMainWnd() override;

    Toolkit::LResult HandleMessage(uint32_t msg, Toolkit::WParam wParam,
                                   Toolkit::LParam lParam) override;
    Toolkit::LResult HandleCustomMessage(uint32_t msg, Toolkit::WParam wParam,
                                         Toolkit::LParam lParam, bool& handled) override;
    void InitWindow() override;
    void OnClick(Toolkit::TNotifyUI& msg) override;
    void Notify(Toolkit::TNotifyUI& msg) override;
    Toolkit::CControlUI* CreateControl(const std::wstring& className) override;
    virtual Toolkit::LResult OnTimer(Toolkit::WParam wParam, Toolkit::LParam lParam);

    // The checks and hand-over before an installation; true when the
    // installation went to the pipeline and the go/no-go is under way.
    bool StartInstall(const std::wstring& dir, bool desktopShortcut, bool quickLaunchShortcut);
    // The go/no-go decision: page 2 and the pipeline on a go; the custom
    // install button is enabled again in every case.
    void DoInstall(bool go);
    // Opens the start address and the product's executable (after letting
    // the window paint for up to 100 ms).
    void RunProduct();
    std::wstring GetDefaultInstallDir();
    // The install directory for the text of "installDirEdit".
    std::wstring GetCustomInstallDir();
    // The interface language handed to the package (empty without a
    // language combo).
    std::wstring GetLocaleName() const;

    // The page "mainTabLt" shows, -1 without one.
    int CurrentPage() const;
    // The language index after the last choice (as "-language" numbers it).
    int GetLanguageIndex() const { return m_LanguageIndex; }
    // Null before InitWindow.
    CInstallSession* GetSession() { return m_Session.get(); }

private:
    class ReportMailbox;

    // IInstallObserver, on the UI thread.
    void OnStage(InstallStage stage) override;
    void OnProgress(InstallStage stage, int percent, const std::wstring& label) override;
    void OnBlocked(InstallBlock why, const std::wstring& message) override;
    void OnPackageMessage(const std::wstring& text) override;
    void OnDownloadFailed(double code, const std::wstring& mechanism,
                          const std::wstring& reason) override;
    void OnUninstallFailed(const std::wstring& message) override;
    void OnInstallFailed(const std::wstring& message, bool resetProgress) override;
    void OnInstalled() override;

    void OnInstallerMessage(Toolkit::LParam lParam);
    void FindControls();
    void OnPageChanged();
    void OnSelectChanged(Toolkit::CControlUI* sender);
    void OnCheckNet(uint32_t verdict);
    void ShowPage(int page);
    void ApplyLanguage(int index);
    void ApplyPreviousInstallLanguage();
    void FitTextWidth(Toolkit::CControlUI* control, const std::wstring& text);
    void ShowProgress(int percent, const std::wstring& label);
    void SendInstallNotify(bool go);
    void ChooseInstallDirectory();
    void StartNetworkCheck();
    int Prompt(const wchar_t* layout, const std::wstring* text = nullptr,
               const wchar_t* caption = nullptr);
    void CloseWindow();

    const MainWndSettings m_Settings;
    std::shared_ptr<ReportMailbox> m_Mailbox;
    std::unique_ptr<CInstallSession> m_Session;
    std::unique_ptr<Utils::Thread> m_NetCheckThread;

    Toolkit::CTabLayoutUI* m_MainTab = nullptr;
    Toolkit::CTabLayoutUI* m_TitleTab = nullptr;
    Toolkit::CButtonUI* m_DefaultInstallBtn = nullptr;
    Toolkit::CButtonUI* m_CustomeInstallBtn = nullptr;
    Toolkit::CButtonUI* m_CustomeBtn = nullptr;
    Toolkit::COptionUI* m_TreatyBtn = nullptr;
    Toolkit::CControlUI* m_BackBtn = nullptr;
    Toolkit::CControlUI* m_OpenProduceBtn = nullptr;
    Toolkit::COptionUI* m_TreatyCb = nullptr;
    Toolkit::COptionUI* m_ServiceCb = nullptr;
    Toolkit::CControlUI* m_ChDirBtn = nullptr;
    Toolkit::CControlUI* m_AbLeftBtn = nullptr;
    Toolkit::CControlUI* m_AbRightBtn = nullptr;
    Toolkit::CEditUI* m_InstallDirEdit = nullptr;
    Toolkit::CLabelUI* m_ProgressLb = nullptr;
    Toolkit::CControlUI* m_TitleGrpCtn = nullptr;
    Toolkit::CControlUI* m_WinCtn = nullptr;
    Toolkit::COptionUI* m_CreateDSCb = nullptr;
    Toolkit::COptionUI* m_CreateQSCb = nullptr;
    Toolkit::CControlUI* m_ProgressAnLb = nullptr;
    Toolkit::CControlUI* m_FinishedLbl = nullptr;
    Toolkit::CLabelUI* m_SoftNameLbl = nullptr;
    Toolkit::CControlUI* m_InstallLogo = nullptr;
    Toolkit::CComboUI* m_LanguageCombo = nullptr;
    Toolkit::CControlUI* m_TipLbl = nullptr;
    Toolkit::CProgressUI* m_InstallPrg = nullptr;

    int m_LanguageIndex = -1;
    // Go decisions so far: a restart from the download-failure prompt that
    // went at once (no network check) must stay on the installing page.
    int m_Attempts = 0;
    // A network check runs; its answer decides the installation asked for.
    bool m_NetCheckPending = false;
    // "customeInstallBtn" before StartInstall touched it.
    bool m_InstallBtnWasEnabled = true;
    bool m_InPageChange = false;
};
