#include "app/CommandLineArgs.h"

#include <gtest/gtest.h>

#include "app/InstallerConfig.h"

namespace {

InstallerConfig Base() {
    InstallerConfig c(L"/nonexistent/TamikInstallerConfig.ini");
    c.m_DownloadScale = 0.4;  // as if the file had set it
    c.m_DownloadType = 3;
    c.m_LanguageIndex = 2;
    return c;
}

InstallerConfig Apply(std::vector<std::wstring> args) {
    InstallerConfig c = Base();
    args.insert(args.begin(), L"/opt/x/lumora-setup");
    ApplyCommandLine(args, c);
    return c;
}

}  // namespace

TEST(CommandLineArgs, EntriesFromArguments) {
    CommandLineArgs a({L"/p/setup", L"-k=v=w", L"-flag", L"plain", L"-k=second", L"-e="});
    EXPECT_EQ(a.GetString(L"-k"), L"v=w") << "split at the first '=', first occurrence wins";
    EXPECT_TRUE(a.Has(L"-flag"));
    EXPECT_EQ(a.GetString(L"-flag"), L"");
    EXPECT_TRUE(a.Has(L"plain"));
    EXPECT_TRUE(a.Has(L"/p/setup"));
    EXPECT_TRUE(a.Has(L"-e"));
    EXPECT_EQ(a.GetString(L"-absent"), L"");
}

TEST(CommandLineArgs, Getters) {
    CommandLineArgs a(
        {L"p", L"-i= -42abc", L"-x=abc", L"-t=true", L"-T=True", L"-d=0.5z", L"-big=99999999999"});
    EXPECT_EQ(a.GetInt(L"-i"), -42);
    EXPECT_EQ(a.GetInt(L"-x"), 0);
    EXPECT_EQ(a.GetInt(L"-absent"), 0);
    EXPECT_EQ(a.GetInt(L"-big"), 0);
    EXPECT_TRUE(a.GetBool(L"-t"));
    EXPECT_FALSE(a.GetBool(L"-T"));
    EXPECT_FALSE(a.GetBool(L"-absent"));
    EXPECT_DOUBLE_EQ(a.GetDouble(L"-d", -1), 0.5);
    EXPECT_DOUBLE_EQ(a.GetDouble(L"-x", -1), -1);
    EXPECT_DOUBLE_EQ(a.GetDouble(L"-absent", -1), -1);
}

TEST(CommandLineArgs, ParseUsesTheWindowsSplittingRules) {
    CommandLineArgs a = ParseCommandLine(
        L"\"C:\\Program Files\\setup.exe\" \"-instcmd=-a=1 -b\" -downloadurl=http://h/x?a=b");
    EXPECT_EQ(a.GetString(L"-instcmd"), L"-a=1 -b");
    EXPECT_EQ(a.GetString(L"-downloadurl"), L"http://h/x?a=b");
    EXPECT_TRUE(a.Has(L"C:\\Program Files\\setup.exe"));
}

TEST(ApplyCommandLine, EveryOptionWritesItsField) {
    InstallerConfig c =
        Apply({L"-downloadurl=http://m/${ROUTE}/p", L"-downloadtype=2", L"-downloadscale=0.6",
               L"-ischecknet=true", L"-isenableappbeacon=false", L"-dlappnamesuffix=.s",
               L"-dlappversion=9", L"-instcmd=-foo=1 -bar", L"-language=5", L"-insnew=true",
               L"-beaconserverurl=http://127.0.0.1:1/c", L"-silent=true", L"-installdir=/opt/a b",
               L"-norun=true"});
    EXPECT_EQ(c.m_DownloadUrl, L"http://m/download_silent/p");
    EXPECT_EQ(c.m_DownloadType, 2);
    EXPECT_DOUBLE_EQ(c.m_DownloadScale, 0.6);
    EXPECT_TRUE(c.m_IsCheckNet);
    EXPECT_FALSE(c.m_IsEnableAppBeacon);
    EXPECT_EQ(c.m_DlAppNameSuffix, L".s");
    EXPECT_EQ(c.m_DlAppVersion, L"9");
    EXPECT_EQ(c.m_InstCmd, L"-foo=1 -bar");
    EXPECT_EQ(c.m_LanguageIndex, 5);
    EXPECT_TRUE(c.m_InsNew);
    EXPECT_EQ(c.m_BeaconServerUrl, L"http://127.0.0.1:1/c");
    EXPECT_TRUE(c.m_Silent);
    EXPECT_EQ(c.m_SilentInstallDir, L"/opt/a b");
    EXPECT_TRUE(c.m_NoRun);
}

TEST(ApplyCommandLine, PresenceDecidesAndBadNumbersKeepTheLayerBelow) {
    struct Case {
        std::wstring arg;
        std::wstring url;
        int type, language;
        double scale;
        bool checknet;
    } cases[] = {
        // A present option always writes, even empty or unparsable...
        {L"-downloadurl=", L"", 3, 2, 0.4, false},
        {L"-downloadtype=abc", L"http://dl.tamiksoft.com/software/595", 0, 2, 0.4, false},
        {L"-language=abc", L"http://dl.tamiksoft.com/software/595", 3, 0, 0.4, false},
        // ...but numbers out of range and a scale that is not a number keep it.
        {L"-downloadtype=4294967297", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        {L"-language=-99999999999", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        {L"-downloadscale=abc", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        {L"-downloadscale=1e999", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        {L"-downloadscale=nan", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        // Keys are case-sensitive.
        {L"-DownloadUrl=http://x/", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
        {L"-ischecknet", L"http://dl.tamiksoft.com/software/595", 3, 2, 0.4, false},
    };
    for (const auto& c : cases) {
        InstallerConfig cfg = Base();
        cfg.m_IsCheckNet = true;
        ApplyCommandLine({L"/opt/x/lumora-setup", c.arg}, cfg);
        EXPECT_EQ(cfg.m_DownloadUrl, c.url) << c.arg;
        EXPECT_EQ(cfg.m_DownloadType, c.type) << c.arg;
        EXPECT_EQ(cfg.m_LanguageIndex, c.language) << c.arg;
        EXPECT_DOUBLE_EQ(cfg.m_DownloadScale, c.scale) << c.arg;
        if (c.arg == L"-ischecknet") {
            EXPECT_FALSE(cfg.m_IsCheckNet) << "no value is not true";
        }
    }
}

TEST(ApplyCommandLine, NoArgumentsChangeNothing) {
    InstallerConfig before = Base();
    InstallerConfig after = Apply({});
    EXPECT_EQ(after.m_DownloadUrl, before.m_DownloadUrl);
    EXPECT_EQ(after.m_DownloadType, before.m_DownloadType);
    EXPECT_DOUBLE_EQ(after.m_DownloadScale, before.m_DownloadScale);
    EXPECT_EQ(after.m_IsCheckNet, before.m_IsCheckNet);
    EXPECT_EQ(after.m_IsEnableAppBeacon, before.m_IsEnableAppBeacon);
    EXPECT_EQ(after.m_LanguageIndex, before.m_LanguageIndex);
}

TEST(ApplyCommandLine, FirstOccurrenceWins) {
    InstallerConfig c = Apply({L"-downloadurl=http://a/", L"-downloadurl=http://b/"});
    EXPECT_EQ(c.m_DownloadUrl, L"http://a/");
}
