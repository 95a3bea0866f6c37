// Stopping a runner's child: an interrupted run ends the package's or the
// uninstaller's whole process group, TERM first and KILL after the grace.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>

#include "ChildScripts.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "support/LogCapture.h"
#include "utils/Text.h"

using installtest::Recorder;
using installtest::Report;
using installtest::WriteScript;

namespace {

// The process has ended (gone, or a zombie nobody reaps yet).
bool Gone(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const size_t paren = line.rfind(')');
    return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] == 'Z';
}

std::wstring Quoted(const std::string& path) { return L"\"" + Utils::FromAnsi(path) + L"\""; }

}  // namespace

TEST(RunnerStop, EndsTheChildAndWhatItStartedInItsGroup) {
    const std::string pids = installtest::HomePath("pids");
    const std::string script = "sleep 1000 &\necho $! > '" + pids + ".bg'\necho Progress=0.3\n" +
                               "echo $$ > '" + pids + "'\nexec sleep 1000\n";
    for (bool package : {true, false}) {
        std::remove(pids.c_str());
        Recorder rec;
        const std::string path =
            WriteScript(package ? "package.exe" : "lumoratool_un_asa.exe", script);
        std::unique_ptr<CChildRunner> runner;
        if (package)
            runner = std::make_unique<CInstaller>(rec.Callback(), Quoted(path), L"");
        else
            runner = std::make_unique<CUnInstaller>(rec.Callback(), Utils::FromAnsi(path),
                                                    Utils::FromAnsi(installtest::HomePath("old")));
        runner->Start();
        const int pid = installtest::WaitForPidFile(pids);
        const int background = installtest::WaitForPidFile(pids + ".bg");
        runner->Stop(std::chrono::seconds(5));
        EXPECT_FALSE(runner->Running());
        EXPECT_TRUE(Gone(pid)) << package;
        EXPECT_TRUE(Gone(background)) << package;
        // The child's end is reported as usual: ended by a signal, a failure.
        const Report last = rec.Reports().back();
        EXPECT_EQ(last.code, package ? IST_CODE_FAIL : UNIST_CODE_ERROR) << package;
    }
}

TEST(RunnerStop, AChildThatIgnoresTermIsKilledAfterTheGrace) {
    const std::string pidFile = installtest::HomePath("pid");
    const std::string path = WriteScript(
        "package.exe", "trap '' TERM\necho $$ > '" + pidFile + "'\nwhile :; do sleep 0.05; done\n");
    Recorder rec;
    testsupport::LogCapture log;
    CInstaller runner(rec.Callback(), Quoted(path), L"");
    runner.Start();
    const int pid = installtest::WaitForPidFile(pidFile);
    runner.Stop(std::chrono::milliseconds(300));
    EXPECT_TRUE(Gone(pid));
    EXPECT_EQ(log.Count("still there after the grace: killed"), 1);
    EXPECT_EQ(rec.Reports().back(), (Report{IST_CODE_FAIL, 0, L"安装包安装失败"}));
}

TEST(RunnerStop, AStoppedRunnerStartsNoChild) {
    const std::string marker = installtest::HomePath("ran");
    const std::string path = WriteScript("package.exe", ": > '" + marker + "'\n");
    Recorder rec;
    CInstaller runner(rec.Callback(), Quoted(path), L"");
    runner.Stop(std::chrono::seconds(5));  // nothing runs yet: returns at once
    runner.Start();
    runner.Wait();
    EXPECT_FALSE(testsupport::FileExists(marker));
    EXPECT_EQ(rec.Reports(),
              (std::vector<Report>{
                  {IST_CODE_START, 0, L""}, {IST_CODE_PROGRESS, 0, L""}, {IST_CODE_FAIL, 2, L""}}));
}
