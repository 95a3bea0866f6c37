// Choosing where the log goes, and --help / --version as answers that need
// nothing else.
#include "app/RunLog.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/CommandLineHelp.h"
#include "support/TempHome.h"

namespace {

using Kind = RunLogChoice::Kind;

TEST(RunLogChoice, OptionThenEnvironmentThenTheDefaultFile) {
    const std::string def = std::string(std::getenv("XDG_STATE_HOME")) + "/lumora/lumora-setup.log";
    struct Case {
        std::vector<std::wstring> args;
        const char* env;
        Kind kind;
        std::string path;
    } cases[] = {
        {{L"lumora-setup"}, nullptr, Kind::DefaultFile, def},
        {{L"lumora-setup", L"-log=-"}, nullptr, Kind::StandardError, ""},
        {{L"lumora-setup"}, "stderr", Kind::StandardError, ""},
        {{L"lumora-setup"}, "STDERR", Kind::DefaultFile, def},  // values are exact
        {{L"lumora-setup"}, "", Kind::DefaultFile, def},
        {{L"lumora-setup", L"-log=/tmp/x.log"}, nullptr, Kind::NamedFile, "/tmp/x.log"},
        {{L"lumora-setup", L"-log=/tmp/x.log"}, "stderr", Kind::NamedFile, "/tmp/x.log"},
        {{L"lumora-setup", L"-log=/tmp/a", L"-log=-"}, nullptr, Kind::NamedFile, "/tmp/a"},
        {{L"lumora-setup", L"-log=-", L"-log=/tmp/a"}, nullptr, Kind::StandardError, ""},
        {{L"lumora-setup", L"-log=a=b"}, nullptr, Kind::NamedFile, "a=b"},
        // An empty value names no file; it is not a request for standard error.
        {{L"lumora-setup", L"-log="}, "stderr", Kind::DefaultFile, def},
        {{L"lumora-setup", L"-Log=-"}, nullptr, Kind::DefaultFile, def},  // case-sensitive
    };
    for (const auto& c : cases) {
        const RunLogChoice choice = ChooseRunLog(c.args, c.env);
        const std::string what =
            (c.args.size() > 1 ? std::string(c.args[1].begin(), c.args[1].end())
                               : std::string("(none)")) +
            " LUMORA_LOG=" + (c.env ? c.env : "(unset)");
        EXPECT_EQ(choice.kind, c.kind) << what;
        EXPECT_EQ(choice.path, c.path) << what;
    }
}

TEST(RunLogChoice, PreviousRunsName) {
    EXPECT_EQ(PreviousRunLogPath("/s/lumora/lumora-setup.log"), "/s/lumora/lumora-setup.1.log");
    EXPECT_EQ(PreviousRunLogPath("/s/v1.0/log"), "/s/v1.0/log.1");
    EXPECT_EQ(PreviousRunLogPath("/s/.log"), "/s/.log.1");
}

TEST(InformationRequest, HelpAndVersionAfterTheProgramPath) {
    using Args = std::vector<std::wstring>;
    const std::string usage = UsageText();
    EXPECT_EQ(InformationRequestAnswer(Args{L"x", L"--help"}), usage);
    EXPECT_EQ(InformationRequestAnswer(Args{L"x", L"-h"}), usage);
    EXPECT_EQ(InformationRequestAnswer(Args{L"x", L"-silent=true", L"-?"}), usage);
    EXPECT_EQ(InformationRequestAnswer(Args{L"x", L"--version"}), "lumora-setup 1.7.9\n");
    EXPECT_EQ(InformationRequestAnswer(Args{L"x", L"--version", L"--help"}),
              "lumora-setup 1.7.9\n");
    // Anything else is read as the options always were.
    for (const Args& a : {Args{L"x"}, Args{L"--help"}, Args{L"x", L"-help"}, Args{L"x", L"--HELP"},
                          Args{L"x", L"-h=1"}, Args{L"x", L"--version=2"}, Args{L"x", L"-H"}})
        EXPECT_FALSE(InformationRequestAnswer(a)) << (a.size() > 1 ? a[1].size() : 0);
}

}  // namespace
