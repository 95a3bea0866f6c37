#include "install/DownloadInstaller.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "platform/FileOps.h"
#include "utils/Log.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {

// The package path of the last attempt that ended, for the whole process.
std::mutex g_RememberedLock;
std::wstring g_RememberedPackage;

void DeleteQuietly(const std::wstring& path) {
    std::string why;
    if (!path.empty() && Platform::PathExistsAny(Utils::ToAnsi(path)) &&
        !Platform::DeleteFileAt(Utils::ToAnsi(path), &why))
        LOG(L"%ls", Utils::FromAnsi(why).c_str());
}

std::wstring ParentFolder(const std::wstring& path) {
    size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos) return std::wstring();
    return slash == 0 ? std::wstring(L"/") : path.substr(0, slash);
}

}  // namespace

CDownloadInstaller::CDownloadInstaller(const StatusCallback& callback,
                                       const std::wstring& downloadUrl,
                                       const std::wstring& prevUninstaller,
                                       const std::wstring& installDir, bool desktopShortcut,
                                       bool quickLaunchShortcut, bool adminAccount,
                                       DownloaderMaker makeDownloader, PipelineSettings settings)
    : m_DownloadUrl(downloadUrl),
      m_PrevUninstaller(prevUninstaller),
      m_InstallDir(installDir),
      m_DesktopShortcut(desktopShortcut),
      m_QuickLaunchShortcut(quickLaunchShortcut),
      m_AdminAccount(adminAccount),
      m_Callback(callback),
      m_MakeDownloader(std::move(makeDownloader)),
      m_Settings(std::move(settings)) {}

class CDownloadInstaller::InFlight {
public:
    explicit InFlight(CDownloadInstaller& p) : m_P(p) {
        std::lock_guard<std::mutex> lock(m_P.m_InFlightLock);
        ++m_P.m_InFlight;
    }
    ~InFlight() {
        std::lock_guard<std::mutex> lock(m_P.m_InFlightLock);
        if (--m_P.m_InFlight == 0) m_P.m_InFlightDone.notify_all();
    }

private:
    CDownloadInstaller& m_P;
};

CDownloadInstaller::~CDownloadInstaller() {
    m_Downloader.reset();
    // A downloader that does not wait for its threads may still be inside
    // its last report here.
    {
        std::unique_lock<std::mutex> lock(m_InFlightLock);
        m_InFlightDone.wait(lock, [this] { return m_InFlight == 0; });
    }
    m_Installer.reset();
    m_UnInstaller.reset();
}

void CDownloadInstaller::SetParams(const std::wstring& downloadUrl,
                                   const std::wstring& prevUninstaller,
                                   const std::wstring& installDir, bool desktopShortcut,
                                   bool quickLaunchShortcut, bool adminAccount, bool elevated,
                                   const std::wstring& language) {
    std::lock_guard<std::mutex> lock(m_FieldsLock);
    m_DownloadUrl = downloadUrl;
    m_PrevUninstaller = prevUninstaller;
    m_InstallDir = installDir;
    m_DesktopShortcut = desktopShortcut;
    m_QuickLaunchShortcut = quickLaunchShortcut;
    m_AdminAccount = adminAccount;
    m_Elevated = elevated;
    m_Language = language;
}

std::wstring CDownloadInstaller::DownloadFailureReason() const {
    // The downloader is made and let go on the owner's thread, like this call.
    return m_Downloader ? m_Downloader->FailureReason() : std::wstring();
}

std::wstring CDownloadInstaller::PackagePathFor(const std::wstring& installDir,
                                                const std::wstring& appName) {
    return installDir + L"/__Package_" + appName + L".exe";
}

std::wstring CDownloadInstaller::UninstallerCopyPath() {
    const std::wstring temp = Utils::GetTempFolder();  // ends with "/"
    // Without a private folder there is no safe place: joining an empty
    // folder would put the copy at the root of the file system.
    if (temp.empty()) return std::wstring();
    // The folder and the name are joined as they stand, so the uninstaller's
    // own path on its command line carries a doubled separator.
    return temp + L"/lumoratool_un_asa.exe";
}

void CDownloadInstaller::Forward(int code, double value, const std::wstring& text) {
    if (m_Callback) m_Callback(code, value, text);
}

void CDownloadInstaller::Start() {
    if (m_Cancelled) return;
    std::unique_lock<std::mutex> fields(m_FieldsLock);
    m_PackagePath = PackagePathFor(m_InstallDir, m_Settings.appName);
    const int type = m_Settings.downloadType;
    LOG_RAW(L"DL_TYPE=%d\r\n", type);

    if (!m_Downloader && m_MakeDownloader) {
        m_Downloader = m_MakeDownloader(
            type, [this](int c, double v, const std::wstring& t) { OnDownload(c, v, t); },
            m_DownloadUrl, m_PackagePath);
    }
    if (!m_Installer) {
        m_Installer = std::make_unique<CInstaller>(
            [this](int c, double v, const std::wstring& t) { OnInstall(c, v, t); },
            L"\"" + m_PackagePath + L"\"", m_InstallDir);
        m_Installer->SetExtraOptions(m_Settings.extraPackageOptions);
    }
    m_Installer->SetInstallDir(m_InstallDir);
    m_Installer->SetDesktopShortcut(m_DesktopShortcut);
    m_Installer->SetQuickLaunchShortcut(m_QuickLaunchShortcut);
    m_Installer->SetAdminAccount(m_AdminAccount);
    m_Installer->SetElevated(m_Elevated);
    m_Installer->SetLanguage(m_Language);

    const std::wstring prevUninstaller = m_PrevUninstaller;
    fields.unlock();

    if (!prevUninstaller.empty() && Platform::IsRegularFile(Utils::ToAnsi(prevUninstaller))) {
        const std::wstring copy = UninstallerCopyPath();
        const std::wstring home = ParentFolder(prevUninstaller);
        std::string why;
        if (!copy.empty() &&
            !Platform::CopyFileReplacing(Utils::ToAnsi(prevUninstaller), Utils::ToAnsi(copy), &why))
            LOG(L"uninstaller not copied: %ls", Utils::FromAnsi(why).c_str());
        // A copy that failed is reported by the runner as a missing file.
        m_UnInstaller = std::make_unique<CUnInstaller>(
            [this](int c, double v, const std::wstring& t) { OnUninstall(c, v, t); }, copy, home);
        if (m_Settings.insNew) {
            while (!m_Cancelled && Utils::FindProcessByName(m_Settings.appName + L".exe") != 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::lock_guard<std::mutex> stage(m_StageLock);
        if (!m_Cancelled) m_UnInstaller->Start();
    } else {
        std::lock_guard<std::mutex> stage(m_StageLock);
        if (!m_Cancelled && m_Downloader) m_Downloader->Start();
    }
}

void CDownloadInstaller::WaitForRunners() {
    if (m_UnInstaller) m_UnInstaller->Wait();
    if (m_Installer) m_Installer->Wait();
}

bool CDownloadInstaller::RunnersRunning() {
    return (m_UnInstaller && m_UnInstaller->Running()) || (m_Installer && m_Installer->Running());
}

void CDownloadInstaller::Cancel(std::chrono::milliseconds grace) {
    std::unique_ptr<CDownloader> downloader;
    {
        std::lock_guard<std::mutex> stage(m_StageLock);
        m_Cancelled = true;
        downloader = std::move(m_Downloader);
    }
    // Outside the stage lock: the downloader waits for a report in progress,
    // which may be waiting for that lock.
    downloader.reset();
    if (m_UnInstaller) m_UnInstaller->Stop(grace);
    if (m_Installer) m_Installer->Stop(grace);
    {
        std::unique_lock<std::mutex> lock(m_InFlightLock);
        m_InFlightDone.wait(lock, [this] { return m_InFlight == 0; });
    }
    // What the download left: the package and the part files named after it.
    const std::string package = Utils::ToAnsi(PackagePath());
    const size_t slash = package.rfind('/');
    if (slash != std::string::npos) {
        const std::string dir = package.substr(0, slash);
        const std::string name = package.substr(slash + 1);
        for (const std::string& file : Platform::FilesStartingWith(dir, name))
            DeleteQuietly(Utils::FromAnsi(dir + "/" + file));
    }
}

void CDownloadInstaller::DeletePackages(const std::wstring& current) {
    DeleteQuietly(current);
    std::lock_guard<std::mutex> lock(g_RememberedLock);
    if (!g_RememberedPackage.empty() && g_RememberedPackage != current)
        DeleteQuietly(g_RememberedPackage);
    g_RememberedPackage = current;
}

void CDownloadInstaller::OnDownload(int code, double value, const std::wstring& text) {
    InFlight inFlight(*this);
    const std::wstring package = PackagePath();
    Forward(code, value, text);
    switch (code) {
        case DL_CODE_START: {
            std::unique_lock<std::mutex> fields(m_FieldsLock);
            const std::wstring dir = m_InstallDir;
            fields.unlock();
            Utils::MakeDirectoryTree(dir);
            LOG_RAW(L"DL_CODE_START\r\n");
            break;
        }
        case DL_CODE_PROGRESS:
            LOG_RAW(L"DL_CODE_PROGRESS\r\n");
            break;
        case DL_CODE_SUCCESS:
            LOG_RAW(L"DOWNLOAD_SUCCESS\r\n");
            {
                std::lock_guard<std::mutex> stage(m_StageLock);
                if (!m_Cancelled && m_Installer) m_Installer->Start();
            }
            LOG_RAW(L"DL_CODE_SUCCESS\r\n");
            break;
        case DL_CODE_FAIL:
            DeletePackages(package);
            LOG_RAW(L"DL_CODE_FAIL\r\n");
            break;
        case DL_CODE_RETRY: {
            LOG_RAW(L"DL_CODE_RETRY\r\n");
            std::lock_guard<std::mutex> stage(m_StageLock);
            if (!m_Cancelled && m_Downloader) m_Downloader->Start();
            break;
        }
        default:
            break;
    }
}

void CDownloadInstaller::OnUninstall(int code, double value, const std::wstring& text) {
    InFlight inFlight(*this);
    Forward(code, value, text);
    switch (code) {
        case UNIST_CODE_START:
            LOG_RAW(L"UNIST_CODE_START\r\n");
            break;
        case UNIST_CODE_PROGRESS:
            LOG_RAW(L"UNIST_CODE_PROGRESS\r\n");
            break;
        case UNIST_CODE_SUCCESS: {
            LOG_RAW(L"UNIST_CODE_SUCCESS\r\n");
            std::lock_guard<std::mutex> stage(m_StageLock);
            if (!m_Cancelled && m_Installer && m_Downloader) m_Downloader->Start();
            break;
        }
        case UNIST_CODE_FAIL:
            LOG_RAW(L"UNIST_CODE_FAIL\r\n");
            break;
        case UNIST_CODE_ERROR:
            LOG_RAW(L"UNIST_CODE_ERROR\r\n");
            break;
        default:
            break;
    }
}

void CDownloadInstaller::OnInstall(int code, double value, const std::wstring& text) {
    InFlight inFlight(*this);
    const std::wstring package = PackagePath();
    Forward(code, value, text);
    switch (code) {
        case IST_CODE_START:
            LOG_RAW(L"IST_CODE_START\r\n");
            break;
        case IST_CODE_SUCCESS:
            DeletePackages(package);
            LOG_RAW(L"INSTALL_SUCCESS\r\n");
            break;
        case IST_CODE_FAIL:
            DeletePackages(package);
            LOG_RAW(L"IST_CODE_FAIL\r\n");
            break;
        default:
            break;
    }
}
