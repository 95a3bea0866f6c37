#include "app/InstallerConfig.h"

#include <gtest/gtest.h>

#include "support/TempHome.h"

using testsupport::CurrentTestHome;
using testsupport::WriteFile;

namespace {

InstallerConfig WithFile(const std::string& contents) {
    const std::string path = CurrentTestHome() + "/TamikInstallerConfig.ini";
    WriteFile(path, contents);
    return InstallerConfig(std::wstring(path.begin(), path.end()));
}

}  // namespace

TEST(InstallerConfig, DefaultsWithoutFile) {
    InstallerConfig c(L"/nonexistent/TamikInstallerConfig.ini");
    EXPECT_EQ(c.m_AppName, L"lumoraapp");
    EXPECT_EQ(c.m_AppVersion, L"1.7.9");
    EXPECT_EQ(c.m_InstallerFileName, L"app_tests") << "the running executable's own name";
    EXPECT_EQ(c.m_DownloadUrl, L"http://dl.tamiksoft.com/software/595");
    EXPECT_EQ(c.m_DownloadType, 1);
    EXPECT_FALSE(c.m_IsCheckNet);
    EXPECT_TRUE(c.m_IsEnableAppBeacon);
    EXPECT_DOUBLE_EQ(c.m_DownloadScale, 0.7);
    EXPECT_EQ(c.m_DlAppNameSuffix, L".downloader");
    EXPECT_EQ(c.m_DlAppVersion, L"");
    EXPECT_EQ(c.m_InstCmd, L"");
    EXPECT_TRUE(c.m_CurlReady);
    EXPECT_EQ(c.m_AbGroup, L"IN");
    EXPECT_EQ(c.m_LanguageIndex, -1);
    EXPECT_FALSE(c.m_InsNew);
    EXPECT_EQ(c.m_BeaconServerUrl, L"");
}

TEST(InstallerConfig, EmptySectionTurnsNetworkCheckOn) {
    InstallerConfig c = WithFile("[Install]\n");
    EXPECT_TRUE(c.m_IsCheckNet);
    EXPECT_EQ(c.m_DownloadType, 1);
    EXPECT_DOUBLE_EQ(c.m_DownloadScale, 0.7);
    EXPECT_EQ(c.m_DownloadUrl, L"http://dl.tamiksoft.com/software/595");
}

TEST(InstallerConfig, EveryKey) {
    InstallerConfig c = WithFile(
        "[install]\nDownloadUrl=http://mirror/${ROUTE}/a/${ROUTE}\ndownloadtype=3\n"
        "IsCheckNet=false\nIsEnableAppBeacon=false\nDlAppNameSuffix=.dl\n"
        "m_DlAppVersion=2.0\nDownloadScale= 0.25\nInstCmd=-foo=1 -bar\n"
        "BeaconServerUrl=http://127.0.0.1:9/collect\nAppName=other\n");
    EXPECT_EQ(c.m_DownloadUrl, L"http://mirror/download_silent/a/download_silent");
    EXPECT_EQ(c.m_DownloadType, 3);
    EXPECT_FALSE(c.m_IsCheckNet);
    EXPECT_FALSE(c.m_IsEnableAppBeacon);
    EXPECT_EQ(c.m_DlAppNameSuffix, L".dl");
    EXPECT_EQ(c.m_DlAppVersion, L"2.0");
    EXPECT_DOUBLE_EQ(c.m_DownloadScale, 0.25);
    EXPECT_EQ(c.m_InstCmd, L"-foo=1 -bar");
    EXPECT_EQ(c.m_BeaconServerUrl, L"http://127.0.0.1:9/collect");
    EXPECT_EQ(c.m_AppName, L"lumoraapp") << "the identity is fixed whatever the file says";
    EXPECT_EQ(c.m_AppVersion, L"1.7.9");
}

TEST(InstallerConfig, BooleansAreExactlyTrue) {
    const char* values[] = {"True", "TRUE", "1", "yes", " true x"};
    for (const char* v : values) {
        InstallerConfig c =
            WithFile(std::string("[Install]\nIsEnableAppBeacon=") + v + "\nIsCheckNet=" + v + "\n");
        EXPECT_FALSE(c.m_IsEnableAppBeacon) << v;
        EXPECT_FALSE(c.m_IsCheckNet) << v;
    }
    InstallerConfig c = WithFile("[Install]\nIsEnableAppBeacon= true \n");
    EXPECT_TRUE(c.m_IsEnableAppBeacon) << "blanks around values are not part of them";
}

TEST(InstallerConfig, ScaleThatIsNotANumberKeepsTheDefault) {
    struct Case {
        const char* text;
        double scale;
    } cases[] = {
        {"0.5abc", 0.5}, {"abc", 0.7}, {"", 0.7},      {"1e999", 0.7},
        {"nan", 0.7},    {"inf", 0.7}, {"-0.1", -0.1},
    };
    for (const auto& c : cases) {
        InstallerConfig cfg = WithFile(std::string("[Install]\nDownloadScale=") + c.text + "\n");
        EXPECT_DOUBLE_EQ(cfg.m_DownloadScale, c.scale) << c.text;
    }
}

TEST(InstallerConfig, DownloadTypeRules) {
    struct Case {
        const char* text;
        int type;
    } cases[] = {{"2", 2}, {"abc", 0}, {"3x", 3}, {"99999999999", 1}};
    for (const auto& c : cases) {
        InstallerConfig cfg = WithFile(std::string("[Install]\nDownloadType=") + c.text + "\n");
        EXPECT_EQ(cfg.m_DownloadType, c.type) << c.text;
    }
}

TEST(InstallerConfig, LongValuesAreCutTo259Characters) {
    std::string url = "http://h/" + std::string(291, 'x');
    ASSERT_EQ(url.size(), 300u);
    InstallerConfig c = WithFile("[Install]\nDownloadUrl=" + url + "\n");
    EXPECT_EQ(c.m_DownloadUrl.size(), 259u);
    EXPECT_EQ(c.m_DownloadUrl, std::wstring(url.begin(), url.begin() + 259));
}

TEST(InstallerConfig, RouteTable) {
    struct Case {
        const wchar_t* version;
        bool enabled64, system64;
        const wchar_t* expected;
    } cases[] = {
        {L"XP", false, false, L"u/download_silent_xp/v/download_silent_xp"},
        {L"XP-", true, true, L"u/download_silent_xp/v/download_silent_xp"},
        {L"10", true, true, L"u/download_silent_64/v/download_silent_64"},
        {L"10", true, false, L"u/download_silent/v/download_silent"},
        {L"6.1.0-18-amd64", false, true, L"u/download_silent/v/download_silent"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(InstallerConfig::ExpandRouteFor(L"u/${ROUTE}/v/${ROUTE}", c.version, c.enabled64,
                                                  c.system64),
                  c.expected);
    EXPECT_EQ(InstallerConfig::ExpandRoute(L"http://h/${ROUTE}"), L"http://h/download_silent");
    EXPECT_EQ(InstallerConfig::ExpandRoute(L"http://h/plain"), L"http://h/plain");
}
