#include "SettingsUse.h"

#include "FuzzSupport.h"
#include "install/InstallSession.h"
#include "utils/StatusCallback.h"

namespace fuzzsupport {
namespace {

class NullObserver : public IInstallObserver {
public:
    void OnStage(InstallStage) override {}
    void OnProgress(InstallStage, int percent, const std::wstring&) override {
        lastPercent = percent;
    }
    void OnBlocked(InstallBlock, const std::wstring&) override {}
    void OnPackageMessage(const std::wstring&) override {}
    void OnDownloadFailed(double, const std::wstring&, const std::wstring&) override {}
    void OnUninstallFailed(const std::wstring&) override {}
    void OnInstallFailed(const std::wstring&, bool) override {}
    void OnInstalled() override {}
    int lastPercent = -1;
};

}  // namespace

void UseSettings(const InstallerConfig& config) {
    // As the front-ends hand them over (SessionSettingsFrom).
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

    NullObserver observer;
    CInstallSession session(observer, nullptr, nullptr, s);
    for (double fraction : {0.0, 0.5, 1.0})
        session.OnInstallerMessage({DL_CODE_PROGRESS, fraction, L""});
    // The end of the download shows its share of the bar, held to the bar.
    const double share = s.downloadScale * 100.0;
    const int want = !(share > 0.0) ? 0 : share >= 100.0 ? 100 : static_cast<int>(share);
    FUZZ_CHECK(observer.lastPercent == want, "the download's end shows " +
                                                 std::to_string(observer.lastPercent) + "%, not " +
                                                 std::to_string(want) + "%");
    for (double fraction : {0.0, 0.5, 1.0})
        session.OnInstallerMessage({IST_CODE_PROGRESS, fraction, L""});
    FUZZ_CHECK(observer.lastPercent >= 0 && observer.lastPercent <= 100, "progress outside 0..100");
}

}  // namespace fuzzsupport
