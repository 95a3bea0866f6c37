// The console protocol as the package and uninstaller runners read it, and
// the command lines they give.
#include "install/ConsoleProtocol.h"

#include <gtest/gtest.h>

#include <clocale>
#include <tuple>
#include <vector>

#include "ChildScripts.h"
#include "install/Installer.h"
#include "install/UnInstaller.h"
#include "support/LogCapture.h"
#include "utils/CommandLineSplit.h"

namespace {

using installtest::Recorder;
using installtest::Report;

struct ProtocolCase {
    const wchar_t* text;
    std::vector<Report> reports;
    int result;
};

void PrintTo(const ProtocolCase& c, std::ostream* os) {
    for (const wchar_t* p = c.text; *p; ++p)
        *os << (*p < 128 && *p >= 32 ? static_cast<char>(*p) : '.');
}

class PackageProtocol : public testing::TestWithParam<ProtocolCase> {};

TEST_P(PackageProtocol, LineGivesItsReportAndResult) {
    const ProtocolCase& c = GetParam();
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"/p/pkg\"", L"/opt/x");
    EXPECT_EQ(runner.Parse(c.text), c.result);
    EXPECT_EQ(rec.Reports(), c.reports);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKey, PackageProtocol,
    testing::Values(
        ProtocolCase{L"Progress=0.35", {{IST_CODE_PROGRESS, 0.35, L""}}, 0},
        ProtocolCase{L"Progress=abc", {{IST_CODE_PROGRESS, 0, L""}}, 0},
        ProtocolCase{L" Progress=0.5", {}, 0},
        ProtocolCase{L"Progress= 0.5x", {{IST_CODE_PROGRESS, 0.5, L""}}, 0},
        ProtocolCase{L"InstPath=/opt/a b", {{IST_INFO_INST_PATH, 0, L"/opt/a b"}}, 0},
        ProtocolCase{L"InstPath=", {{IST_INFO_INST_PATH, 0, L""}}, 0},
        ProtocolCase{L"State=Success", {{IST_CODE_SUCCESS, 0, L""}}, 1},
        ProtocolCase{L"State=  Success \t\r\n", {{IST_CODE_SUCCESS, 0, L""}}, 1},
        ProtocolCase{L"State=success", {}, 0},
        ProtocolCase{L"State=Fail", {{IST_CODE_FAIL, 0, L"安装包安装失败"}}, 1000},
        ProtocolCase{L"State=Maybe", {}, 0}, ProtocolCase{L"InstallVersion=1.2.3", {}, 0},
        ProtocolCase{
            L"ExePath=/opt/x/lumoraapp.exe", {{IST_INFO_EXE_PATH, 0, L"/opt/x/lumoraapp.exe"}}, 0},
        ProtocolCase{L"StartExe=/opt/x/run", {{IST_INFO_EXE_PATH, 0, L"/opt/x/run"}}, 0},
        ProtocolCase{L"UninstExePath=/opt/x/u", {{IST_INFO_UNINST_EXE, 0, L"/opt/x/u"}}, 0},
        ProtocolCase{L"UninstExe=/opt/x/u2", {{IST_INFO_UNINST_EXE, 0, L"/opt/x/u2"}}, 0},
        ProtocolCase{
            L"UninstEp=/opt/x/uninst.ep", {{IST_INFO_UNINST_EP, 0, L"/opt/x/uninst.ep"}}, 0},
        ProtocolCase{L"Error=disk full", {{IST_CODE_FAIL, 1000, L"disk full"}}, 1000},
        ProtocolCase{L"TopShowDetention=1500", {{IST_INFO_TOP_SHOW_DETENTION, 1500, L""}}, 0},
        ProtocolCase{L"TopShowDetention=-1", {{IST_INFO_TOP_SHOW_DETENTION, 4294967295.0, L""}}, 0},
        ProtocolCase{
            L"FinsihCloseDetention=-2", {{IST_INFO_FINISH_CLOSE_DETENTION, 4294967294.0, L""}}, 0},
        ProtocolCase{L"FinishCloseDetention=5", {}, 0},
        ProtocolCase{L"StartUrl=http://x/y", {{3004, 0, L"http://x/y"}}, 0},
        ProtocolCase{L"StartupStyle=AutoStartup", {{IST_INFO_STARTUP_STYLE, 1, L""}}, 0},
        ProtocolCase{L"StartupStyle= UserStartup ", {{IST_INFO_STARTUP_STYLE, 2, L""}}, 0},
        ProtocolCase{L"StartupStyle=NonStartup", {{IST_INFO_STARTUP_STYLE, 0, L""}}, 0},
        ProtocolCase{L"StartupStyle=Other", {{IST_INFO_STARTUP_STYLE, 0, L""}}, 0},
        ProtocolCase{L"Message=hello", {{IST_INFO_MESSAGE, 0, L"hello"}}, 0},
        ProtocolCase{L"Unknown=1\n\nprogress=1", {}, 0},
        // CR LF: the CR before the LF is not part of a text value.
        ProtocolCase{L"InstPath=/opt/p\r\nExePath=/opt/p/e\r\n",
                     {{IST_INFO_INST_PATH, 0, L"/opt/p"}, {IST_INFO_EXE_PATH, 0, L"/opt/p/e"}},
                     0},
        // Only one CR goes, and only right before the LF.
        ProtocolCase{L"Message=a\r\r\n", {{IST_INFO_MESSAGE, 0, L"a\r"}}, 0},
        // The last final line wins, and later lines are still reported.
        ProtocolCase{L"State=Success\nError=disk full\nMessage=m",
                     {{IST_CODE_SUCCESS, 0, L""},
                      {IST_CODE_FAIL, 1000, L"disk full"},
                      {IST_INFO_MESSAGE, 0, L"m"}},
                     1000},
        ProtocolCase{L"Error=x\nState=Success",
                     {{IST_CODE_FAIL, 1000, L"x"}, {IST_CODE_SUCCESS, 0, L""}},
                     1}));

TEST(PackageProtocol, NumbersReadTheSameUnderADecimalCommaLocale) {
    // Packages write a point whatever the user's locale says.
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"/p/pkg\"", L"/opt/x");
    runner.Parse(L"Progress=0.6\nProgress=1,5\nTopShowDetention=2500");
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(rec.Reports(), (std::vector<Report>{{IST_CODE_PROGRESS, 0.6, L""},
                                                  {IST_CODE_PROGRESS, 1, L""},
                                                  {IST_INFO_TOP_SHOW_DETENTION, 2500, L""}}));
}

TEST(PackageProtocol, LongTextValuePassesWhole) {
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"/p/pkg\"", L"");
    const std::wstring longPath = L"/opt/" + std::wstring(2000, L'a');
    runner.Parse(L"InstPath=" + longPath + L"\n");
    ASSERT_EQ(rec.Reports().size(), 1u);
    EXPECT_EQ(rec.Reports()[0].text, longPath);
}

TEST(PackageProtocol, ExePathIsLogged) {
    testsupport::LogCapture log;
    Recorder rec;
    CInstaller runner(rec.Callback(), L"\"/p/pkg\"", L"");
    runner.Parse(L"ExePath=/x/y\nStartExe=/x/z");
    EXPECT_EQ(log.Count("(CInstaller::Parse)"), 1) << log.Text();
    EXPECT_EQ(log.Count("ExePath: /x/y"), 1);
}

TEST(PackageProtocol, EncodeSetsTheCodePage) {
    const std::tuple<const wchar_t*, int> cases[] = {
        {L"Encode=UTF8", 65001}, {L"Encode=ACP", 0},         {L"Encode=936", 936},
        {L"Encode=x", 0},        {L"Encode=99999999999", 0}, {L"Encode= 65001 \r", 65001},
    };
    for (auto [line, cp] : cases) {
        Recorder rec;
        CInstaller runner(rec.Callback(), L"\"/p/pkg\"", L"");
        runner.Parse(L"Encode=UTF8\n");
        runner.Parse(line);
        EXPECT_EQ(runner.CodePage(), cp) << std::wstring(line).size();
        EXPECT_TRUE(rec.Reports().empty());
    }
}

struct UninstCase {
    const wchar_t* text;
    std::vector<Report> reports;
    int result;
    int codePage;
};

void PrintTo(const UninstCase& c, std::ostream* os) {
    for (const wchar_t* p = c.text; *p; ++p)
        *os << (*p < 128 && *p >= 32 ? static_cast<char>(*p) : '.');
}

class UninstallerProtocol : public testing::TestWithParam<UninstCase> {};

TEST_P(UninstallerProtocol, LineGivesItsReport) {
    const UninstCase& c = GetParam();
    Recorder rec;
    CUnInstaller runner(rec.Callback(), L"/t/u", L"/opt/old");
    EXPECT_EQ(runner.Parse(c.text), c.result);
    EXPECT_EQ(rec.Reports(), c.reports);
    EXPECT_EQ(runner.CodePage(), c.codePage);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UninstallerProtocol,
    testing::Values(UninstCase{L"Progress=0.5", {{UNIST_CODE_PROGRESS, 0.5, L""}}, 0, 0},
                    UninstCase{L"Progress=zz", {{UNIST_CODE_PROGRESS, 0, L""}}, 0, 0},
                    UninstCase{L"Error=locked\r\n", {{UNIST_CODE_ERROR, 0, L"locked"}}, 1000, 0},
                    UninstCase{L"State= Success\r", {{UNIST_CODE_SUCCESS, 0, L""}}, 1, 0},
                    UninstCase{L"State=Fail", {{UNIST_CODE_ERROR, 0, L"安装包卸载失败"}}, 1000, 0},
                    UninstCase{
                        L"State=Fail\nState=Success",
                        {{UNIST_CODE_ERROR, 0, L"安装包卸载失败"}, {UNIST_CODE_SUCCESS, 0, L""}},
                        1,
                        0},
                    UninstCase{L"Encode=UTF8", {}, 0, 65001},
                    UninstCase{L"Encode=UTF8\nEncode=936", {}, 0, 0},
                    UninstCase{L"Message=hello\nInstPath=/x", {}, 0, 0}));

TEST(LineAssembler, JoinsLinesCutAcrossReads) {
    ConsoleProtocol::LineAssembler a;
    std::string line;
    a.Append("Err");
    EXPECT_FALSE(a.NextLine(line));
    a.Append("or=disk full\nProg");
    ASSERT_TRUE(a.NextLine(line));
    EXPECT_EQ(line, "Error=disk full");
    EXPECT_FALSE(a.NextLine(line));
    a.Append("ress=0.5");
    ASSERT_TRUE(a.TakeRest(line));
    EXPECT_EQ(line, "Progress=0.5");
    EXPECT_FALSE(a.TakeRest(line));
}

TEST(LineAssembler, KeepsEveryByteOfACharacterCutInTwo) {
    const std::string message =
        "Message=\xe7\xa3\x81\xe7\x9b\x98\xe5\xb7\xb2\xe6\xbb\xa1\n";  // 磁盘已满
    ConsoleProtocol::LineAssembler a;
    for (char byte : message) a.Append(std::string(1, byte));
    std::string line;
    ASSERT_TRUE(a.NextLine(line));
    EXPECT_EQ(line + "\n", message);
}

TEST(LineAssembler, DropsOverlongLinesAndGoesOn) {
    ConsoleProtocol::LineAssembler a(16);
    std::string line;
    a.Append(std::string(10, 'x'));
    a.Append(std::string(10, 'x'));  // over the limit without an LF yet
    a.Append(std::string(100, 'y') + "\nState=Success\n");
    ASSERT_TRUE(a.NextLine(line));
    EXPECT_EQ(line, "State=Success");
    EXPECT_EQ(a.DroppedLines(), 1);
}

// The overlong last line came in the read of the line before it, so it was
// not yet measured when the output ended.
TEST(LineAssembler, DropsAnOverlongLastLineWithoutLf) {
    ConsoleProtocol::LineAssembler a(16);
    std::string line;
    a.Append("State=Success\n" + std::string(17, 'x'));
    ASSERT_TRUE(a.NextLine(line));
    EXPECT_EQ(line, "State=Success");
    EXPECT_FALSE(a.TakeRest(line));
    EXPECT_EQ(a.DroppedLines(), 1);
}

TEST(PackageCommandLine, MatchesTheDocumentedExample) {
    CInstaller runner({}, L"\"/opt/Program Files/lumoratool/__Package_lumoraapp.exe\"",
                      L"/opt/Program Files/lumoratool", true, true, true, true);
    runner.SetLanguage(L"zh-CN");
    EXPECT_EQ(runner.BuildCommandLine(),
              L"\"/opt/Program Files/lumoratool/__Package_lumoraapp.exe\" /S -console=show "
              L"-version=1.0.0 -adminact=true -authorizationact=true -dsc=true -ssc=true "
              L"-inslang=\"zh-CN\" -instdir=\"/opt/Program Files/lumoratool\" "
              L"/D=\"/opt/Program Files/lumoratool\"");
}

TEST(PackageCommandLine, PiecesFollowTheirConditions) {
    struct Case {
        const wchar_t* dir;
        const wchar_t* language;
        const wchar_t* extra;
        bool flags;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"", L"", L"", false,
         L"\"/p/k\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false "
         L"-dsc=false -ssc=false"},
        {L"/opt/a", L"", L"-foo=1 -bar", true,
         L"\"/p/k\" /S -console=show -version=1.0.0 -adminact=true -authorizationact=true "
         L"-dsc=true -ssc=true -foo=1 -bar -instdir=\"/opt/a\" /D=\"/opt/a\""},
        {L"/opt/a", L"en-US", L"-foo=1", false,
         L"\"/p/k\" /S -console=show -version=1.0.0 -adminact=false -authorizationact=false "
         L"-dsc=false -ssc=false -inslang=\"en-US\" -foo=1 -instdir=\"/opt/a\" "
         L"/D=\"/opt/a\""},
    };
    for (const Case& c : cases) {
        CInstaller runner({}, L"\"/p/k\"", c.dir, c.flags, c.flags, c.flags, c.flags);
        runner.SetLanguage(c.language);
        runner.SetExtraOptions(c.extra);
        EXPECT_EQ(runner.BuildCommandLine(), c.expected);
    }
}

TEST(PackageCommandLine, DirectoryWithAQuoteReachesThePackageExactly) {
    const std::wstring dir = L"/opt/say  \"hi\"\\ there\\";
    CInstaller runner({}, L"\"/p/k\"", dir);
    const auto args = Utils::SplitCommandLine(runner.BuildCommandLine());
    std::wstring instdir, d;
    for (const auto& a : args) {
        if (a.rfind(L"-instdir=", 0) == 0) instdir = a.substr(9);
        if (a.rfind(L"/D=", 0) == 0) d = a.substr(3);
    }
    EXPECT_EQ(instdir, dir);
    EXPECT_EQ(d, dir);
    EXPECT_EQ(args.back(), L"/D=" + dir) << "one argument, the last";
}

TEST(PackageCommandLine, LongCommandLinePassesWhole) {
    const std::wstring dir = L"/opt/" + std::wstring(1500, L'd');
    CInstaller runner({}, L"\"/p/k\"", dir);
    const std::wstring cmd = runner.BuildCommandLine();
    EXPECT_GT(cmd.size(), 3000u);
    EXPECT_EQ(cmd.substr(cmd.size() - dir.size() - 6), L" /D=\"" + dir + L"\"");
}

TEST(UninstallerCommandLine, HasPathFlagsAndHomeLast) {
    CUnInstaller runner({}, L"/tmp/~TaMikTemp.92482B06FB471E17/lumoratool_un_asa.exe",
                        L"/opt/Apps/lumoratool");
    EXPECT_EQ(runner.BuildCommandLine(true, true),
              L"\"/tmp/~TaMikTemp.92482B06FB471E17/lumoratool_un_asa.exe\" /S -adminact=true "
              L"-authorizationact=true -console=show _?=\"/opt/Apps/lumoratool\"");
    EXPECT_EQ(runner.BuildCommandLine(false, false),
              L"\"/tmp/~TaMikTemp.92482B06FB471E17/lumoratool_un_asa.exe\" /S -adminact=false "
              L"-authorizationact=false -console=show _?=\"/opt/Apps/lumoratool\"");
}

TEST(UninstallerCommandLine, PathsWithBlanksAndQuotesStayWhole) {
    const std::wstring copy = L"/tmp/my temp/~TaMikTemp.92482B06FB471E17/lumoratool_un_asa.exe";
    const std::wstring home = L"/opt/my  apps/say \"hi\"\\";
    CUnInstaller runner({}, copy, home);
    const auto args = Utils::SplitCommandLine(runner.BuildCommandLine(false, false));
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(args.front(), copy);
    EXPECT_EQ(args.back(), L"_?=" + home);
}

}  // namespace
