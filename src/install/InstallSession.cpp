#include "install/InstallSession.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "install/FailureReport.h"
#include "platform/FileOps.h"
#include "platform/Launch.h"
#include "platform/SafeFolder.h"
#include "utils/CheckNetwork.h"
#include "utils/HardDiskManager.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace {

constexpr const wchar_t* kProductExe = L"lumoraapp.exe";
constexpr const wchar_t* kUninstallerExe = L"lumoratool_un_asa.exe";

// A fraction as the packages and downloaders send it; what is not a number
// counts as 0 and the rest is held to 0..1, so the bar never leaves its range.
double Fraction(double v) {
    if (!std::isfinite(v) || v < 0.0) return 0.0;
    return v > 1.0 ? 1.0 : v;
}

// The bar's percent of a figure that the settings can make huge (a download
// scale of 1e300 is a number like any other): held to 0..100 while it is
// still a double, since an int cannot hold it.
int BarPercent(double p) {
    if (!(p > 0.0)) return 0;
    return p >= 100.0 ? 100 : static_cast<int>(p);
}

}  // namespace

const wchar_t* CInstallSession::RunningProductText() {
    return L"安装程序检测到Lumora\r\n正在运行，请退出程序后再安装";
}

CInstallSession::CInstallSession(IInstallObserver& observer, Poster post,
                                 DownloaderMaker makeDownloader, SessionSettings settings)
    : m_Observer(observer), m_Post(std::move(post)), m_Settings(std::move(settings)) {
    m_Pipeline = std::make_unique<CDownloadInstaller>(
        [this](int code, double value, const std::wstring& text) {
            if (m_Post) m_Post(InstallerMessage{code, value, text});
        },
        L"", L"", L"", true, true, true, std::move(makeDownloader), m_Settings.pipeline);
}

CInstallSession::~CInstallSession() { m_Pipeline.reset(); }

void CInstallSession::ReadRecords() {
    const InstallRecords::Previous prev = InstallRecords::ReadPrevious();
    m_PrevInstallPath = prev.installPath;
    m_PrevUninstEp = prev.uninstaller;
    m_PrevInstallExists = InstallRecords::IsInstalled(prev);
}

bool CInstallSession::ProductBlocksInstall() const {
    return !m_Settings.pipeline.insNew && Utils::FindProcessByName(kProductExe) != 0;
}

std::wstring CInstallSession::GetDefaultInstallDir() {
    m_ConsoleUserIsAdmin = Utils::ConsoleUserIsAdmin();
    m_ProcessIsAdmin = Utils::IsRunAsAdmin();
    return InstallRecords::DefaultInstallDir({m_PrevInstallPath, m_PrevUninstEp},
                                             m_ConsoleUserIsAdmin, m_ProcessIsAdmin);
}

std::wstring CInstallSession::GetCustomInstallDir(const std::wstring& text) {
    return InstallRecords::ChosenInstallDir(text, GetDefaultInstallDir());
}

bool CInstallSession::StartInstall(const std::wstring& dir, bool desktopShortcut,
                                   bool quickLaunchShortcut) {
    if (!m_Settings.pipeline.insNew) {
        // The same text for both; the window closes after it in different cases.
        if (Utils::FindProcessByName(kUninstallerExe) != 0) {
            m_Observer.OnBlocked(InstallBlock::UninstallerRunning, RunningProductText());
            return false;
        }
        if (Utils::FindProcessByName(kProductExe) != 0) {
            m_Observer.OnBlocked(InstallBlock::ProductRunning, RunningProductText());
            return false;
        }
    }
    m_BlockDetail.clear();
    if (!Utils::MakeDirectoryTree(dir)) {
        m_BlockDetail = L"cannot be created";
        m_Observer.OnBlocked(InstallBlock::InvalidDirectory, L"无效路径");
        return false;
    }
    // The package is downloaded into the directory and started from there:
    // another user who can write it (or a folder above it) could swap the
    // package between its digest check and its start.
    std::string why;
    if (!Platform::IsPrivateFolderTree(Utils::ToAnsi(dir), &why)) {
        LOG(L"install directory refused: %ls", Utils::FromAnsi(why).c_str());
        m_BlockDetail = L"is not a safe place to run the package: " + Utils::FromAnsi(why);
        m_Observer.OnBlocked(InstallBlock::InvalidDirectory, L"无效路径");
        return false;
    }
    Utils::HardDiskManager disk;
    disk.CheckFreeSpace(dir);  // figures stay 0 when it cannot be asked
    if (Utils::HardDiskManager::ToGigabytes(disk.GetFreeBytesAvailable()) < 1.0) {
        m_Observer.OnBlocked(InstallBlock::NotEnoughSpace, L"");
        return false;
    }
    m_InstallPath = dir;
    const std::wstring uninstaller =
        InstallRecords::KeepExistingCopy(dir, m_PrevInstallPath) ? std::wstring() : m_PrevUninstEp;
    m_Pipeline->SetParams(m_Settings.downloadUrl, uninstaller, dir, desktopShortcut,
                          quickLaunchShortcut, m_ConsoleUserIsAdmin, m_ProcessIsAdmin, m_Language);
    return true;
}

bool CInstallSession::NetworkCheckWanted() const { return m_Settings.checkNetwork; }

uint32_t CInstallSession::RunNetworkCheck() { return Utils::CheckNetwork(); }

bool CInstallSession::OnNetworkChecked(uint32_t verdict) {
    if ((verdict >> 16) == 0) return true;
    m_Observer.OnBlocked(InstallBlock::NetworkFailed, L"当前网络环境较差，请在网络通畅时进行安装");
    return false;
}

void CInstallSession::DoInstall(bool go, int shownPage) {
    if (!go) return;
    if (shownPage == 0 || shownPage == 1) m_InstallFromPage = shownPage;
    m_Outcome = InstallOutcome::None;
    BeaconTrackView(L"安装中", Extras());
    m_Pipeline->Start();
}

void CInstallSession::ReportDownloaderStarted() {
    if (m_StartReported) return;
    m_StartReported = true;
    BeaconTrackTask(L"下载器启动", 0.0f, L"", Extras());
}

void CInstallSession::SetStage(InstallStage stage) {
    if (m_Stage == stage) return;
    m_Stage = stage;
    m_Observer.OnStage(stage);
}

std::wstring CInstallSession::ProgressLabel(int percent) const {
    const wchar_t* templ = m_Stopwatch.GetElapsedSeconds() > 60.0f
                               ? L"正在安装中:%d%%，请耐心等待..."
                               : L"正在安装中:%d%%，请稍候...";
    wchar_t buf[250];
    std::swprintf(buf, 250, templ, percent);
    return buf;
}

std::wstring CInstallSession::InitialProgressLabel() { return L"正在安装中:0%，请稍候..."; }

void CInstallSession::ShowPercent(int percent) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    m_Percent = percent;
    m_Observer.OnProgress(m_Stage, percent, ProgressLabel(percent));
}

InstallStage CInstallSession::Cancel() {
    m_Cancelled = true;
    m_Pipeline->Cancel();
    return m_Stage;
}

void CInstallSession::OnInstallerMessage(const InstallerMessage& m) {
    // After an interruption the children's ends are no outcome.
    if (m_Cancelled) return;
    const double scale = m_Settings.downloadScale;
    switch (m.code) {
        case DL_CODE_START:
            if (!m_StartReported) {
                m_StartReported = true;
                m_AbGroup = m_Settings.abGroup;
                BeaconTrackTask(L"下载器启动", 0.0f, L"", Extras());
            }
            m_Stopwatch.Start();
            BeaconTrackTask(L"开始下载大包", 0.0f, L"", Extras());
            SetStage(InstallStage::Downloading);
            break;
        case DL_CODE_PROGRESS:
            ShowPercent(BarPercent(Fraction(m.value) * scale * 100.0));
            break;
        case DL_CODE_SUCCESS:
            BeaconTrackTask(L"大包下载完毕", m_Stopwatch.GetElapsedSeconds(), L"", Extras());
            break;
        case DL_CODE_FAIL:
            FailureReport::SendDownloadFailure(m.value, m.text, m_Pipeline->PackagePath(),
                                               Extras());
            m_Outcome = InstallOutcome::DownloadFailed;
            m_Observer.OnDownloadFailed(m.value, m.text, m_Pipeline->DownloadFailureReason());
            break;
        case DL_CODE_ERROR:
            FailureReport::SendShort(m.value, m.text, true, Extras());
            break;
        case IST_CODE_START:
            SetStage(InstallStage::Installing);
            InstallRecords::WriteSettingsFile(m_InstallPath, SettingsFileValues());
            break;
        case IST_CODE_PROGRESS: {
            m_InstallCreep += 0.15;
            if (m_InstallCreep > 0.95) m_InstallCreep = 0.95;
            const double shown = std::max(Fraction(m.value), m_InstallCreep);
            m_InstallCreep = shown;
            ShowPercent(BarPercent(((1.0 - scale) * shown + scale) * 100.0));
            break;
        }
        case IST_CODE_SUCCESS:
            BeaconTrackTask(L"安装成功", m_Stopwatch.GetElapsedSeconds(), L"", Extras());
            ShowPercent(100);
            SetStage(InstallStage::Finished);
            Finish();
            m_Outcome = InstallOutcome::Installed;
            m_Observer.OnInstalled();
            break;
        case IST_CODE_FAIL: {
            FailureReport::SendShort(m.value, m.text, false, Extras());
            m_Outcome = InstallOutcome::InstallFailed;
            const bool reset = m_Percent >= 70;
            if (reset) m_Percent = 0;
            m_InstallCreep = 0.0;
            m_Observer.OnInstallFailed(m.text.empty() ? std::wstring(L"安装失败") : m.text, reset);
            break;
        }
        case IST_INFO_INST_PATH:
            m_InstallPath = m.text;
            break;
        case IST_INFO_EXE_PATH:
            m_StartExePath = m.text;
            break;
        case IST_INFO_UNINST_EP:
            m_UninstEp = m.text;
            break;
        case IST_INFO_START_URL:
            m_StartUrl = m.text;
            break;
        case IST_INFO_STARTUP_STYLE:
            m_StartupStyle = static_cast<int>(m.value);
            break;
        case IST_INFO_TOP_SHOW_DETENTION:
            m_TopShowDelay = static_cast<uint32_t>(m.value);
            break;
        case IST_INFO_FINISH_CLOSE_DETENTION:
            m_FinishCloseDelay = static_cast<uint32_t>(m.value);
            break;
        case IST_INFO_MESSAGE:
            m_Observer.OnPackageMessage(m.text);
            break;
        case UNIST_CODE_PROGRESS:
            SetStage(InstallStage::Removing);
            break;
        case UNIST_CODE_FAIL:
        case UNIST_CODE_ERROR:
            m_Outcome = InstallOutcome::UninstallFailed;
            m_Observer.OnUninstallFailed(RunningProductText());
            break;
        default:
            break;
    }
}

InstallRecords::SettingsFileValues CInstallSession::SettingsFileValues() const {
    return {m_Settings.installerFileName, m_Settings.pipeline.appName};
}

void CInstallSession::Finish() {
    m_UninstEp = InstallRecords::RecordInstallation(m_InstallPath, m_UninstEp);
    InstallRecords::WriteSettingsFile(m_InstallPath, SettingsFileValues());
    if (m_StartupStyle == 1 && m_AutoStartAllowed) RunProduct();
}

void CInstallSession::RunProduct() {
    std::string why;
    if (m_StartUrl.size() > 5 && !Platform::OpenAddress(Utils::ToUtf8(m_StartUrl), &why))
        LOG(L"start address not opened: %ls", Utils::FromUtf8(why).c_str());
    const std::string exe = Utils::ToAnsi(m_StartExePath);
    if (Platform::IsRegularFile(exe) && !Platform::StartDetached(exe, &why))
        LOG(L"product not started: %ls", Utils::FromAnsi(why).c_str());
}

void CInstallSession::WaitForRunners() { m_Pipeline->WaitForRunners(); }
