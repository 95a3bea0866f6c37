#include "ui/Localisation.h"

#include <json/json.h>

#include <cctype>
#include <exception>
#include <map>
#include <memory>

#include "platform/ProfileIni.h"
#include "platform/UiLanguage.h"
#include "toolkit/Toolkit.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Localisation {

namespace {

constexpr size_t kMaxLanguageFile = 0x400000;

const char* const kLocales[] = {"en-US", "zh-CN", "zh-TW", "id-ID", "tr-TR", "de-DE", "fr-FR",
                                "es-ES", "pt-PT", "ja-JP", "ko-KR", "pl-PL", "nl-NL", "it-IT"};

// Windows language identifiers by ISO 639 language and ISO 3166 country;
// "" is the language's own default (what the system picks for the bare
// language).
struct LanguageIds {
    uint16_t byDefault;
    std::map<std::string, uint16_t> byCountry;
};

const std::map<std::string, LanguageIds>& LanguageIdTable() {
    static const std::map<std::string, LanguageIds> table = {
        {"en",
         {1033,
          {{"US", 1033},
           {"GB", 2057},
           {"AU", 3081},
           {"CA", 4105},
           {"NZ", 5129},
           {"IE", 6153},
           {"ZA", 7177},
           {"JM", 8201},
           {"BZ", 10249},
           {"TT", 11273},
           {"ZW", 12297},
           {"PH", 13321},
           {"IN", 16393},
           {"MY", 17417},
           {"SG", 18441}}}},
        {"zh", {2052, {{"CN", 2052}, {"TW", 1028}, {"HK", 3076}, {"SG", 4100}, {"MO", 5124}}}},
        {"id", {1057, {}}},
        {"tr", {1055, {}}},
        {"de", {1031, {{"DE", 1031}, {"CH", 2055}, {"AT", 3079}, {"LU", 4103}, {"LI", 5127}}}},
        {"fr",
         {1036,
          {{"FR", 1036}, {"BE", 2060}, {"CA", 3084}, {"CH", 4108}, {"LU", 5132}, {"MC", 6156}}}},
        {"es", {3082, {{"ES", 3082},  {"MX", 2058},  {"GT", 4106},  {"CR", 5130},  {"PA", 6154},
                       {"DO", 7178},  {"VE", 8202},  {"CO", 9226},  {"PE", 10250}, {"AR", 11274},
                       {"EC", 12298}, {"CL", 13322}, {"UY", 14346}, {"PY", 15370}, {"BO", 16394},
                       {"SV", 17418}, {"HN", 18442}, {"NI", 19466}, {"PR", 20490}, {"US", 21514}}}},
        {"pt", {1046, {{"BR", 1046}, {"PT", 2070}}}},
        {"ja", {1041, {}}},
        {"ko", {1042, {}}},
        {"pl", {1045, {}}},
        {"nl", {1043, {{"NL", 1043}, {"BE", 2067}}}},
        {"it", {1040, {{"IT", 1040}, {"CH", 2064}}}},
        {"ru", {1049, {}}},
        {"uk", {1058, {}}},
        {"ar", {1025, {}}},
        {"he", {1037, {}}},
        {"th", {1054, {}}},
        {"vi", {1066, {}}},
        {"sv", {1053, {}}},
        {"da", {1030, {}}},
        {"nb", {1044, {}}},
        {"fi", {1035, {}}},
        {"cs", {1029, {}}},
        {"hu", {1038, {}}},
        {"el", {1032, {}}},
        {"ro", {1048, {}}},
    };
    return table;
}

// The built-in text for 104: the shipped package has no language data, and
// the low-disk-space prompt must still say what is wrong.
constexpr const wchar_t* kBuiltInNotEnoughSpace =
    L"磁盘剩余空间不足1GB，\r\n请清理磁盘或更换安装路径后再安装";

}  // namespace

const std::vector<std::string>& LanguageListNarrow() {
    static const std::vector<std::string> list(std::begin(kLocales), std::end(kLocales));
    return list;
}

const std::vector<std::wstring>& LanguageList() {
    static const std::vector<std::wstring> list = [] {
        std::vector<std::wstring> wide;
        for (const char* l : kLocales) wide.push_back(Utils::FromUtf8(l));
        return wide;
    }();
    return list;
}

uint16_t LanguageIdFromLocale(const std::string& posixLocale) {
    // language[_COUNTRY][.codeset][@modifier]; "-" is accepted too.
    std::string name = posixLocale.substr(0, posixLocale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX") return 1033;
    const size_t sep = name.find_first_of("_-");
    std::string language = name.substr(0, sep);
    std::string country = sep == std::string::npos ? std::string() : name.substr(sep + 1);
    for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : country) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const auto& table = LanguageIdTable();
    const auto lang = table.find(language);
    if (lang == table.end()) return 0;
    const auto ctry = lang->second.byCountry.find(country);
    return ctry == lang->second.byCountry.end() ? lang->second.byDefault : ctry->second;
}

int LanguageIndexFromId(uint32_t languageId) {
    switch (languageId) {
        case 1033:
            return 0;
        case 1028:
            return 2;
        case 1057:
            return 3;
        case 1055:
            return 4;
        case 1031:
            return 5;
        case 1036:
            return 6;
        case 1034:
        case 2058:
        case 3082:
        case 4106:
        case 5130:
        case 6154:
        case 7178:
        case 8202:
        case 9226:
        case 10250:
        case 11274:
        case 12298:
        case 13322:
        case 14346:
        case 15370:
        case 16394:
        case 17418:
        case 18442:
        case 19466:
        case 20490:
            return 7;
        case 1046:
            return 8;
        case 1041:
            return 9;
        case 1042:
            return 10;
        case 1045:
            return 11;
        case 1043:
        case 2067:
            return 12;
        case 1040:
            return 13;
        default:
            return 0;
    }
}

int GetUILanguageIndex() {
    return LanguageIndexFromId(LanguageIdFromLocale(Platform::UserInterfaceLocale()));
}

int LoadLanguage(int index, const std::wstring& localeName, bool* loaded) {
    if (loaded) *loaded = false;
    const Toolkit::CSkinArchive::Entry* file =
        Toolkit::CResourceManager::Instance().Archive().Find(L"language.json");
    if (!file || file->bytes.empty() || file->bytes.size() > kMaxLanguageFile) return 0;

    const std::vector<std::string>& names = LanguageListNarrow();
    int chosen = 0;
    if (!localeName.empty()) {
        const std::string wanted = Utils::ToAnsi(localeName);
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == wanted) chosen = static_cast<int>(i);
        }
    } else if (index >= 0 && index < static_cast<int>(names.size())) {
        chosen = index;
    }

    const std::string& member = names[chosen];
    std::vector<std::pair<std::wstring, std::wstring>> texts;
    std::string errors;
    try {
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        const char* begin = reinterpret_cast<const char*>(file->bytes.data());
        if (!reader->parse(begin, begin + file->bytes.size(), &root, &errors) ||
            !(root.isArray() || root.isObject())) {
            LOG(L"language.json not read: %ls", Utils::FromUtf8(errors).c_str());
            return 0;
        }
        // An object's member values are iterated like an array's items.
        for (const Json::Value& entry : root) {
            if (!entry.isObject()) continue;
            const Json::Value& id = entry["id"];
            if (!id.isInt64()) continue;
            const Json::Value& text = entry[member];
            texts.emplace_back(std::to_wstring(id.asInt64()),
                               text.isString() ? Utils::FromUtf8(text.asString()) : std::wstring());
        }
    } catch (const std::exception& e) {
        // The reader throws for nesting deeper than its stack limit.
        LOG(L"language.json not read: %ls", Utils::FromUtf8(e.what()).c_str());
        return 0;
    }
    for (const auto& [key, text] : texts) Toolkit::CPaintManagerUI::SetTextTableEntry(key, text);
    if (loaded) *loaded = true;
    return chosen;
}

std::wstring GetLocaleName(const Toolkit::CComboUI* combo) {
    if (!combo) return {};
    const std::vector<std::wstring>& list = LanguageList();
    const int sel = combo->GetCurSel();
    return sel >= 0 && sel < static_cast<int>(list.size()) ? list[sel] : list[0];
}

void FillLanguageCombo(Toolkit::CComboUI& combo) {
    combo.RemoveAll();
    for (const std::wstring& name : LanguageList()) combo.AddItem(name);
}

std::wstring PreviousInstallLanguage(const std::wstring& installPath) {
    if (installPath.empty()) return {};
    const std::string file = Utils::ToAnsi(installPath) + "/config.ini";
    if (!Platform::PathExists(file)) return {};
    return Utils::FromAnsi(Platform::ReadProfileString(file, "Install", "Language", "en-US"));
}

std::wstring LocalisedText(int id) {
    std::wstring text = Toolkit::CPaintManagerUI::GetTextTableEntry(std::to_wstring(id));
    if (text.empty() && id == kTextNotEnoughSpace) text = kBuiltInNotEnoughSpace;
    return text;
}

}  // namespace Localisation
