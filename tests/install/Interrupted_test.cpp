// A silent run stopped by SIGTERM or SIGINT: while the package hangs, while
// the old copy's uninstaller hangs, and during the download. The run ends
// its children, records nothing, keeps its analytics events, says what was
// interrupted and exits as shells expect.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "SilentRunFixture.h"
#include "utils/CommandLineSplit.h"
#include "utils/PipeProcess.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

enum class Stage { Package, Uninstaller, Download };

struct Case {
    Stage stage;
    int signal;
};

std::string Name(const testing::TestParamInfo<Case>& info) {
    const char* stage[] = {"Package", "Uninstaller", "Download"};
    return std::string(stage[static_cast<int>(info.param.stage)]) +
           (info.param.signal == SIGTERM ? "Term" : "Int");
}

class Interrupted : public installtest::SilentRun, public testing::WithParamInterface<Case> {};

TEST_P(Interrupted, StopsItsChildrenRecordsNothingAndKeepsTheEvents) {
    const Case c = GetParam();
    if (c.stage == Stage::Uninstaller) {
        // An installed copy whose uninstaller will hang.
        Package("--version 1.0.0 --startup NonStartup --uninst-hang");
        testsupport::DevServerProcess first(LUMORA_DEVSERVER, m_Packages);
        const auto r = testsupport::RunCommand(
            std::string(LUMORA_SETUP) + " -silent=true -downloadurl=" + first.PackageAddress() +
            " -installdir='" + HomePath("programs") + "'");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    Package(c.stage == Stage::Package ? "--version 2.0.0 --hang" : "--version 2.0.0");
    const std::string before = Registry("InstallPath");
    const std::string events = HomePath("events.jsonl");
    testsupport::DevServerProcess server(
        LUMORA_DEVSERVER, m_Packages,
        "--collect \"" + events + "\"" + (c.stage == Stage::Download ? " --rate 65536" : ""));

    // Everything the run starts carries this in its environment.
    const std::string marker = "LUMORA_INTERRUPT_TEST=" + std::to_string(::getpid());
    const installtest::KillMarkedAtEnd cleanUp(marker);
    ::setenv("LUMORA_INTERRUPT_TEST", std::to_string(::getpid()).c_str(), 1);
    // Through a shell that becomes lumora-setup, so that its standard error
    // goes to a file and the signal reaches lumora-setup itself.
    const std::string err = HomePath("setup.err");
    const std::string command = "exec '" + std::string(LUMORA_SETUP) +
                                "' -silent=true -downloadurl=" + server.PackageAddress() +
                                " -beaconserverurl=" + server.CollectorAddress() +
                                " -installdir='" + HomePath("programs") + "' 2>'" + err + "'";
    Utils::PipeProcess setup;
    setup.Launch(L"/bin/sh", L"sh -c " + Utils::QuoteArgument(Utils::FromAnsi(command)));
    ::unsetenv("LUMORA_INTERRUPT_TEST");

    // Until the stage hangs (or, downloading, has begun); the test's own time
    // limit ends a wait that never comes true.
    std::string out;
    auto reached = [&] {
        switch (c.stage) {
            case Stage::Package:
            case Stage::Uninstaller:
                return installtest::MarkedProcessRuns(marker, "sleep 1000000");
            case Stage::Download:
                return out.find("downloading") != std::string::npos &&
                       testsupport::FileExists(m_Install);
        }
        return false;
    };
    while (!reached()) setup.ReadOutput(out, 20);
    ASSERT_EQ(::kill(setup.ProcessId(), c.signal), 0);
    const int status = setup.WaitForEnd();

    EXPECT_EQ(setup.EndSignal(), 0) << "it ends by itself";
    EXPECT_EQ(status, 128 + c.signal);
    const std::string said = testsupport::ReadFile(err);
    const char* what[] = {"while the package was installing", "while removing the previous version",
                          "while downloading the package"};
    EXPECT_NE(said.find("lumora-setup: interrupted by " +
                        std::string(c.signal == SIGTERM ? "SIGTERM " : "SIGINT ") +
                        what[static_cast<int>(c.stage)] + "; the installation did not finish."),
              std::string::npos)
        << said;
    EXPECT_TRUE(installtest::ProcessesMarked(marker).empty()) << "a process of the run is left";
    EXPECT_EQ(Registry("InstallPath"), before) << "nothing new is recorded";
    EXPECT_FALSE(testsupport::FileExists(m_Install + "/__Package_lumoraapp.exe"));
    const std::string staged = testsupport::ReadFile(StagingFile());
    EXPECT_NE(staged.find("\"安装中\""), std::string::npos) << staged;
    if (c.stage != Stage::Uninstaller) {
        EXPECT_NE(staged.find("\"开始下载大包\""), std::string::npos) << staged;
    }
    EXPECT_EQ(testsupport::ReadFile(events), "") << "staged, not sent";
}

INSTANTIATE_TEST_SUITE_P(
    Stages, Interrupted,
    testing::Values(Case{Stage::Package, SIGTERM}, Case{Stage::Package, SIGINT},
                    Case{Stage::Uninstaller, SIGTERM}, Case{Stage::Uninstaller, SIGINT},
                    Case{Stage::Download, SIGTERM}, Case{Stage::Download, SIGINT}),
    Name);

}  // namespace
