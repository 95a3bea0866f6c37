#pragma once
// The installer's fourteen interface languages: the language list, the
// user's interface language as an index of it, the numbered texts of
// "language.json" in the skin package, and the language a previous
// installation used. The texts go into the toolkit's text table, from which
// controls with a "textid" and the program read them. UI thread only.
#include <cstdint>
#include <string>
#include <vector>

namespace Toolkit {
class CComboUI;
}

namespace Localisation {

// Index -> locale name ("en-US", "zh-CN", ...), once as narrow text (the
// member names of "language.json") and once as wide text (the name handed
// to the package).
const std::vector<std::string>& LanguageListNarrow();
const std::vector<std::wstring>& LanguageList();

// The Windows language identifier of a POSIX locale name: "es_MX.UTF-8"
// gives 2058, "zh_CN" 2052, "de" 1031; "C", "POSIX" and "" give 1033 (the
// C locale's messages are English); an unknown language gives 0.
uint16_t LanguageIdFromLocale(const std::string& posixLocale);
// The index for a Windows language identifier (1033 -> 0, 2058 -> 7, ...);
// any identifier the table does not list, 2052 included, gives 0.
int LanguageIndexFromId(uint32_t languageId);
// The user's interface language (Platform::UserInterfaceLocale) as an index.
int GetUILanguageIndex();

// Loads the texts of one language from "language.json" in the open skin
// package into the text table, keyed by each entry's "id". The language is
// `localeName` when it is not empty (an unknown name gives index 0), else
// `index` when the list has it, else 0. Returns the index used; 0 and
// nothing changed when the file is absent, empty, larger than 4 MiB or not
// a JSON array or object. *loaded (when given) says whether texts were
// loaded.
int LoadLanguage(int index, const std::wstring& localeName, bool* loaded = nullptr);

// The locale name of the item selected in the combo: "en-US" for an index
// outside the list (nothing selected), empty without a combo.
std::wstring GetLocaleName(const Toolkit::CComboUI* combo);

// Fills the combo with the language list (replacing what it held).
void FillLanguageCombo(Toolkit::CComboUI& combo);

// "Language" of section "Install" in "config.ini" of a previous
// installation's folder ("en-US" when the key is missing); empty when that
// file does not exist.
std::wstring PreviousInstallLanguage(const std::wstring& installPath);

// Text `id` of the text table. The low-disk-space text (104) falls back to
// a built-in Chinese text when the language data gives none, so that prompt
// is never empty.
std::wstring LocalisedText(int id);
constexpr int kTextNotEnoughSpace = 104;

}  // namespace Localisation
