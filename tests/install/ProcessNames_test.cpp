// Everything that runs processes under the product's and its uninstaller's
// names. Those names are global on the machine, so these tests (and the
// end-to-end ones) never run beside each other (a CTest resource lock).
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <thread>
#include <tuple>

#include "ChildScripts.h"
#include "FakeDownloader.h"
#include "app/InstallerConfig.h"
#include "install/DownloadInstaller.h"
#include "install/InstallSession.h"
#include "utils/PipeProcess.h"
#include "utils/SystemInfo.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

// A running copy of sleep under the given file name.
class NamedProcess {
public:
    explicit NamedProcess(const std::string& name) {
        const std::string exe = HomePath(name);
        std::system(("cp /bin/sleep '" + exe + "'").c_str());
        m_Child.Launch(Utils::FromAnsi(exe), Utils::FromAnsi(name) + L" 1000");
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
    void OnDownloadFailed(double, const std::wstring&) override {}
    void OnUninstallFailed(const std::wstring&) override {}
    void OnInstallFailed(const std::wstring&, bool) override {}
    void OnInstalled() override {}
};

TEST(ProductRunning, IsRefusedUnlessInstallingAnew) {
    BlockObserver observer;
    CInstallSession session(observer, nullptr, nullptr);
    // A copy of a program that just waits, named like the product.
    const std::string exe = HomePath("lumoraapp.exe");
    std::system(("cp /bin/sleep '" + exe + "'").c_str());
    Utils::PipeProcess product;
    product.Launch(Utils::FromAnsi(exe), L"lumoraapp.exe 1000");
    EXPECT_TRUE(session.ProductBlocksInstall());
    EXPECT_FALSE(session.StartInstall(Utils::FromAnsi(HomePath("inst")), true, true));
    ASSERT_EQ(observer.blocks.size(), 1u);
    EXPECT_EQ(observer.blocks[0].first, InstallBlock::ProductRunning);
    g_InstallerConfig.m_InsNew = true;
    EXPECT_TRUE(session.StartInstall(Utils::FromAnsi(HomePath("inst")), true, true));
    g_InstallerConfig.m_InsNew = false;
    ::kill(product.ProcessId(), SIGKILL);
    product.WaitForEnd();
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
    const std::string old = HomePath("old");
    testsupport::MakeDirs(old);
    testsupport::WriteFile(old + "/uninst.ep", "#!/bin/sh\necho State=Success\n");
    installtest::Recorder rec;
    installtest::Made made;
    std::atomic<bool> ended{false};
    std::atomic<bool> reportBeforeEnd{false};
    auto record = rec.Callback();
    CDownloadInstaller pipeline(
        [&](int c, double v, const std::wstring& t) {
            if (!ended) reportBeforeEnd = true;
            record(c, v, t);
        },
        L"u", Utils::FromAnsi(old + "/uninst.ep"), Utils::FromAnsi(HomePath("new")), true, true,
        true, installtest::FakeMaker(made, {{{{1001, 1, L""}, {1004, 7, L"LibCurl"}}, false}}, ""));
    NamedProcess product("lumoraapp.exe");
    g_InstallerConfig.m_InsNew = true;
    std::thread starter([&] { pipeline.Start(); });
    // Give a start that does not wait the chance to run ahead.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ended = true;
    product.End();
    starter.join();
    g_InstallerConfig.m_InsNew = false;
    rec.WaitForCode({1004, 5004, 5005});
    pipeline.WaitForRunners();
    EXPECT_FALSE(reportBeforeEnd);
    EXPECT_EQ(rec.Codes().front(), 5002);
}

}  // namespace
