// The install session's rules: progress figure, records at 2001 and after
// 2003, starting the product, outcomes, preconditions.
#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

#include "ChildScripts.h"
#include "FakeDownloader.h"
#include "install/InstallSession.h"
#include "platform/ProfileIni.h"
#include "platform/RegistryStore.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

std::wstring W(const std::string& s) { return Utils::FromAnsi(s); }

struct Observer : IInstallObserver {
    std::vector<int> percents;
    std::vector<std::wstring> labels;
    std::vector<InstallStage> stages;
    std::vector<std::pair<InstallBlock, std::wstring>> blocks;
    std::vector<std::wstring> messages;
    std::wstring failMessage;
    bool reset = false;
    int installed = 0, downloadFailed = 0, uninstallFailed = 0, installFailed = 0;
    std::wstring downloadFailureReason;

    void OnStage(InstallStage s) override { stages.push_back(s); }
    void OnProgress(InstallStage, int p, const std::wstring& l) override {
        percents.push_back(p);
        labels.push_back(l);
    }
    void OnBlocked(InstallBlock w, const std::wstring& m) override { blocks.push_back({w, m}); }
    void OnPackageMessage(const std::wstring& t) override { messages.push_back(t); }
    void OnDownloadFailed(double, const std::wstring&, const std::wstring& reason) override {
        ++downloadFailed;
        downloadFailureReason = reason;
    }
    void OnUninstallFailed(const std::wstring&) override { ++uninstallFailed; }
    void OnInstallFailed(const std::wstring& m, bool r) override {
        failMessage = m;
        reset = r;
        ++installFailed;
    }
    void OnInstalled() override { ++installed; }
};

class Session : public testing::Test {
protected:
    Session() : session(observer, nullptr, nullptr, Settings()) {}
    static SessionSettings Settings() {
        SessionSettings s;
        s.downloadScale = 0.7;
        return s;
    }
    void Send(int code, double value = 0, const std::wstring& text = L"") {
        session.OnInstallerMessage({code, value, text});
    }
    Observer observer;
    CInstallSession session;
};

TEST_F(Session, ProgressSplitsDownloadAndInstallAndCreeps) {
    Send(DL_CODE_START, 1);
    Send(DL_CODE_PROGRESS, 0.5);
    Send(IST_CODE_START);
    for (int i = 0; i < 8; ++i) Send(IST_CODE_PROGRESS, 0);
    Send(IST_CODE_PROGRESS, 0.2);   // below the creep: the bar never goes back
    Send(IST_CODE_PROGRESS, 0.99);  // above it: the package's own figure
    EXPECT_EQ(observer.percents, (std::vector<int>{35, 74, 78, 83, 88, 92, 97, 98, 98, 98, 99}));
    EXPECT_EQ(observer.labels[0], L"正在安装中:35%，请稍候...");
    EXPECT_EQ(observer.stages,
              (std::vector<InstallStage>{InstallStage::Downloading, InstallStage::Installing}));
}

TEST_F(Session, FiguresThatAreNoFractionStayInRange) {
    Send(DL_CODE_PROGRESS, NAN);
    Send(DL_CODE_PROGRESS, 7.0);
    Send(DL_CODE_PROGRESS, -3.0);
    EXPECT_EQ(observer.percents, (std::vector<int>{0, 70, 0}));
}

// The scale comes from the configuration file or the command line, where
// 1e300 reads as a number like any other: the figure it gives does not fit
// an int, and the bar must still end at its edge.
TEST(SessionScale, HugeScalesKeepTheBarAtItsEdges) {
    struct Case {
        double scale;
        std::vector<int> percents;
    } cases[] = {
        {1e300, {100, 100}},
        {-1e300, {0, 0}},
        {5e7, {100, 100}},
    };
    for (const Case& c : cases) {
        Observer observer;
        SessionSettings s;
        s.downloadScale = c.scale;
        CInstallSession session(observer, nullptr, nullptr, s);
        session.OnInstallerMessage({DL_CODE_PROGRESS, 0.5, L""});
        session.OnInstallerMessage({IST_CODE_PROGRESS, 0.5, L""});
        EXPECT_EQ(observer.percents, c.percents) << c.scale;
    }
}

TEST_F(Session, RecordsAtStartAndAfterSuccessFollowTheReportedFolder) {
    const std::string chosen = HomePath("chosen/lumoratool");
    const std::string reported = HomePath("reported");
    testsupport::MakeDirs(chosen);
    testsupport::MakeDirs(reported);
    testsupport::WriteFile(reported + "/uninst.ep", "u");
    ASSERT_TRUE(session.StartInstall(W(chosen), true, true));

    Send(IST_CODE_START);
    const std::string firstIni = chosen + "/set.ini";
    EXPECT_EQ(Platform::ReadProfileString(firstIni, "Install", "AppName", ""), "lumoraapp");
    Send(IST_INFO_INST_PATH, 0, W(reported));
    Send(IST_INFO_EXE_PATH, 0, W(reported + "/lumoraapp.exe"));
    Send(IST_CODE_SUCCESS);
    EXPECT_EQ(observer.installed, 1);
    EXPECT_EQ(session.Outcome(), InstallOutcome::Installed);
    EXPECT_EQ(observer.percents.back(), 100);
    EXPECT_EQ(Platform::ReadProfileString(reported + "/set.ini", "Install", "AppName", ""),
              "lumoraapp");
    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"),
              reported);
    EXPECT_EQ(*Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "UnInstallEp"),
              reported + "/uninst.ep");
    EXPECT_EQ(session.UninstEp(), W(reported + "/uninst.ep"));
}

TEST_F(Session, FailedInstallationKeepsTheFirstSettingsFile) {
    const std::string dir = HomePath("inst");
    ASSERT_TRUE(session.StartInstall(W(dir), true, true));
    Send(IST_CODE_START);
    Send(IST_CODE_PROGRESS, 0);
    Send(IST_CODE_FAIL, 0, L"");
    EXPECT_EQ(observer.failMessage, L"安装失败");
    EXPECT_TRUE(observer.reset);  // the bar was at 74
    EXPECT_EQ(session.Outcome(), InstallOutcome::InstallFailed);
    EXPECT_TRUE(testsupport::FileExists(dir + "/set.ini"));
    EXPECT_FALSE(Platform::ReadRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath"));
    Send(IST_CODE_FAIL, 1000, L"disk full");
    EXPECT_EQ(observer.failMessage, L"disk full");
    EXPECT_FALSE(observer.reset);
}

TEST_F(Session, StartupStyleOneStartsTheProductUnlessHeldBack) {
    const std::string marker = HomePath("started");
    const std::string exe =
        installtest::WriteScript("lumoraapp-test.exe", "pwd > '" + marker + "'\n");
    const std::string dir = HomePath("inst");
    for (bool allowed : {false, true}) {
        session.SetAutoStartAllowed(allowed);
        ASSERT_TRUE(session.StartInstall(W(dir), true, true));
        Send(IST_INFO_EXE_PATH, 0, W(exe));
        Send(IST_INFO_STARTUP_STYLE, 1);
        Send(IST_CODE_SUCCESS);
    }
    // Started once (the second run), detached, in its own folder.
    EXPECT_EQ(installtest::WaitForLine(marker), testsupport::CurrentTestHome() + "\n");
}

TEST_F(Session, InformationReportsFillTheFields) {
    Send(IST_INFO_START_URL, 0, L"http://example.invalid/start");
    Send(IST_INFO_STARTUP_STYLE, 2);
    Send(IST_INFO_TOP_SHOW_DETENTION, 4294967295.0);
    Send(IST_INFO_FINISH_CLOSE_DETENTION, 10);
    Send(IST_INFO_MESSAGE, 0, L"hello");
    EXPECT_EQ(session.StartUrl(), L"http://example.invalid/start");
    EXPECT_EQ(session.StartupStyle(), 2);
    EXPECT_EQ(session.TopShowDelay(), 4294967295u);
    EXPECT_EQ(session.FinishCloseDelay(), 10u);
    EXPECT_EQ(observer.messages, (std::vector<std::wstring>{L"hello"}));
}

TEST_F(Session, OutcomesOfTheOtherStages) {
    Send(UNIST_CODE_PROGRESS, 0);
    Send(UNIST_CODE_ERROR, 0, L"x");
    EXPECT_EQ(session.Outcome(), InstallOutcome::UninstallFailed);
    EXPECT_EQ(observer.uninstallFailed, 1);
    Send(DL_CODE_FAIL, 7, L"LibCurl");
    EXPECT_EQ(session.Outcome(), InstallOutcome::DownloadFailed);
    EXPECT_EQ(observer.downloadFailed, 1);
}

TEST_F(Session, DirectoryThatCannotBeMadeIsRefused) {
    testsupport::WriteFile(HomePath("file"), "x");
    EXPECT_FALSE(session.StartInstall(W(HomePath("file/sub")), true, true));
    EXPECT_FALSE(session.StartInstall(L"/" + std::wstring(261, L'a'), true, true));
    ASSERT_EQ(observer.blocks.size(), 2u);
    EXPECT_EQ(observer.blocks[0],
              std::make_pair(InstallBlock::InvalidDirectory, std::wstring(L"无效路径")));
}

TEST_F(Session, NetworkVerdict) {
    EXPECT_TRUE(session.OnNetworkChecked(64));
    EXPECT_TRUE(session.OnNetworkChecked(0));
    EXPECT_FALSE(session.OnNetworkChecked(65536));
    EXPECT_FALSE(session.OnNetworkChecked(131104));
    ASSERT_EQ(observer.blocks.size(), 2u);
    EXPECT_EQ(observer.blocks[0].second, L"当前网络环境较差，请在网络通畅时进行安装");
}

TEST_F(Session, RetryFromTheInstallingPageKeepsTheFirstPage) {
    session.DoInstall(true, 1);
    session.DoInstall(true, 2);
    EXPECT_EQ(session.InstallFromPage(), 1);
}

// With the real pipeline: whether the old copy is removed first.
class SessionWithPipeline : public testing::TestWithParam<const char*> {};

TEST_P(SessionWithPipeline, IsOverrideDecidesTheRemoval) {
    const std::string dir = HomePath("Apps/lumoratool");
    testsupport::MakeDirs(dir);
    testsupport::WriteFile(dir + "/uninst.ep", "#!/bin/sh\necho State=Success\n");
    if (*GetParam())
        Platform::WriteProfileString(dir + "/set.ini", "Uninstall", "IsOverride", GetParam(),
                                     nullptr);
    Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", dir, nullptr);

    installtest::Recorder rec;
    installtest::Made made;
    Observer observer;
    auto post = rec.Callback();
    CInstallSession session(
        observer, [post](const InstallerMessage& m) { post(m.code, m.value, m.text); },
        installtest::FakeMaker(
            made, {{{{DL_CODE_START, 1, L""}, {DL_CODE_SUCCESS, 0, L"LibCurl"}}, true}},
            "#!/bin/sh\necho State=Success\n"));
    session.ReadRecords();
    ASSERT_TRUE(session.PreviousInstallExists());
    ASSERT_TRUE(session.StartInstall(W(dir), true, true));
    session.DoInstall(true, 0);
    rec.WaitForCode({IST_CODE_SUCCESS, IST_CODE_FAIL, UNIST_CODE_FAIL, UNIST_CODE_ERROR});
    session.WaitForRunners();
    const bool removed = rec.Codes().front() == UNIST_CODE_PROGRESS;
    EXPECT_EQ(removed, std::string(GetParam()) != "false");
    EXPECT_EQ(rec.Codes().back(), IST_CODE_SUCCESS);
}

INSTANTIATE_TEST_SUITE_P(Values, SessionWithPipeline, testing::Values("false", "False", ""));

TEST(SessionDownloadFailure, TheObserverHearsTheDownloadersWords) {
    installtest::Recorder rec;
    installtest::Made made;
    Observer observer;
    auto post = rec.Callback();
    std::vector<InstallerMessage> posted;
    std::mutex postedLock;
    CInstallSession session(
        observer,
        [&, post](const InstallerMessage& m) {
            {
                std::lock_guard<std::mutex> guard(postedLock);
                posted.push_back(m);
            }
            post(m.code, m.value, m.text);
        },
        installtest::FakeMaker(made, {{{{DL_CODE_START, 1, L""}, {DL_CODE_FAIL, 7, L"LibCurl"}}}},
                               ""));
    session.ReadRecords();
    ASSERT_TRUE(session.StartInstall(W(HomePath("apps")), true, true));
    session.DoInstall(true, 0);
    rec.WaitForCode({DL_CODE_FAIL});
    // The reports reach the session on the owner's thread, as a front-end
    // hands them over.
    std::vector<InstallerMessage> copy;
    {
        std::lock_guard<std::mutex> guard(postedLock);
        copy = posted;
    }
    for (const InstallerMessage& m : copy) session.OnInstallerMessage(m);
    EXPECT_EQ(observer.downloadFailed, 1);
    EXPECT_EQ(observer.downloadFailureReason, L"the fake's scripted failure");
}

}  // namespace
