// Where the tracker keeps its files, the identity kept across runs and its
// reset rules, device ids, the system's names and the common properties.
#include <gtest/gtest.h>

#include <regex>

#include "NativeUserTracker.h"
#include "TrackerHarness.h"
#include "platform/ProfileIni.h"
#include "platform/SystemRelease.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

using namespace tamik::beacon;
using trackertest::DataFolder;
using trackertest::FindEvent;
using trackertest::LoopbackCollector;
using trackertest::RunTracker;
using trackertest::TestConfig;

namespace {

const std::regex kGuid("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");

std::string IdentityPath() { return DataFolder() + "lumoraapp.downloader_QVSConfigure.ini"; }
std::string Base(const std::string& key) {
    return Platform::ReadProfileString(IdentityPath(), "Base", key, "<missing>");
}
void SetBase(const std::string& key, const std::string& value) {
    testsupport::MakeDirs(DataFolder());
    ASSERT_TRUE(Platform::WriteProfileString(IdentityPath(), "Base", key, value));
}

// One run of the tracker that sends one view; returns the view's record.
Json::Value OneRun(const std::string& url, LoopbackCollector& collector) {
    auto records = RunTracker(
        TestConfig(url),
        [](BeaconTracker& t) {
            t.trackView({"", "V", "", ""}, {});
        },
        collector);
    Json::Value r;
    for (const auto& x : records)
        if (x.get("event", "").asString() == "QvEventView") r = x;
    return r;
}

TEST(Identity, FirstRunCreatesTheIdentityUnderTheLocalDataFolder) {
    LoopbackCollector collector;
    const Json::Value view = OneRun(collector.Url(), collector);
    ASSERT_TRUE(testsupport::FileExists(IdentityPath()));
    EXPECT_EQ(Base("isLogined"), "NG");
    EXPECT_TRUE(std::regex_match(Base("DistinctId"), kGuid)) << Base("DistinctId");
    EXPECT_EQ(Base("PrimaryDistinctId"), Base("DistinctId"));
    EXPECT_EQ(Base("URL"), collector.Url());
    EXPECT_EQ(Base("UserId"), "");
    EXPECT_EQ(Base("UserVipLevel"), "0");
    EXPECT_EQ(Platform::ReadProfileString(IdentityPath(), "UninstallInfo", "AppStore", ""),
              "lumora-setup");
    EXPECT_EQ(Platform::ReadProfileString(IdentityPath(), "UninstallInfo", "AppName", ""),
              "lumoraapp.downloader");
    EXPECT_EQ(Platform::ReadProfileString(IdentityPath(), "UninstallInfo", "AppVersion", ""),
              "1.7.9");
    EXPECT_EQ(view["distinct_id"].asString(), Base("DistinctId"));
}

TEST(Identity, SameCollectorKeepsTheDistinctIdAcrossRuns) {
    LoopbackCollector collector;
    const std::string first = OneRun(collector.Url(), collector)["distinct_id"].asString();
    const std::string second = OneRun(collector.Url(), collector)["distinct_id"].asString();
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

TEST(Identity, AnotherCollectorDropsTheLoginAndReturnsToThePrimaryId) {
    LoopbackCollector collector;
    SetBase("DistinctId", "user-9");
    SetBase("PrimaryDistinctId", "DEVICE-1");
    SetBase("UserId", "user-9");
    SetBase("isLogined", "OK");
    SetBase("URL", "http://old.example/collect");
    const Json::Value view = OneRun(collector.Url(), collector);
    EXPECT_EQ(view["distinct_id"].asString(), "DEVICE-1");
    EXPECT_FALSE(view["properties"].isMember("$is_login_id"));
    EXPECT_FALSE(view["properties"].isMember("qv_user_id"));
    EXPECT_EQ(Base("DistinctId"), "DEVICE-1");
    EXPECT_EQ(Base("UserId"), "");
    EXPECT_EQ(Base("isLogined"), "NG");
    EXPECT_EQ(Base("URL"), collector.Url());
}

TEST(Identity, LoginMarkIsExactlyOK) {
    const std::pair<const char*, bool> cases[] = {{"OK", true}, {"ok", false}, {"", false}};
    for (auto [mark, loggedIn] : cases) {
        testsupport::TempHome home;
        LoopbackCollector collector;
        SetBase("DistinctId", "user-9");
        SetBase("PrimaryDistinctId", "DEVICE-1");
        SetBase("UserId", "user-9");
        SetBase("isLogined", mark);
        SetBase("URL", collector.Url());
        const Json::Value view = OneRun(collector.Url(), collector);
        EXPECT_EQ(view["properties"].isMember("$is_login_id"), loggedIn) << mark;
        EXPECT_EQ(view["properties"]["qv_user_id"].asString(), "user-9") << mark;
        EXPECT_EQ(view["distinct_id"].asString(), "user-9") << mark;
    }
}

TEST(Identity, EmptyPrimaryIdTakesTheDistinctId) {
    LoopbackCollector collector;
    SetBase("DistinctId", "D-7");
    SetBase("URL", collector.Url());
    OneRun(collector.Url(), collector);
    EXPECT_EQ(Base("PrimaryDistinctId"), "D-7");
    EXPECT_EQ(Base("DistinctId"), "D-7");
}

TEST(Identity, DamagedIdentityFilesDoNotStopTheTracker) {
    const std::function<void()> damage[] = {
        [] {
            testsupport::MakeDirs(DataFolder());
            testsupport::WriteFile(IdentityPath(), std::string("\0\xff[Base\n=\n\x01garbage", 19));
        },
        [] { testsupport::MakeDirs(IdentityPath()); },  // a folder where the file belongs
    };
    for (const auto& d : damage) {
        testsupport::TempHome home;
        d();
        LoopbackCollector collector;
        testsupport::LogCapture log;
        const Json::Value view = OneRun(collector.Url(), collector);
        EXPECT_TRUE(view.isObject()) << log.Text();
        EXPECT_FALSE(view["distinct_id"].asString().empty());
    }
}

TEST(Paths, LocatorBesideTheExecutableNamesTheIdentityFile) {
    const std::string home = testsupport::CurrentTestHome();
    const std::string exeDir = home + "/bin";
    testsupport::MakeDirs(exeDir);
    ASSERT_TRUE(Platform::WriteProfileString(exeDir + "/Set.ini", "Install", "QVBeaconAnalyticsIni",
                                             home + "\\product\\data\\id.ini"));
    TrackerState s;
    NativeUserTracker::ResolvePaths(s, "app", exeDir);
    EXPECT_EQ(s.identityPath, home + "/product/data/id.ini");
    EXPECT_EQ(s.dataFolder, home + "/product/data/");
    EXPECT_EQ(s.logPath, home + "/product/data/app_QVSLog.txt");
    EXPECT_TRUE(testsupport::FileExists(s.dataFolder));
    EXPECT_EQ(NativeUserTracker::StagingPath(s, "app"), home + "/product/data/app_QVSStaging.txt");
}

TEST(Paths, TheLocatorIsFoundWhateverTheCaseOfItsName) {
    // The installer writes "set.ini"; the tracker looks for "Set.ini".
    const std::string home = testsupport::CurrentTestHome();
    for (const char* name : {"set.ini", "SET.INI", "Set.Ini"}) {
        const std::string exeDir = home + "/bin-" + name;
        testsupport::MakeDirs(exeDir);
        ASSERT_TRUE(Platform::WriteProfileString(exeDir + "/" + name, "Install",
                                                 "QVBeaconAnalyticsIni", home + "/data/id.ini"));
        TrackerState s;
        NativeUserTracker::ResolvePaths(s, "app", exeDir);
        EXPECT_EQ(s.identityPath, home + "/data/id.ini") << name;
    }
}

TEST(Paths, UnusableOrBareLocatorValuesFallBackToTheDefault) {
    const std::string home = testsupport::CurrentTestHome();
    testsupport::WriteFile(home + "/plain-file", "x");
    for (const std::string& value :
         {std::string("id.ini"), std::string(""), home + "/plain-file/sub/id.ini"}) {
        const std::string exeDir = home + "/bin";
        testsupport::MakeDirs(exeDir);
        ASSERT_TRUE(Platform::WriteProfileString(exeDir + "/Set.ini", "Install",
                                                 "QVBeaconAnalyticsIni", value));
        TrackerState s;
        s.logPath = "/given/log.txt";
        NativeUserTracker::ResolvePaths(s, "app", exeDir);
        EXPECT_EQ(s.dataFolder, std::string(getenv("XDG_DATA_HOME")) + "/RIRivez/app/") << value;
        EXPECT_EQ(s.identityPath, s.dataFolder + "app_QVSConfigure.ini") << value;
        EXPECT_EQ(s.logPath, "/given/log.txt");
    }
}

TEST(Paths, WithoutXdgDataHomeTheHomeFolderIsUsed) {
    unsetenv("XDG_DATA_HOME");
    TrackerState s;
    NativeUserTracker::ResolvePaths(s, "app", testsupport::CurrentTestHome() + "/nowhere");
    EXPECT_EQ(s.dataFolder, std::string(getenv("HOME")) + "/.local/share/RIRivez/app/");
}

TEST(DeviceId, GuidTextOrTheFixedFallback) {
    const std::string id = NativeUserTracker::NewDeviceId();
    EXPECT_TRUE(std::regex_match(id, kGuid)) << id;
    EXPECT_NE(id, NativeUserTracker::NewDeviceId());
    int calls = 0;
    auto failing = [&](std::string*) {
        ++calls;
        return false;
    };
    const std::string fallback = NativeUserTracker::NewDeviceId(failing);
    EXPECT_EQ(calls, 11);
    EXPECT_TRUE(std::regex_match(
        fallback, std::regex("[0-9a-f]+-[0-9a-f]+-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]+")))
        << fallback;
    EXPECT_EQ(fallback, NativeUserTracker::NewDeviceId(failing));
}

TEST(SystemNames, LinuxAndTheKernelRelease) {
    std::string os, version;
    NativeUserTracker::OsName(os, version);
    EXPECT_EQ(os, "Linux");
    EXPECT_EQ(version, Platform::KernelRelease());
    EXPECT_EQ(NativeUserTracker::UserAgent(), "Mozilla/5.0(Linux " + Platform::KernelRelease() +
                                                  "; X" +
                                                  (Platform::KernelIs64Bit() ? "64" : "32") + ";)");
}

TEST(SystemNames, LocaleTriple) {
    struct Case {
        const char *lcAll, *lcMessages, *lang;
        bool ok;
        const char *language, *country;
    };
    const Case cases[] = {
        {"", "", "zh_CN.UTF-8", true, "zh", "CN"},
        {"", "de_AT@euro", "zh_CN.UTF-8", true, "de", "AT"},
        {"pt_BR", "de_AT", "zh_CN", true, "pt", "BR"},
        {"", "", "C.UTF-8", false, "", ""},
        {"", "", "POSIX", false, "", ""},
        {"", "", "de", false, "", ""},
        {"", "", "", false, "", ""},
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lcAll, 1);
        setenv("LC_MESSAGES", c.lcMessages, 1);
        setenv("LANG", c.lang, 1);
        std::string language, country, locale;
        EXPECT_EQ(NativeUserTracker::SystemLocale(language, country, locale), c.ok) << c.lang;
        EXPECT_EQ(language, c.language);
        EXPECT_EQ(country, c.country);
        EXPECT_EQ(locale, c.ok ? std::string(c.language) + "_" + c.country : "");
    }
}

TEST(CommonProperties, EveryEventCarriesThem) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    LoopbackCollector collector;
    TrackerConfig config = TestConfig(collector.Url());
    config.dlAppVersion = "2.0";
    auto records = RunTracker(
        config,
        [](BeaconTracker& t) {
            t.trackClick({"", "立即安装", 0, "", "", "", {}, "", {}, ""}, {});
            t.setLocale("en_GB");
            t.trackClick({"", "自定义安装", 0, "", "", "", {}, "", {}, ""}, {});
        },
        collector);
    ASSERT_EQ(records.size(), 2u);
    const Json::Value p = records[0]["properties"];
    const std::pair<const char*, Json::Value> want[] = {
        {"qv_app_id", "lumoraapp.downloader"},
        {"$app_version", "1.7.9"},
        {"$app_id", "lumoraapp.downloader"},
        {"qv_app_store", "lumora-setup"},
        {"qv_edition", "china"},
        {"qv_dlapp_id", "lumoraapp"},
        {"qv_dlapp_version", "2.0"},
        {"qv_app_platform", "Linux"},
        {"qv_track_type", "Client"},
        {"qv_sdk_version", "3.3.8"},
        {"qv_sdk", "WindowsCPP"},
        {"$os", "Linux"},
        {"$os_version", Platform::KernelRelease()},
        {"qv_l10n_locale", "zh_CN"},
        {"qv_l10n_language", "zh"},
        {"qv_l10n_country", "CN"},
        {"$screen_height", 0},
        {"$screen_width", 0},
    };
    for (const auto& [key, value] : want) EXPECT_EQ(p[key], value) << key;
    EXPECT_FALSE(p.isMember("qv_user_id"));
    const Json::Value q = records[1]["properties"];
    EXPECT_EQ(q["qv_l10n_locale"].asString(), "en_GB");
    EXPECT_EQ(q["qv_l10n_language"].asString(), "en");
    EXPECT_EQ(q["qv_l10n_country"].asString(), "GB");
}

TEST(CommonProperties, EmptyDownloadAppVersionIsLeftOut) {
    LoopbackCollector collector;
    auto records = RunTracker(
        TestConfig(collector.Url()),
        [](BeaconTracker& t) {
            t.trackView({"", "V", "", ""}, {});
        },
        collector);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0]["properties"].isMember("qv_dlapp_version"));
    EXPECT_EQ(records[0]["properties"]["qv_dlapp_id"].asString(), "lumoraapp");
}

}  // namespace
