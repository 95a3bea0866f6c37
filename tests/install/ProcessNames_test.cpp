// Everything that runs processes under the product's and its uninstaller's
// names. Those names are global on the machine, so these tests (and the
// end-to-end ones) never run beside each other (a CTest resource lock).
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <thread>
#include <tuple>

#include "ChildScripts.h"
#include "FakeDownloader.h"
#include "install/DownloadInstaller.h"
#include "install/InstallSession.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

// A running copy of sleep under the given file name, for `seconds`.
class NamedProcess {
public:
    explicit NamedProcess(const std::string& name, const wchar_t* seconds = L"1000") {
        const std::string exe = HomePath(name);
        std::system(("cp /bin/sleep '" + exe + "'").c_str());
        m_Child.Launch(Utils::FromAnsi(exe), Utils::FromAnsi(name) + L" " + seconds);
    }
    ~NamedProcess() { End(); }
    void End() {
        if (m_Ended) return;
        ::kill(m_Child.ProcessId(), SIGKILL);
        m_Child.WaitForEnd();
        m_Ended = true;
    }
    int Pid() const { return m_Child.ProcessId(); }

private:
    Utils::PipeProcess m_Child;
    bool m_Ended = false;
};

TEST(ProcessFinder, FindsNamesLongerThanTheKernelKeeps) {
    NamedProcess p("lumoratool_un_asa.exe");
    EXPECT_EQ(Utils::FindProcessByName(L"lumoratool_un_asa.exe"), static_cast<uint32_t>(p.Pid()));
    // Same first 15 bytes, different name.
    EXPECT_EQ(Utils::FindProcessByName(L"lumoratool_un_aXX.exe"), 0u);
    EXPECT_EQ(Utils::FindProcessByName(L"lumoratool_un_a"), 0u);
}

TEST(ProcessFinder, ComparesExactlyWithCase) {
    NamedProcess p("lumoraapp.exe");
    EXPECT_EQ(Utils::FindProcessByName(L"lumoraapp.exe"), static_cast<uint32_t>(p.Pid()));
    EXPECT_EQ(Utils::FindProcessByName(L"LumoraApp.exe"), 0u);
    EXPECT_EQ(Utils::FindProcessByName(L""), 0u);
}

TEST(ProcessFinder, EndedButUnreapedProcessDoesNotRun) {
    const std::string exe = HomePath("lumoraapp.exe");
    std::system(("cp /bin/true '" + exe + "'").c_str());
    Utils::PipeProcess child;
    child.Launch(Utils::FromAnsi(exe), L"lumoraapp.exe");
    const std::string stat = "/proc/" + std::to_string(child.ProcessId()) + "/stat";
    // Not reaped by us yet: the kernel keeps it as a zombie.
    while (testsupport::ReadFile(stat).find(") Z") == std::string::npos) std::this_thread::yield();
    EXPECT_EQ(Utils::FindProcessByName(L"lumoraapp.exe"), 0u);
    child.WaitForEnd();
}

struct BlockObserver : IInstallObserver {
    std::vector<std::pair<InstallBlock, std::wstring>> blocks;
    void OnStage(InstallStage) override {}
    void OnProgress(InstallStage, int, const std::wstring&) override {}
    void OnBlocked(InstallBlock w, const std::wstring& m) override { blocks.push_back({w, m}); }
    void OnPackageMessage(const std::wstring&) override {}
    void OnDownloadFailed(double, const std::wstring&, const std::wstring&) override {}
    void OnUninstallFailed(const std::wstring&) override {}
    void OnInstallFailed(const std::wstring&, bool) override {}
    void OnInstalled() override {}
};

TEST(ProductRunning, IsRefusedUnlessInstallingAnew) {
    BlockObserver observer;
    CInstallSession session(observer, nullptr, nullptr);
    SessionSettings anew;
    anew.pipeline.insNew = true;
    BlockObserver anewObserver;
    CInstallSession anewSession(anewObserver, nullptr, nullptr, anew);
    NamedProcess product("lumoraapp.exe");
    EXPECT_TRUE(session.ProductBlocksInstall());
    EXPECT_FALSE(session.StartInstall(Utils::FromAnsi(HomePath("inst")), true, true));
    ASSERT_EQ(observer.blocks.size(), 1u);
    EXPECT_EQ(observer.blocks[0].first, InstallBlock::ProductRunning);
    EXPECT_FALSE(anewSession.ProductBlocksInstall());
    EXPECT_TRUE(anewSession.StartInstall(Utils::FromAnsi(HomePath("inst")), true, true));
    EXPECT_TRUE(anewObserver.blocks.empty());
    product.End();
    EXPECT_FALSE(session.ProductBlocksInstall());
}

TEST(ProductRunning, TheBlockSaysWhichProgramRuns) {
    const std::tuple<const char*, InstallBlock> cases[] = {
        {"lumoratool_un_asa.exe", InstallBlock::UninstallerRunning},
        {"lumoraapp.exe", InstallBlock::ProductRunning},
    };
    for (auto [name, block] : cases) {
        BlockObserver observer;
        CInstallSession session(observer, nullptr, nullptr);
        NamedProcess p(name);
        EXPECT_FALSE(session.StartInstall(Utils::FromAnsi(HomePath("inst")), true, true));
        ASSERT_EQ(observer.blocks.size(), 1u) << name;
        EXPECT_EQ(observer.blocks[0].first, block) << name;
        EXPECT_EQ(observer.blocks[0].second, CInstallSession::RunningProductText());
    }
}

TEST(InstallAnew, StartWaitsForTheRunningProductBeforeRemovingTheOldCopy) {
    // The old uninstaller fails when it finds the product still running (an
    // ended, unreaped one does not count), so a start that does not wait
    // ends in a failed removal. The product ends
    // by itself after two seconds, long after an uninstaller started at once
    // would have looked.
    const std::string old = HomePath("old");
    testsupport::MakeDirs(old);
    testsupport::WriteFile(
        old + "/uninst.ep",
        "#!/bin/sh\n"
        "for p in /proc/[0-9]*; do\n"
        "  [ \"$(cat $p/comm 2>/dev/null)\" = lumoraapp.exe ] &&\n"
        "    ! grep -q '^State:.*zombie' $p/status 2>/dev/null && running=1\n"
        "done\n"
        "if [ -n \"$running\" ]; then echo State=Fail; else echo State=Success; fi\n");
    installtest::Recorder rec;
    installtest::Made made;
    PipelineSettings settings;
    settings.insNew = true;
    CDownloadInstaller pipeline(
        rec.Callback(), L"u", Utils::FromAnsi(old + "/uninst.ep"), Utils::FromAnsi(HomePath("new")),
        true, true, true,
        installtest::FakeMaker(
            made, {{{{DL_CODE_START, 1, L""}, {DL_CODE_FAIL, 7, L"LibCurl"}}, false}}, ""),
        settings);
    NamedProcess product("lumoraapp.exe", L"2");
    pipeline.Start();
    rec.WaitForCode({DL_CODE_FAIL, UNIST_CODE_FAIL, UNIST_CODE_ERROR});
    pipeline.WaitForRunners();
    const std::vector<int> codes = rec.Codes();
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), UNIST_CODE_PROGRESS);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), UNIST_CODE_SUCCESS), 1);
    EXPECT_EQ(codes.back(), DL_CODE_FAIL);
}

}  // namespace
