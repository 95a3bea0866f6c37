// Installation records: the registry store, set.ini and the data folder, and
// the directory rules that follow from them.
#include <gtest/gtest.h>

#include <regex>

#include "ChildScripts.h"
#include "install/InstallRecords.h"
#include "platform/ProfileIni.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;
namespace R = InstallRecords;

std::wstring W(const std::string& s) { return Utils::FromAnsi(s); }
std::string Store() {
    return std::string(std::getenv("XDG_CONFIG_HOME")) + "/registry/HKEY_CURRENT_USER.ini";
}
std::string Ini(const std::string& file, const char* section, const char* key) {
    return Platform::ReadProfileString(file, section, key, "<missing>");
}

TEST(InstallRecords, InstallationIsRecordedInTheRegistryStore) {
    const std::string dir = HomePath("apps/lumoratool");
    testsupport::MakeDirs(dir);
    testsupport::WriteFile(dir + "/uninst.ep", "u");
    EXPECT_EQ(R::RecordInstallation(W(dir), L""), W(dir + "/uninst.ep"));
    const std::string text = testsupport::ReadFile(Store());
    EXPECT_NE(text.find("[Software\\TaMikSoft\\lumoraapp]"), std::string::npos) << text;
    EXPECT_EQ(Ini(Store(), "Software\\TaMikSoft\\lumoraapp", "InstallPath"), dir);
    EXPECT_EQ(Ini(Store(), "Software\\TaMikSoft\\lumoraapp", "UnInstallEp"), dir + "/uninst.ep");

    const R::Previous prev = R::ReadPrevious();
    EXPECT_EQ(prev.installPath, W(dir));
    EXPECT_EQ(prev.uninstaller, W(dir + "/uninst.ep"));
    EXPECT_TRUE(R::IsInstalled(prev));
}

TEST(InstallRecords, ReportedUninstallerIsRecordedOnlyWhenItExists) {
    const std::string dir = HomePath("a");
    testsupport::MakeDirs(dir);
    testsupport::WriteFile(dir + "/remove.sh", "u");
    R::RecordInstallation(W(dir), W(dir + "/remove.sh"));
    // A later installation without an uninstaller file leaves the old value.
    R::RecordInstallation(W(HomePath("b")), W(HomePath("b/gone.sh")));
    EXPECT_EQ(Ini(Store(), "Software\\TaMikSoft\\lumoraapp", "InstallPath"), HomePath("b"));
    EXPECT_EQ(Ini(Store(), "Software\\TaMikSoft\\lumoraapp", "UnInstallEp"), dir + "/remove.sh");
}

TEST(InstallRecords, MissingValuesMeanNotInstalled) {
    const R::Previous none = R::ReadPrevious();
    EXPECT_TRUE(none.installPath.empty());
    EXPECT_TRUE(none.uninstaller.empty());
    EXPECT_FALSE(R::IsInstalled(none));
    // A recorded folder that is gone: not installed either.
    Platform::WriteRegistryValue("Software\\TaMikSoft\\lumoraapp", "InstallPath", HomePath("gone"),
                                 nullptr);
    const R::Previous gone = R::ReadPrevious();
    EXPECT_EQ(gone.uninstaller, W(HomePath("gone/uninst.ep")));
    EXPECT_FALSE(R::IsInstalled(gone));
}

TEST(InstallRecords, DefaultDirectoryRules) {
    const std::wstring programs = W(Platform::ProgramFilesDirectory());
    const std::wstring data = W(std::getenv("XDG_DATA_HOME"));
    EXPECT_EQ(R::DefaultInstallDir({}, true, true), data + L"/tamik/lumoratool");
    EXPECT_EQ(R::DefaultInstallDir({}, true, false), programs + L"/lumoratool");
    EXPECT_EQ(R::DefaultInstallDir({}, false, true), programs + L"/lumoratool");

    // The previous folder, when its uninstaller is there.
    const std::string prev = HomePath("Apps/lumoratool");
    R::Previous p{W(prev), W(prev + "/uninst.ep")};
    EXPECT_EQ(R::DefaultInstallDir(p, true, true), data + L"/tamik/lumoratool");
    testsupport::MakeDirs(prev);
    testsupport::WriteFile(prev + "/uninst.ep", "u");
    EXPECT_EQ(R::DefaultInstallDir(p, false, false), W(prev));
}

TEST(InstallRecords, ChosenDirectoryRules) {
    const std::wstring def = L"/home/u/.local/opt/lumoratool";
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/srv/Soft", L"/srv/Soft/lumoratool"},
        {L"/srv\\Soft\\", L"/srv/Soft/lumoratool"},
        {L"/srv/", L"/srv/lumoratool"},
        {def, def},
        {def + L"/", def},
        {L"/home/u/.local/opt/./lumoratool", def},
        {L"/home/u/.local/opt", L"/home/u/.local/opt/lumoratool"},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(R::ChosenInstallDir(text, def), expected);
}

TEST(InstallRecords, KeepExistingCopyOnlyForExactlyFalse) {
    const std::string dir = HomePath("Apps/lumoratool");
    testsupport::MakeDirs(dir);
    EXPECT_FALSE(R::KeepExistingCopy(W(dir), W(dir)));  // no set.ini
    const std::pair<const char*, bool> cases[] = {
        {"false", true}, {"False", false}, {"true", false}, {"", false}};
    for (auto [value, keep] : cases) {
        Platform::WriteProfileString(dir + "/set.ini", "Uninstall", "IsOverride", value, nullptr);
        EXPECT_EQ(R::KeepExistingCopy(W(dir), W(dir)), keep) << value;
        EXPECT_EQ(R::KeepExistingCopy(W(dir + "/"), W(dir)), keep) << value;
    }
    EXPECT_FALSE(R::KeepExistingCopy(W(HomePath("other")), W(dir)));
}

TEST(InstallRecords, SettingsFileAndAnalyticsKey) {
    const std::string dir = HomePath("inst");
    testsupport::MakeDirs(dir);
    R::WriteSettingsFile(W(dir), {L"lumora-setup", L"lumoraapp"});
    const std::string ini = dir + "/set.ini";
    EXPECT_EQ(Ini(ini, "Install", "AppName"), "lumoraapp");
    EXPECT_EQ(Ini(ini, "Install", "APPStore"), "lumora-setup");
    const std::string id1 = Ini(ini, "Install", "DeviceID");
    EXPECT_TRUE(std::regex_match(id1, std::regex("[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}"))) << id1;
    const std::string identity =
        std::string(std::getenv("XDG_DATA_HOME")) + "/TaMikData/lumoratool/QVBeaconAnalytics.ini";
    EXPECT_EQ(Ini(ini, "Install", "QVBeaconAnalyticsIni"), identity);
    EXPECT_TRUE(std::regex_match(Ini(identity, "Init", "UpdateTime"),
                                 std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    // Every write puts a new identity.
    R::WriteSettingsFile(W(dir), {L"lumora-setup", L"lumoraapp"});
    EXPECT_NE(Ini(ini, "Install", "DeviceID"), id1);
}

TEST(InstallRecords, DataFolderThatCannotBeMadeLeavesTheKeyOut) {
    const std::string dir = HomePath("inst");
    testsupport::MakeDirs(dir);
    // A file stands where the data folder's parent would be.
    const std::string data = std::string(std::getenv("XDG_DATA_HOME"));
    testsupport::WriteFile(data + "/TaMikData", "not a folder");
    R::WriteSettingsFile(W(dir), {L"lumora-setup", L"lumoraapp"});
    EXPECT_EQ(Ini(dir + "/set.ini", "Install", "AppName"), "lumoraapp");
    EXPECT_EQ(Ini(dir + "/set.ini", "Install", "QVBeaconAnalyticsIni"), "<missing>");
}

}  // namespace
