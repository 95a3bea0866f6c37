// The interface languages: the user's language as an index, the texts of
// "language.json", and the main window's language combo with a skin package
// that has one.
#include "ui/Localisation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "MainWndFixture.h"
#include "platform/ProfileIni.h"
#include "platform/Resources.h"
#include "support/TempHome.h"
#include "utils/Text.h"

using namespace Toolkit;

namespace {

struct LocaleCase {
    const char* locale;
    uint16_t id;
    int index;
};

TEST(Localisation, PosixLocalesMapToTheLanguageIdsAndIndexes) {
    const LocaleCase cases[] = {
        {"es_MX.UTF-8", 2058, 7},
        {"zh_CN.UTF-8", 2052, 0},
        {"zh_TW", 1028, 2},
        {"zh_HK.UTF-8", 3076, 0},
        {"en_US.UTF-8", 1033, 0},
        {"en_GB", 2057, 0},
        {"de_DE.UTF-8@euro", 1031, 5},
        {"de_AT", 3079, 0},
        {"de", 1031, 5},
        {"fr_FR", 1036, 6},
        {"es_ES", 3082, 7},
        {"es", 3082, 7},
        {"es_AR", 11274, 7},
        {"es_US", 21514, 0},
        {"pt_BR", 1046, 8},
        {"pt_PT", 2070, 0},
        {"ja_JP.eucJP", 1041, 9},
        {"ko_KR", 1042, 10},
        {"pl_PL", 1045, 11},
        {"nl_NL", 1043, 12},
        {"nl_BE", 2067, 12},
        {"it_IT", 1040, 13},
        {"id_ID", 1057, 3},
        {"tr_TR", 1055, 4},
        {"ru_RU", 1049, 0},
        {"C", 1033, 0},
        {"POSIX", 1033, 0},
        {"", 1033, 0},
        {"xx_YY", 0, 0},
        {"ES-mx", 2058, 7},
    };
    for (const LocaleCase& c : cases) {
        EXPECT_EQ(Localisation::LanguageIdFromLocale(c.locale), c.id) << c.locale;
        EXPECT_EQ(Localisation::LanguageIndexFromId(c.id), c.index) << c.locale;
    }
    EXPECT_EQ(Localisation::LanguageIndexFromId(1034), 7);
    EXPECT_EQ(Localisation::LanguageIndexFromId(20490), 7);
}

TEST(Localisation, UserLanguageComesFromLanguageThenLcAllThenLcMessagesThenLang) {
    struct Env {
        const char *language, *lcAll, *lcMessages, *lang;
        int index;
    };
    const Env cases[] = {
        {"es_MX:en_US", "de_DE.UTF-8", "ja_JP", "zh_TW", 7},
        {nullptr, "de_DE.UTF-8", "ja_JP", "zh_TW", 5},
        {"", "", "ja_JP.UTF-8", "zh_TW", 9},
        {nullptr, nullptr, nullptr, "zh_TW.UTF-8", 2},
        {nullptr, nullptr, nullptr, nullptr, 0},
    };
    for (const Env& e : cases) {
        const std::pair<const char*, const char*> vars[] = {{"LANGUAGE", e.language},
                                                            {"LC_ALL", e.lcAll},
                                                            {"LC_MESSAGES", e.lcMessages},
                                                            {"LANG", e.lang}};
        for (const auto& [name, value] : vars) {
            if (value)
                ::setenv(name, value, 1);
            else
                ::unsetenv(name);
        }
        EXPECT_EQ(Localisation::GetUILanguageIndex(), e.index)
            << (e.language ? e.language : "-") << " " << (e.lcAll ? e.lcAll : "-");
    }
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Opens a skin package holding only "language.json" with `json`.
void OpenLanguageArchive(const std::string& json) {
    const std::string dir = testsupport::CurrentTestHome() + "/pkg";
    testsupport::MakeDirs(dir);
    testsupport::WriteFile(dir + "/language.json", json);
    const std::string archive = testsupport::CurrentTestHome() + "/pkg.7z";
    std::remove(archive.c_str());
    ASSERT_EQ(std::system(("cd '" + dir + "' && '" + LUMORA_7ZZ_PROGRAM + "' a -t7z -bso0 -bsp0 '" +
                           archive + "' language.json")
                              .c_str()),
              0);
    CResourceManager::Instance().Reset();
    std::string error;
    ASSERT_TRUE(CResourceManager::Instance().OpenArchive(L"membuffer", ReadBytes(archive), &error))
        << error;
}

class LanguageFile : public testing::Test {
protected:
    void SetUp() override {
        CPaintManagerUI::ClearTextTable();
        CResourceManager::Instance().Reset();
    }
    void TearDown() override {
        CPaintManagerUI::ClearTextTable();
        CResourceManager::Instance().Reset();
    }
    static std::wstring T(int id) {
        return CPaintManagerUI::GetTextTableEntry(std::to_wstring(id));
    }
};

TEST_F(LanguageFile, TheShippedFixtureLoadsByIndexOrByName) {
    std::string error;
    ASSERT_TRUE(CResourceManager::Instance().OpenArchive(
        L"membuffer", ReadBytes(LUMORA_LANG_SKIN_PACKAGE), &error))
        << error;
    bool loaded = false;
    EXPECT_EQ(Localisation::LoadLanguage(5, L"", &loaded), 5);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(T(100), L"Sprache:");
    EXPECT_EQ(Localisation::LoadLanguage(0, L"zh-TW"), 2);
    EXPECT_EQ(T(101), L"安裝路徑：");
    // An unknown name and an index outside the list give the first language.
    EXPECT_EQ(Localisation::LoadLanguage(3, L"xx-XX"), 0);
    EXPECT_EQ(T(102), L"Back");
    EXPECT_EQ(Localisation::LoadLanguage(99, L""), 0);
    EXPECT_EQ(Localisation::LoadLanguage(-1, L""), 0);
    // Every one of the fourteen languages has its texts.
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(Localisation::LoadLanguage(i, L""), i);
        EXPECT_FALSE(T(104).empty()) << i;
        EXPECT_EQ(T(105).empty(), i == 13) << "105 has no Italian text";
    }
    EXPECT_EQ(Localisation::LocalisedText(104), L"Su questo disco è libero meno di 1 GB.");
}

TEST_F(LanguageFile, BothRootFormsAndEntriesThatAreNoTexts) {
    OpenLanguageArchive(
        R"({"a": {"id": 7, "en-US": "seven", "de-DE": "sieben"},
            "b": {"id": 8, "en-US": 8},
            "c": {"en-US": "no id"},
            "d": "not an entry",
            "e": {"id": "9", "en-US": "id is text"},
            "f": {"id": 18446744073709551615, "en-US": "id beyond 64 bits"}})");
    EXPECT_EQ(Localisation::LoadLanguage(5, L""), 5);
    EXPECT_EQ(T(7), L"sieben");
    EXPECT_EQ(Localisation::LoadLanguage(0, L"en-US"), 0);
    EXPECT_EQ(T(7), L"seven");
    EXPECT_EQ(T(8), L"");
    EXPECT_EQ(T(9), L"");

    OpenLanguageArchive(R"([{"id": 104, "ja-JP": "容量不足"}, 3, null])");
    EXPECT_EQ(Localisation::LoadLanguage(9, L""), 9);
    EXPECT_EQ(T(104), L"容量不足");
}

TEST_F(LanguageFile, UnusableFilesChangeNothing) {
    CPaintManagerUI::SetTextTableEntry(L"104", L"kept");
    struct Case {
        const char* what;
        std::string json;
    };
    const Case cases[] = {
        {"not JSON", "[{\"id\": 104, \"en-US\": \"x\""},
        {"a number", "42"},
        {"empty", ""},
        {"over 4 MiB",
         "[{\"id\": 104, \"en-US\": \"big\"}" + std::string(4 * 1024 * 1024, ' ') + "]"},
        {"deeply nested", std::string(100000, '[') + std::string(100000, ']')},
    };
    for (const Case& c : cases) {
        OpenLanguageArchive(c.json);
        bool loaded = true;
        EXPECT_EQ(Localisation::LoadLanguage(5, L"", &loaded), 0) << c.what;
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_EQ(T(104), L"kept") << c.what;
    }
    // No package at all.
    CResourceManager::Instance().Reset();
    EXPECT_EQ(Localisation::LoadLanguage(5, L""), 0);
    EXPECT_EQ(T(104), L"kept");
}

TEST_F(LanguageFile, LowDiskSpaceTextIsNeverEmpty) {
    EXPECT_EQ(Localisation::LocalisedText(104),
              L"磁盘剩余空间不足1GB，\r\n请清理磁盘或更换安装路径后再安装");
    CPaintManagerUI::SetTextTableEntry(L"104", L"");
    EXPECT_FALSE(Localisation::LocalisedText(104).empty());
    CPaintManagerUI::SetTextTableEntry(L"104", L"replaced");
    EXPECT_EQ(Localisation::LocalisedText(104), L"replaced");
    EXPECT_EQ(Localisation::LocalisedText(103), L"");
}

TEST(Localisation, PreviousInstallationLanguage) {
    const std::string dir = testsupport::CurrentTestHome() + "/prev";
    testsupport::MakeDirs(dir);
    EXPECT_EQ(Localisation::PreviousInstallLanguage(Utils::FromAnsi(dir)), L"");
    testsupport::WriteFile(dir + "/config.ini", "[Other]\nLanguage=de-DE\n");
    EXPECT_EQ(Localisation::PreviousInstallLanguage(Utils::FromAnsi(dir)), L"en-US");
    testsupport::WriteFile(dir + "/config.ini", "[install]\nlanguage = zh-TW\n");
    EXPECT_EQ(Localisation::PreviousInstallLanguage(Utils::FromAnsi(dir)), L"zh-TW");
}

// The main window with the language skin.
class LanguageWindow : public mwtest::MainWndTest {
protected:
    void SetUp() override {
        mwtest::MainWndTest::SetUp();
        if (IsSkipped()) return;
        m_Bytes = ReadBytes(LUMORA_LANG_SKIN_PACKAGE);
        ASSERT_FALSE(m_Bytes.empty());
        Platform::RegisterResource("ZIPRES", 147, m_Bytes.data(), m_Bytes.size());
        CResourceManager::Instance().Reset();
        CPaintManagerUI::ClearTextTable();
    }
    void TearDown() override {
        mwtest::MainWndTest::TearDown();
        CResourceManager::Instance().Reset();
        CPaintManagerUI::ClearTextTable();
    }
    CComboUI* Combo() {
        return static_cast<CComboUI*>(Find(L"languageCombo")->GetInterface(L"Combo"));
    }
    // The label's fixed width is its text's width (and its padding).
    void ExpectFitted(const wchar_t* name) {
        auto* label = static_cast<CLabelUI*>(Find(name)->GetInterface(L"Label"));
        const UIRect& pad = label->GetTextPadding();
        EXPECT_EQ(label->GetFixedWidth(), label->GetTextExtent().cx + pad.left + pad.right)
            << Utils::ToUtf8(name);
        EXPECT_GT(label->GetFixedWidth(), pad.left + pad.right) << Utils::ToUtf8(name);
    }

private:
    std::vector<uint8_t> m_Bytes;
};

TEST_F(LanguageWindow, CommandLineLanguageStartsTheComboAndAppliesTheTexts) {
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    MainWndSettings settings = Settings();
    settings.languageIndex = 5;
    Open(settings);
    ASSERT_EQ(Combo()->GetCount(), 14);
    EXPECT_EQ(Combo()->GetItemText(13), L"it-IT");
    EXPECT_EQ(Combo()->GetCurSel(), 5);
    EXPECT_EQ(window->GetLocaleName(), L"de-DE");
    EXPECT_EQ(Text(L"lbLanguage"), L"Sprache:");
    EXPECT_EQ(Text(L"defaultInstallBtn"), L"Jetzt installieren");
    for (const wchar_t* name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) ExpectFitted(name);
    EXPECT_EQ(window->GetLanguageIndex(), 5);

    // A choice in the combo applies at once.
    Combo()->SelectItem(9, true);
    EXPECT_EQ(Text(L"lbInstallPath"), L"インストール先：");
    EXPECT_EQ(window->GetLocaleName(), L"ja-JP");
    EXPECT_EQ(window->GetLanguageIndex(), 9);
    for (const wchar_t* name : {L"lbLanguage", L"lbInstallPath", L"backBtn"}) ExpectFitted(name);
}

TEST_F(LanguageWindow, WithoutACommandLineLanguageTheUserLanguageDecides) {
    ::unsetenv("LANGUAGE");
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", "es_MX.UTF-8", 1);
    Open();
    EXPECT_EQ(Combo()->GetCurSel(), 7);
    EXPECT_EQ(Text(L"lbLanguage"), L"Idioma:");
    window->DestroyWindow();
    ::setenv("LANG", "zh_CN.UTF-8", 1);  // 2052 is not in the table: the first language
    Open();
    EXPECT_EQ(Combo()->GetCurSel(), 0);
    EXPECT_EQ(Text(L"lbLanguage"), L"Language:");
}

TEST_F(LanguageWindow, PreviousInstallationsLanguageIsSelected) {
    struct Case {
        const char* what;
        const char* configIni;  // null: no config.ini
        int index;
    };
    const Case cases[] = {
        {"zh-TW", "[Install]\nLanguage=zh-TW\n", 2},
        {"unknown name", "[Install]\nLanguage=xx-XX\n", 0},
        {"no config.ini", nullptr, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string prev = FakePreviousInstall("old" + std::to_string(++n));
        if (c.configIni) testsupport::WriteFile(prev + "/config.ini", c.configIni);
        Answer(L"InstalledPathTipWnd.xml", L"closebtn");
        MainWndSettings settings = Settings();
        settings.languageIndex = 5;
        Open(settings);
        EXPECT_EQ(Combo()->GetCurSel(), c.index);
        EXPECT_EQ(window->GetLanguageIndex(), c.index);
        EXPECT_TRUE(RunUntilClosed());
        window.reset();
    }
}

TEST_F(LanguageWindow, PackageGetsTheLanguageAndLowSpaceTheLocalisedText) {
    const std::string args = mwtest::HomePath("args");
    server.PublishScript("printf '%s\\n' \"$@\" > '" + args + "'\necho State=Success\n");
    MainWndSettings settings = Settings();
    settings.languageIndex = 6;
    Open(settings);
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    ASSERT_TRUE(RunUntil([&] { return window->CurrentPage() == 3; }));
    EXPECT_NE(testsupport::ReadFile(args).find("-inslang=fr-FR\n"), std::string::npos)
        << testsupport::ReadFile(args);
    // The layout's own progress template.
    for (const mwtest::Shown& s : window->shown)
        if (s.code == IST_CODE_PROGRESS) {
            EXPECT_EQ(s.label, std::to_wstring(s.bar) + L"% ⋯");
        }
}

}  // namespace

namespace {

TEST_F(LanguageWindow, AgreementAndServiceBoxesEnableTheInstallButtons) {
    Open();
    auto selected = [&](const wchar_t* name) {
        return static_cast<COptionUI*>(Find(name)->GetInterface(L"Option"))->IsSelected();
    };
    ASSERT_TRUE(Click(L"treatyCb"));  // the agreement taken back
    EXPECT_FALSE(selected(L"treatyBtn"));
    EXPECT_FALSE(Enabled(L"customeBtn"));
    ASSERT_TRUE(Click(L"defaultInstallBtn"));
    EXPECT_TRUE(Visible(L"tipLbl"));
    EXPECT_EQ(window->CurrentPage(), 0);
    ASSERT_TRUE(Click(L"treatyBtn"));  // the link follows the box
    EXPECT_FALSE(selected(L"treatyBtn"));

    ASSERT_TRUE(Click(L"serviceCb"));  // off: both install buttons off
    EXPECT_FALSE(Enabled(L"defaultInstallBtn"));
    EXPECT_FALSE(Enabled(L"customeBtn"));
    ASSERT_TRUE(Click(L"serviceCb"));  // on again, but no agreement yet
    EXPECT_TRUE(Enabled(L"defaultInstallBtn"));
    EXPECT_FALSE(Enabled(L"customeBtn"));

    ASSERT_TRUE(Click(L"treatyCb"));
    EXPECT_TRUE(selected(L"treatyBtn"));
    EXPECT_TRUE(Enabled(L"customeBtn"));
    EXPECT_FALSE(Visible(L"tipLbl"));
    EXPECT_TRUE(mwtest::EventNames(L"view").empty());
}

}  // namespace
