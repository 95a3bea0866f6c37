// The analytics calls the install session makes, seen through recording
// stand-ins for the reporting layer (linked instead of the tracker's).
#include <gtest/gtest.h>

#include "ChildScripts.h"
#include "InstallerBeacon.h"
#include "install/InstallSession.h"
#include "utils/Text.h"

namespace {

struct Event {
    std::wstring kind, name, reason;
    float elapsed;
    TrackExtras extras;
};
std::vector<Event> g_Events;

}  // namespace

void BeaconTrackTask(const std::wstring& name, float elapsed, const std::wstring& reason,
                     const TrackExtras& extras) {
    g_Events.push_back({L"task", name, reason, elapsed, extras});
}
void BeaconTrackView(const std::wstring& name, const TrackExtras& extras) {
    g_Events.push_back({L"view", name, L"", 0.0f, extras});
}

namespace {

struct QuietObserver : IInstallObserver {
    void OnStage(InstallStage) override {}
    void OnProgress(InstallStage, int, const std::wstring&) override {}
    void OnBlocked(InstallBlock, const std::wstring&) override {}
    void OnPackageMessage(const std::wstring&) override {}
    void OnDownloadFailed(double, const std::wstring&, const std::wstring&) override {}
    void OnUninstallFailed(const std::wstring&) override {}
    void OnInstallFailed(const std::wstring&, bool) override {}
    void OnInstalled() override {}
};

std::vector<std::wstring> Names() {
    std::vector<std::wstring> n;
    for (const auto& e : g_Events) n.push_back(e.name);
    return n;
}

class SessionBeacon : public testing::Test {
protected:
    SessionBeacon() : session(observer, nullptr, nullptr) { g_Events.clear(); }
    void Send(int code, double value = 0, const std::wstring& text = L"") {
        session.OnInstallerMessage({code, value, text});
    }
    QuietObserver observer;
    CInstallSession session;
};

TEST_F(SessionBeacon, ARunReportsItsStagesOnceEach) {
    const std::string dir = installtest::HomePath("inst");
    ASSERT_TRUE(session.StartInstall(Utils::FromAnsi(dir), true, true));
    session.DoInstall(true, 0);
    Send(DL_CODE_START, 1);
    Send(DL_CODE_PROGRESS, 0.5);
    Send(DL_CODE_SUCCESS, 0, L"LibCurl");
    Send(IST_CODE_START);
    Send(IST_CODE_SUCCESS);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"安装中", L"下载器启动", L"开始下载大包",
                                                  L"大包下载完毕", L"安装成功"}));
    EXPECT_EQ(g_Events[0].kind, L"view");
    for (const auto& e : g_Events) EXPECT_EQ(e.extras, (TrackExtras{{L"AB", L"IN"}}));
    // The two start events carry no time; the finished download carries the
    // stopwatch started at 1001 (here the reports follow at once).
    EXPECT_EQ(g_Events[1].elapsed, 0.0f);
    EXPECT_EQ(g_Events[2].elapsed, 0.0f);
    EXPECT_LT(g_Events[3].elapsed, 5.0f);
}

TEST_F(SessionBeacon, DownloaderStartedIsReportedOnceWhateverComesFirst) {
    session.ReportDownloaderStarted();
    Send(DL_CODE_START, 1);
    Send(DL_CODE_START, 1);
    session.ReportDownloaderStarted();
    EXPECT_EQ(Names(),
              (std::vector<std::wstring>{L"下载器启动", L"开始下载大包", L"开始下载大包"}));
}

TEST_F(SessionBeacon, FailuresCarryTheirReasons) {
    ASSERT_TRUE(session.StartInstall(Utils::FromAnsi(installtest::HomePath("inst")), true, true));
    session.DoInstall(true, 0);  // the pipeline learns its package path
    g_Events.clear();
    Send(DL_CODE_ERROR, 0, L"curl文件md5校验失败");
    Send(DL_CODE_FAIL, 28, L"LibCurl");
    Send(IST_CODE_FAIL, 1000, L"disk full");
    ASSERT_EQ(g_Events.size(), 3u);
    EXPECT_EQ(g_Events[0].name, L"下载失败原因");
    EXPECT_EQ(g_Events[0].reason, L":1.code=0；2.msg=curl文件md5校验失败");
    EXPECT_EQ(g_Events[1].name, L"下载失败原因");
    EXPECT_EQ(g_Events[1].reason.rfind(L"1.code=28；2.msg=LibCurl；3.缓存磁盘容量=", 0), 0u)
        << Utils::ToUtf8(g_Events[1].reason);
    EXPECT_NE(g_Events[1].reason.find(L"；4.缓存读写权限=可读；5.服务器连接状态code="),
              std::wstring::npos);
    EXPECT_EQ(g_Events[2].name, L"安装失败原因");
    EXPECT_EQ(g_Events[2].reason, L":1.code=1000；2.msg=disk full");
    for (const auto& e : g_Events) EXPECT_EQ(e.elapsed, 0.0f);
}

}  // namespace
