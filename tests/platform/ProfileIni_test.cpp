#include "platform/ProfileIni.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempHome.h"

using namespace Platform;
using testsupport::CurrentTestHome;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {
std::string Path(const std::string& name) { return CurrentTestHome() + "/" + name; }
}  // namespace

TEST(ProfileIni, ReadsWithTheProfileRules) {
    const std::string ini = Path("a.ini");
    WriteFile(ini,
              "; comment\n[install]\ndownloadurl =   http://h/x  \nQuoted=\"  two words \"\n"
              "Single='v'\nHalf=\"v\nEmpty=\n[Other]\nKey=other\n");
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"Install", "DownloadUrl", "http://h/x"},  // names without regard to case, value trimmed
        {"INSTALL", "quoted", "  two words "},     // one pair of quotes removed
        {"Install", "Single", "v"},
        {"Install", "Half", "\"v"},
        {"Install", "Empty", ""},
        {"Install", "Missing", "<def>"},
        {"Nowhere", "Key", "<def>"},
        {"other", "KEY", "other"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadProfileString(ini, c.section, c.key, "<def>"), c.expected) << c.key;
    EXPECT_EQ(ReadProfileString(Path("missing.ini"), "Install", "K", "<def>"), "<def>");
}

TEST(ProfileIni, IntegersTakeLeadingDigits) {
    const std::string ini = Path("n.ini");
    WriteFile(ini, "[S]\nA=12abc\nB=abc\nC= 7 \nD=-3\nE=99999999999\n");
    EXPECT_EQ(ReadProfileInt(ini, "S", "A", 1), 12);
    EXPECT_EQ(ReadProfileInt(ini, "S", "B", 1), 0);
    EXPECT_EQ(ReadProfileInt(ini, "S", "C", 1), 7);
    EXPECT_EQ(ReadProfileInt(ini, "S", "D", 1), 0);
    EXPECT_EQ(ReadProfileInt(ini, "S", "E", 1), 1) << "beyond 32 bits keeps the default";
    EXPECT_EQ(ReadProfileInt(ini, "S", "Missing", 5), 5);
}

TEST(ProfileIni, WriteKeepsEverythingElseAndLeavesNoTemporaryFile) {
    const std::string ini = Path("set.ini");
    WriteFile(ini, "[Uninstall]\nIsOverride=false\n[Install]\nAppName=old\nOther=keep\n");
    ASSERT_TRUE(WriteProfileString(ini, "install", "appname", "lumoraapp"));
    ASSERT_TRUE(WriteProfileString(ini, "Install", "DeviceID", "ABC"));
    EXPECT_EQ(ReadProfileString(ini, "Install", "AppName", ""), "lumoraapp");
    EXPECT_EQ(ReadProfileString(ini, "Install", "Other", ""), "keep");
    EXPECT_EQ(ReadProfileString(ini, "Install", "DeviceID", ""), "ABC");
    EXPECT_EQ(ReadProfileString(ini, "Uninstall", "IsOverride", ""), "false");
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(CurrentTestHome()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(ProfileIni, WriteCreatesTheFileButNotItsFolder) {
    EXPECT_TRUE(WriteProfileString(Path("new.ini"), "Init", "UpdateTime", "2024-03-05 14:02:09"));
    EXPECT_EQ(ReadProfileString(Path("new.ini"), "Init", "UpdateTime", ""), "2024-03-05 14:02:09");
    std::string err;
    EXPECT_FALSE(WriteProfileString(Path("no/such/dir.ini"), "S", "K", "V", &err));
    EXPECT_FALSE(err.empty());
}

TEST(ProfileIni, AFolderIsNotReadAsAFileNorReplaced) {
    const std::string dir = Path("set.ini");
    testsupport::MakeDirs(dir);
    EXPECT_EQ(ReadProfileString(dir, "Install", "K", "<def>"), "<def>");
    EXPECT_EQ(ReadProfileInt(dir, "Install", "K", 4), 4);
    std::string err;
    EXPECT_FALSE(WriteProfileString(dir, "Install", "K", "V", &err));
    EXPECT_TRUE(std::filesystem::is_directory(dir));
}

TEST(ProfileIni, WritesGiveTheWholeFileInTheProfileForm) {
    // Read tolerantly (blanks around "=", one section spelt twice), written
    // back as other programs read profile files: one header per section,
    // key=value with no blanks around "=".
    const std::string ini = Path("set.ini");
    WriteFile(ini,
              "[Install]\nAppName = old\n[Uninstall]\n IsOverride =  false\n"
              "[install]\nAPPStore= setup \n");
    ASSERT_TRUE(WriteProfileString(ini, "Install", "DeviceID", "ABC"));
    const std::string text = ReadFile(ini);
    EXPECT_EQ(text,
              "[Install]\nAppName=old\nAPPStore=setup\nDeviceID=ABC\n\n"
              "[Uninstall]\nIsOverride=false\n")
        << text;
}

TEST(ProfileIni, SeveralKeysChangeInOneWrite) {
    const std::string ini = Path("id.ini");
    WriteFile(ini, "[Base]\nDistinctId=old\n[Other]\nK=v\n");
    ASSERT_TRUE(WriteProfileStrings(ini, "base", {{"DistinctId", "new"}, {"isLogined", "NG"}}));
    EXPECT_EQ(ReadFile(ini), "[Base]\nDistinctId=new\nisLogined=NG\n\n[Other]\nK=v\n");
}

TEST(ProfileIni, NamesAndValuesThatWouldBreakTheLinesAreRefused) {
    const std::string ini = Path("set.ini");
    const std::string before = "[Install]\nAppName=lumoraapp\n";
    WriteFile(ini, before);
    struct Case {
        const char *section, *key, *value;
    } cases[] = {
        {"Install", "InstallPath", "/opt/x\nUnInstallEp=/tmp/evil"},
        {"Install", "InstallPath", "/opt/x\rUnInstallEp=/tmp/evil"},
        {"Install", "Key=Other", "v"},
        {"Install", "", "v"},
        {"Install]\n[Other", "Key", "v"},
        {"", "Key", "v"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_FALSE(WriteProfileString(ini, c.section, c.key, c.value, &err)) << c.key;
        EXPECT_FALSE(err.empty());
        EXPECT_EQ(ReadFile(ini), before) << c.key;
    }
    // One refused entry stops the whole write.
    EXPECT_FALSE(WriteProfileStrings(ini, "Install", {{"A", "1"}, {"B", "x\ny"}}));
    EXPECT_EQ(ReadFile(ini), before);
}
