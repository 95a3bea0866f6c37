#include "ui/MainWnd.h"

#include <chrono>
#include <mutex>
#include <set>

#include "InstallerBeacon.h"
#include "platform/Launch.h"
#include "ui/Localisation.h"
#include "ui/MessageBoxWnd.h"
#include "ui/SequenceControls.h"
#include "utils/Log.h"
#include "utils/Text.h"

using namespace Toolkit;

namespace {

constexpr const wchar_t* kCaptionReminder = L"温馨提示";
constexpr const wchar_t* kCaptionMessage = L"消息";
constexpr const wchar_t* kProductName = L"Lumora";
constexpr const wchar_t* kProductExe = L"lumoraapp.exe";
constexpr const wchar_t* kFinishedBarImage = L"res\\mainWnd\\installPrg3.png";

template <class T>
T* FindAs(CPaintManagerUI& manager, const wchar_t* name, const wchar_t* cls) {
    CControlUI* control = manager.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(cls)) : nullptr;
}

bool IsSelected(const COptionUI* option) { return option && option->IsSelected(); }

CSequenceLabelUI* AsSequenceLabel(CControlUI* control) {
    return control ? static_cast<CSequenceLabelUI*>(control->GetInterface(L"SequenceLabel"))
                   : nullptr;
}

}  // namespace

// The reports on their way from the pipeline's threads to the window. Each
// posted message 2024 carries one record that the mailbox keeps until the
// window takes it, so a record whose message is dropped (the window went
// first) is still freed, and a message 2024 that names no record of ours
// is ignored.
class CMainWnd::ReportMailbox {
public:
    ~ReportMailbox() { Close(); }

    void Open(WindowHandle window) {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Window = window;
    }
    // Any thread.
    void Post(const InstallerMessage& message) {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_Window == 0) return;
        auto* record = new InstallerMessage(message);
        m_Pending.insert(record);
        if (!Toolkit::PostMessage(m_Window, kInstallerReportMessage, 0,
                                  reinterpret_cast<LParam>(record))) {
            m_Pending.erase(record);
            delete record;
        }
    }
    std::unique_ptr<InstallerMessage> Take(LParam lParam) {
        std::lock_guard<std::mutex> lock(m_Lock);
        auto* record = reinterpret_cast<InstallerMessage*>(lParam);
        if (m_Pending.erase(record) == 0) return nullptr;
        return std::unique_ptr<InstallerMessage>(record);
    }
    // No more posts; what is still on its way is dropped.
    void Close() {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Window = 0;
        for (InstallerMessage* record : m_Pending) delete record;
        m_Pending.clear();
    }

private:
    std::mutex m_Lock;
    WindowHandle m_Window = 0;
    std::set<InstallerMessage*> m_Pending;
};

CMainWnd::CMainWnd(MainWndSettings settings)
    : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")),
      m_Settings(std::move(settings)),
      m_Mailbox(std::make_shared<ReportMailbox>()),
      m_LanguageIndex(m_Settings.languageIndex) {}

CMainWnd::~CMainWnd() {
    if (IsAlive()) DestroyWindow();
    m_Mailbox->Close();
    // The pipeline joins its workers; the network check ends by itself.
    m_Session.reset();
    m_NetCheckThread.reset();
}

CControlUI* CMainWnd::CreateControl(const std::wstring& className) {
    return CreateSequenceControl(className);
}

void CMainWnd::FindControls() {
    CPaintManagerUI& m = m_Manager;
    m_MainTab = FindAs<CTabLayoutUI>(m, L"mainTabLt", L"TabLayout");
    m_TitleTab = FindAs<CTabLayoutUI>(m, L"titleTabLt", L"TabLayout");
    m_DefaultInstallBtn = FindAs<CButtonUI>(m, L"defaultInstallBtn", L"Button");
    m_CustomeInstallBtn = FindAs<CButtonUI>(m, L"customeInstallBtn", L"Button");
    m_CustomeBtn = FindAs<CButtonUI>(m, L"customeBtn", L"Button");
    m_TreatyBtn = FindAs<COptionUI>(m, L"treatyBtn", L"Option");
    m_BackBtn = m.FindControl(L"backBtn");
    m_OpenProduceBtn = m.FindControl(L"openProduceBtn");
    m_TreatyCb = FindAs<COptionUI>(m, L"treatyCb", L"Option");
    m_ServiceCb = FindAs<COptionUI>(m, L"serviceCb", L"Option");
    m_ChDirBtn = m.FindControl(L"chDirBtn");
    m_AbLeftBtn = m.FindControl(L"ableftBtn");
    m_AbRightBtn = m.FindControl(L"abrightBtn");
    m_InstallDirEdit = FindAs<CEditUI>(m, L"installDirEdit", L"Edit");
    m_ProgressLb = FindAs<CLabelUI>(m, L"progressLb", L"Label");
    m_TitleGrpCtn = m.FindControl(L"titleGrpCtn");
    m_WinCtn = m.FindControl(L"winCtn");
    m_CreateDSCb = FindAs<COptionUI>(m, L"createDSCb", L"Option");
    m_CreateQSCb = FindAs<COptionUI>(m, L"createQSCb", L"Option");
    m_ProgressAnLb = m.FindControl(L"progressAnLb");
    m_FinishedLbl = m.FindControl(L"finishedLbl");
    m_SoftNameLbl = FindAs<CLabelUI>(m, L"softNameLbl", L"Label");
    m_InstallLogo = m.FindControl(L"installLogo");
    m_LanguageCombo = FindAs<CComboUI>(m, L"languageCombo", L"Combo");
    m_TipLbl = m.FindControl(L"tipLbl");
    m_InstallPrg = FindAs<CProgressUI>(m, L"installPrg", L"Progress");
}

void CMainWnd::FitTextWidth(CControlUI* control, const std::wstring& text) {
    auto* label = control ? static_cast<CLabelUI*>(control->GetInterface(L"Label")) : nullptr;
    if (!label) return;
    // The label's own padding stays outside the text, or the text is cut.
    const UIRect& pad = label->GetTextPadding();
    label->SetFixedWidth(label->GetTextExtent(text).cx + pad.left + pad.right);
}

void CMainWnd::InitWindow() {
    CSkinFrame::InitWindow();
    SetStyle((GetStyle() & 0xFF3EFFFF) | 0x06000000);
    SetExStyle(GetExStyle() & ~WS_EX_TOPMOST);
    SetIcon(145);
    FindControls();

    if (m_LanguageCombo) {
        Localisation::FillLanguageCombo(*m_LanguageCombo);
        const int index =
            m_LanguageIndex == -1 ? Localisation::GetUILanguageIndex() : m_LanguageIndex;
        // A new selection applies the language through its "itemselect".
        if (!m_LanguageCombo->SelectItem(index, true)) ApplyLanguage(index);
    }
    for (const wchar_t* name : {L"softNameLbl", L"bTitleLbl1", L"bTitleLbl2", L"bTitleLbl3"}) {
        if (CControlUI* label = m_Manager.FindControl(name)) {
            FitTextWidth(label, kProductName);
            label->SetText(kProductName);
        }
    }

    m_Mailbox->Open(GetHWND());
    std::shared_ptr<ReportMailbox> mailbox = m_Mailbox;
    m_Session = std::make_unique<CInstallSession>(
        static_cast<IInstallObserver&>(*this),
        [mailbox](const InstallerMessage& m) { mailbox->Post(m); }, m_Settings.makeDownloader,
        m_Settings.session);
    // The window starts the product itself, after painting its last page.
    m_Session->SetAutoStartAllowed(false);
    m_Session->ReadRecords();
    if (m_InstallDirEdit) m_InstallDirEdit->SetText(GetDefaultInstallDir());
    CenterWindow();
    // The animation plays on the installing page only; left to its
    // "autostart" it would tick unseen on every other page.
    if (CurrentPage() != kPageInstalling && m_ProgressAnLb)
        m_Manager.KillTimer(m_ProgressAnLb, kSequenceTimerId);

    if (!m_Session->PreviousInstallExists()) return;
    ApplyPreviousInstallLanguage();
    const std::wstring prev = m_Session->PrevInstallPath();
    if (m_Session->ProductBlocksInstall()) {
        const std::wstring text = CInstallSession::RunningProductText();
        Prompt(L"MessageBox1Wnd.xml", &text, kCaptionReminder);
        CloseWindow();
        return;
    }
    if (m_Settings.session.pipeline.insNew) {
        StartInstall(prev, true, true);
        return;
    }
    switch (Prompt(L"InstalledPathTipWnd.xml")) {
        case CMessageBoxWnd::kAnswerCancel: {  // "打开软件": open the installed copy
            const std::string exe = Utils::ToAnsi(prev + L"/" + kProductExe);
            std::string why;
            if (!Platform::StartDetached(exe, &why))
                LOG(L"installed product not started: %ls", Utils::FromAnsi(why).c_str());
            CloseWindow();
            break;
        }
        case CMessageBoxWnd::kAnswerOk:  // "安装最新版本"
            StartInstall(prev, true, true);
            break;
        default:
            CloseWindow();
            break;
    }
}

void CMainWnd::ApplyLanguage(int index) {
    bool loaded = false;
    const int used = Localisation::LoadLanguage(index, L"", &loaded);
    // Without language data the layouts keep their own texts.
    if (loaded) m_Manager.ReapplyTexts();
    for (const wchar_t* name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) {
        if (CControlUI* c = m_Manager.FindControl(name)) FitTextWidth(c, c->GetText());
    }
    m_LanguageIndex = used;
}

void CMainWnd::ApplyPreviousInstallLanguage() {
    const std::wstring name = Localisation::PreviousInstallLanguage(m_Session->PrevInstallPath());
    bool loaded = false;
    const int index = Localisation::LoadLanguage(0, name, &loaded);
    if (loaded) m_Manager.ReapplyTexts();
    if (m_LanguageCombo) m_LanguageCombo->SelectItem(index, true);
}

std::wstring CMainWnd::GetLocaleName() const {
    return Localisation::GetLocaleName(m_LanguageCombo);
}

int CMainWnd::CurrentPage() const { return m_MainTab ? m_MainTab->GetCurSel() : -1; }

void CMainWnd::ShowPage(int page) {
    if (m_MainTab) m_MainTab->SelectItem(page, true);
}

void CMainWnd::CloseWindow() { PostMessage(WM_CLOSE, 1, 0); }

int CMainWnd::Prompt(const wchar_t* layout, const std::wstring* text, const wchar_t* caption) {
    return CMessageBoxWnd::Show(GetHWND(), SkinDescription::ForLayout(layout),
                                text ? text->c_str() : nullptr, caption);
}

LResult CMainWnd::HandleMessage(uint32_t msg, WParam wParam, LParam lParam) {
    // No closing while the installation runs.
    if (msg == WM_CLOSE && CurrentPage() == kPageInstalling) return 0;
    if (msg == kDownloaderStartedMessage && m_Session) m_Session->ReportDownloaderStarted();
    return CSkinFrame::HandleMessage(msg, wParam, lParam);
}

LResult CMainWnd::HandleCustomMessage(uint32_t msg, WParam wParam, LParam lParam, bool& handled) {
    if (msg == WM_TIMER) {
        OnTimer(wParam, lParam);
    } else if (msg == kInstallerReportMessage) {
        OnInstallerMessage(lParam);
    }
    handled = false;
    return 0;
}

LResult CMainWnd::OnTimer(WParam, LParam) { return 0; }

void CMainWnd::OnInstallerMessage(LParam lParam) {
    std::unique_ptr<InstallerMessage> report = m_Mailbox->Take(lParam);
    if (report && m_Session) m_Session->OnInstallerMessage(*report);
}

void CMainWnd::Notify(TNotifyUI& msg) {
    CControlUI* root = m_Manager.GetRoot();
    if (msg.sType == L"tabselect") {
        OnPageChanged();
    } else if (msg.sType == L"selectchanged") {
        OnSelectChanged(msg.pSender);
    } else if (msg.sType == L"itemselect" && msg.pSender &&
               msg.pSender == static_cast<CControlUI*>(m_LanguageCombo)) {
        ApplyLanguage(static_cast<int>(msg.wParam));
    } else if (msg.sType == L"timer" && msg.pSender && msg.pSender == root) {
        if (msg.wParam == kBringToFrontTimer) {
            BringToFront();
            m_Manager.KillTimer(root, kBringToFrontTimer);
        } else if (msg.wParam == kSelfCloseTimer) {
            CloseWindow();
            m_Manager.KillTimer(root, kSelfCloseTimer);
        }
    } else if (msg.sType == L"checknet") {
        OnCheckNet(static_cast<uint32_t>(msg.wParam));
    } else if (msg.sType == L"install") {
        DoInstall(msg.wParam != 0);
    }
    CSkinFrame::Notify(msg);
}

void CMainWnd::OnPageChanged() {
    // Selecting the title page below notifies again; one pass is enough.
    if (m_InPageChange) return;
    m_InPageChange = true;
    const int page = CurrentPage();
    const wchar_t* background = L"res\\mainWnd\\bg1.png";
    int titlePage = 0;
    switch (page) {
        case kPageQuick:
            titlePage = 1;
            break;
        case kPageCustom:
            background = L"res\\mainWnd\\bg2.png";
            titlePage = 1;
            break;
        case kPageInstalling:
            background = L"res\\mainWnd\\bg3.png";
            titlePage = -1;
            break;
        case kPageFinished:
            background = L"res\\mainWnd\\bg4.png";
            titlePage = 2;
            break;
        default:
            break;
    }
    if (m_WinCtn) {
        m_WinCtn->SetBkImage(background);
        m_WinCtn->Invalidate();
    }
    if (titlePage >= 0 && m_TitleTab) m_TitleTab->SelectItem(titlePage, true);
    if (page == kPageInstalling) {
        if (CSequenceLabelUI* anim = AsSequenceLabel(m_ProgressAnLb)) anim->Start();
    } else if (page == kPageFinished) {
        if (AsSequenceLabel(m_ProgressAnLb)) m_Manager.KillTimer(m_ProgressAnLb, kSequenceTimerId);
        if (CSequenceLabelUI* done = AsSequenceLabel(m_FinishedLbl)) done->Start();
    }
    if (m_TitleGrpCtn) m_TitleGrpCtn->SetVisible(page != kPageInstalling);
    if (m_InstallLogo) m_InstallLogo->SetVisible(page == kPageInstalling);
    if (m_BackBtn) m_BackBtn->SetVisible(page == kPageCustom);
    m_InPageChange = false;
}

void CMainWnd::OnSelectChanged(CControlUI* sender) {
    if (!sender) return;
    if (sender == static_cast<CControlUI*>(m_TreatyCb)) {
        const bool agreed = m_TreatyCb->IsSelected();
        if (m_TreatyBtn) m_TreatyBtn->Selected(agreed, true);
        if (agreed && (!m_ServiceCb || m_ServiceCb->IsSelected())) {
            if (m_CustomeBtn) m_CustomeBtn->SetEnabled(true);
            if (m_TipLbl) m_TipLbl->SetVisible(false);
        } else if (m_CustomeBtn) {
            m_CustomeBtn->SetEnabled(false);
        }
    } else if (sender == static_cast<CControlUI*>(m_ServiceCb)) {
        if (m_ServiceCb->IsSelected()) {
            if (m_CustomeBtn && IsSelected(m_TreatyCb)) m_CustomeBtn->SetEnabled(true);
            if (m_DefaultInstallBtn) m_DefaultInstallBtn->SetEnabled(true);
        } else {
            if (m_CustomeBtn) m_CustomeBtn->SetEnabled(false);
            if (m_DefaultInstallBtn) m_DefaultInstallBtn->SetEnabled(false);
        }
    } else if (sender == static_cast<CControlUI*>(m_TreatyBtn)) {
        // The link shows the agreement's state; it cannot be toggled on its own.
        if (m_TreatyCb) m_TreatyBtn->Selected(m_TreatyCb->IsSelected(), true);
    }
}

void CMainWnd::OnClick(TNotifyUI& msg) {
    if (!msg.pSender || !m_Session) {
        CSkinFrame::OnClick(msg);
        return;
    }
    const std::wstring& name = msg.pSender->GetName();
    if (name == L"defaultInstallBtn") {
        BeaconTrackClick(L"立即安装", m_Session->Extras());
        // A layout without the agreement box asks for no agreement.
        if (!m_TreatyCb || m_TreatyCb->IsSelected()) {
            StartInstall(GetDefaultInstallDir(), true, true);
        } else if (m_TipLbl) {
            m_TipLbl->SetVisible(true);
        }
    } else if (name == L"customeBtn") {
        BeaconTrackClick(L"自定义安装", m_Session->Extras());
        ShowPage(kPageCustom);
        if (m_CustomeInstallBtn) m_CustomeInstallBtn->SetFocus();
    } else if (name == L"customeInstallBtn") {
        BeaconTrackClick(L"自定义安装_立即安装", m_Session->Extras());
        StartInstall(GetCustomInstallDir(), IsSelected(m_CreateDSCb), IsSelected(m_CreateQSCb));
    } else if (name == L"treatyBtn") {
        std::string why;
        if (!m_Settings.licenceUrl.empty() &&
            !Platform::OpenAddress(Utils::ToUtf8(m_Settings.licenceUrl), &why))
            LOG(L"licence agreement not opened: %ls", Utils::FromUtf8(why).c_str());
    } else if (name == L"backBtn") {
        ShowPage(kPageQuick);
    } else if (name == L"chDirBtn") {
        ChooseInstallDirectory();
    } else if (name == L"openProduceBtn") {
        BeaconTrackClick(L"立即体验", m_Session->Extras());
        if (m_Session->StartupStyle() == 2) RunProduct();
        CloseWindow();
    } else if (name == L"closebtn") {
        if (CurrentPage() == kPageFinished ||
            Prompt(L"ExitTipWnd.xml") == CMessageBoxWnd::kAnswerOk)
            CloseWindow();
    } else {
        CSkinFrame::OnClick(msg);
    }
}

void CMainWnd::ChooseInstallDirectory() {
    // Opens where the edit points; a cancel leaves the text as it was.
    std::wstring folder = m_InstallDirEdit ? m_InstallDirEdit->GetText() : std::wstring();
    if (ChooseFolder(L"选择一个文件夹", &folder) && m_InstallDirEdit)
        m_InstallDirEdit->SetText(folder);
}

std::wstring CMainWnd::GetDefaultInstallDir() {
    return m_Session ? m_Session->GetDefaultInstallDir() : std::wstring();
}

std::wstring CMainWnd::GetCustomInstallDir() {
    if (!m_Session) return {};
    return m_Session->GetCustomInstallDir(m_InstallDirEdit ? m_InstallDirEdit->GetText()
                                                           : std::wstring());
}

bool CMainWnd::StartInstall(const std::wstring& dir, bool desktopShortcut,
                            bool quickLaunchShortcut) {
    if (!m_Session) return false;
    // A network check under way already decides an installation.
    if (m_NetCheckPending) return false;
    m_InstallBtnWasEnabled = m_CustomeInstallBtn && m_CustomeInstallBtn->IsEnabled();
    if (m_CustomeInstallBtn) m_CustomeInstallBtn->SetEnabled(false);
    m_Session->SetLanguage(GetLocaleName());
    if (!m_Session->StartInstall(dir, desktopShortcut, quickLaunchShortcut)) return false;
    if (m_Session->NetworkCheckWanted()) {
        StartNetworkCheck();
    } else {
        SendInstallNotify(true);
    }
    return true;
}

void CMainWnd::StartNetworkCheck() {
    if (m_NetCheckThread) {
        m_NetCheckThread->Join();
        m_NetCheckThread.reset();
    }
    CPaintManagerUI* manager = &m_Manager;
    CControlUI* root = m_Manager.GetRoot();
    m_NetCheckThread = std::make_unique<Utils::Thread>(nullptr, L"ABDEF", [manager, root](void*) {
        const uint32_t verdict = CInstallSession::RunNetworkCheck();
        manager->SendNotify(root, L"checknet", verdict, 0, true);
    });
    m_NetCheckPending = true;
    m_NetCheckThread->Start();
}

void CMainWnd::OnCheckNet(uint32_t verdict) {
    m_NetCheckPending = false;
    if (!m_Session) return;
    SendInstallNotify(m_Session->OnNetworkChecked(verdict));
}

void CMainWnd::SendInstallNotify(bool go) {
    if (CControlUI* root = m_Manager.GetRoot())
        m_Manager.SendNotify(root, L"install", go ? 1 : 0, 0, false);
}

void CMainWnd::DoInstall(bool go) {
    if (go && m_Session) {
        ++m_Attempts;
        const int shown = CurrentPage();
        ShowPage(kPageInstalling);
        m_Session->DoInstall(true, shown);
    }
    if (m_CustomeInstallBtn) m_CustomeInstallBtn->SetEnabled(true);
}

void CMainWnd::RunProduct() {
    if (!m_Session) return;
    // Let the finished page paint before the product's window appears.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    const WindowHandle me = GetHWND();
    CMessageLoop& loop = CMessageLoop::Instance();
    loop.Run([&] { return loop.IsWindow(me) && std::chrono::steady_clock::now() < until; }, 100);
    m_Session->RunProduct();
}

void CMainWnd::ShowProgress(int percent, const std::wstring& label) {
    std::wstring text = label;
    // A layout may give its own template; it is data, so only one integer
    // conversion is accepted and anything else keeps the built-in wording.
    if (m_ProgressLb && !m_ProgressLb->GetUserData().empty()) {
        std::wstring formatted;
        if (CSequenceAnimation::FormatFrame(m_ProgressLb->GetUserData(), percent, &formatted))
            text = formatted.substr(0, 249);
    }
    if (m_ProgressLb) m_ProgressLb->SetText(text);
    if (m_InstallPrg) m_InstallPrg->SetValue(percent);
}

void CMainWnd::OnStage(InstallStage) {}

void CMainWnd::OnProgress(InstallStage, int percent, const std::wstring& label) {
    ShowProgress(percent, label);
}

void CMainWnd::OnBlocked(InstallBlock why, const std::wstring& message) {
    switch (why) {
        case InstallBlock::UninstallerRunning:
        case InstallBlock::ProductRunning:
            // These checks come before the button is touched.
            if (m_CustomeInstallBtn) m_CustomeInstallBtn->SetEnabled(m_InstallBtnWasEnabled);
            Prompt(L"MessageBox1Wnd.xml", &message, kCaptionReminder);
            if (why == InstallBlock::ProductRunning || m_Session->PreviousInstallExists())
                CloseWindow();
            break;
        case InstallBlock::InvalidDirectory:
            Prompt(L"MessageBox2Wnd.xml", &message, kCaptionReminder);
            SendInstallNotify(false);
            break;
        case InstallBlock::NotEnoughSpace: {
            const std::wstring text =
                Localisation::LocalisedText(Localisation::kTextNotEnoughSpace);
            Prompt(L"MessageBox2Wnd.xml", &text, kCaptionReminder);
            SendInstallNotify(false);
            break;
        }
        case InstallBlock::NetworkFailed:
            // The caller sends the no-go.
            Prompt(L"MessageBox2Wnd.xml", &message, kCaptionReminder);
            break;
    }
}

void CMainWnd::OnPackageMessage(const std::wstring& text) {
    Prompt(L"MessageBox1Wnd.xml", &text, kCaptionMessage);
}

void CMainWnd::OnDownloadFailed(double, const std::wstring&, const std::wstring&) {
    const int attempts = m_Attempts;
    const int answer = Prompt(L"NetworkTipWnd.xml");
    const int from = m_Session->InstallFromPage();
    if (answer == CMessageBoxWnd::kAnswerOk) {
        if (from == kPageQuick) {
            StartInstall(GetDefaultInstallDir(), true, true);
        } else if (from == kPageCustom) {
            StartInstall(GetCustomInstallDir(), IsSelected(m_CreateDSCb), IsSelected(m_CreateQSCb));
        }
    } else if (answer == CMessageBoxWnd::kAnswerCancel) {
        if (m_Session->PreviousInstallExists()) CloseWindow();
    }
    // A restart that already went (no network check) stays on the
    // installing page; otherwise back to where the installation began.
    if (m_Attempts == attempts) ShowPage(from);
}

void CMainWnd::OnUninstallFailed(const std::wstring& message) {
    Prompt(L"MessageBox1Wnd.xml", &message, kCaptionReminder);
    ShowPage(m_Session->InstallFromPage());
    if (m_Session->PreviousInstallExists()) CloseWindow();
}

void CMainWnd::OnInstallFailed(const std::wstring& message, bool resetProgress) {
    Prompt(L"MessageBox2Wnd.xml", &message, kCaptionReminder);
    if (resetProgress) {
        if (m_ProgressLb) m_ProgressLb->SetText(CInstallSession::InitialProgressLabel());
        if (m_InstallPrg) m_InstallPrg->SetValue(0);
    }
    ShowPage(kPageQuick);
}

void CMainWnd::OnInstalled() {
    if (m_InstallPrg) {
        m_InstallPrg->SetValue(100);
        if (CResourceManager::Instance().FileExists(kFinishedBarImage)) {
            m_InstallPrg->SetForeImage(kFinishedBarImage);
            m_InstallPrg->Invalidate();
        }
    }
    if (m_SoftNameLbl) {
        m_SoftNameLbl->SetText(kProductName);
        m_SoftNameLbl->SetVisible(true);
    }
    ShowPage(kPageFinished);
    if (m_Session->StartupStyle() == 1) RunProduct();
    CControlUI* root = m_Manager.GetRoot();
    if (!root) return;
    if (m_Session->TopShowDelay() != 0)
        m_Manager.SetTimer(root, kBringToFrontTimer, m_Session->TopShowDelay());
    if (m_Session->FinishCloseDelay() != 0)
        m_Manager.SetTimer(root, kSelfCloseTimer, m_Session->FinishCloseDelay());
}
