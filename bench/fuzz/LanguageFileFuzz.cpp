// The language file of the skin package ("language.json") loaded into the
// text table, and the locale names the environment gives.
//
// Input: byte 0 picks the language (an index, or a locale name from the
// list, or one that is not in it); the rest is the file, packed into a skin
// archive of its own. With byte 0 at 255 the rest is a POSIX locale name
// instead.
//
// Properties: the index used is one of the list; a file that was not
// loaded leaves the text table as it was; the low-disk-space text is never
// empty.
#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "toolkit/Toolkit.h"
#include "ui/Localisation.h"
#include "utils/Text.h"

namespace {

// A 7z archive holding `bytes` as language.json, stored without compression.
std::vector<uint8_t> SkinWith(const std::string& bytes) {
    std::vector<uint8_t> out(bytes.size() + 4096);
    size_t used = 0;
    struct archive* a = archive_write_new();
    archive_write_set_format_7zip(a);
    archive_write_set_format_option(a, "7zip", "compression", "store");
    if (archive_write_open_memory(a, out.data(), out.size(), &used) != ARCHIVE_OK) {
        archive_write_free(a);
        return {};
    }
    struct archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, "language.json");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, static_cast<la_int64_t>(bytes.size()));
    archive_write_header(a, e);
    archive_write_data(a, bytes.data(), bytes.size());
    archive_entry_free(e);
    const bool ok = archive_write_close(a) == ARCHIVE_OK;
    archive_write_free(a);
    if (!ok) return {};
    out.resize(used);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const uint8_t choice = in.Byte();
    const std::string rest = in.Rest();
    const auto& names = Localisation::LanguageList();

    if (choice == 255) {
        const uint16_t id = Localisation::LanguageIdFromLocale(rest);
        const int index = Localisation::LanguageIndexFromId(id);
        FUZZ_CHECK(index >= 0 && index < static_cast<int>(names.size()), "index outside the list");
        return 0;
    }
    int index = -1;
    std::wstring locale;
    if (choice < 64)
        index = choice % 20 - 3;  // some outside the list
    else if (choice < 128)
        locale = names[choice % names.size()];
    else
        locale = L"xx-XX";

    const std::vector<uint8_t> skin = SkinWith(rest);
    FUZZ_CHECK(!skin.empty(), "cannot pack the language file");
    auto& resources = Toolkit::CResourceManager::Instance();
    resources.Reset();
    std::string error;
    FUZZ_CHECK(resources.OpenArchive(L"skin", skin, &error), "packed skin refused: " + error);

    Toolkit::CPaintManagerUI::ClearTextTable();
    Toolkit::CPaintManagerUI::SetTextTableEntry(L"100", L"before");
    bool loaded = false;
    const int used = Localisation::LoadLanguage(index, locale, &loaded);
    FUZZ_CHECK(used >= 0 && used < static_cast<int>(names.size()), "index outside the list");
    if (!loaded) {
        FUZZ_CHECK(used == 0, "a file that was not loaded chose a language");
        FUZZ_CHECK(Toolkit::CPaintManagerUI::GetTextTableEntry(L"100") == L"before",
                   "a file that was not loaded changed the texts");
    }
    FUZZ_CHECK(!Localisation::LocalisedText(Localisation::kTextNotEnoughSpace).empty(),
               "the low-disk-space text is empty");
    resources.Reset();
    return 0;
}
