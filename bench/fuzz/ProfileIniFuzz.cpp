// The INI layer over files that other programs, other versions or a user's
// editor wrote: the configuration file beside the executable, set.ini,
// config.ini of a previous installation, the registry store.
//
// Input: three length bytes, then that many bytes of a section name, a key
// name (both mapped onto the characters our names use) and a value; the
// rest is the file.
//
// Properties: reading never fails on any file; a written value reads back
// as written (less the blanks and one pair of quotes that reading removes),
// or the write is refused with a reason; the keys we probe that the write
// did not touch read the same before and after.
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "SettingsUse.h"
#include "app/InstallerConfig.h"
#include "platform/ProfileIni.h"
#include "utils/Text.h"

namespace {

// Section and key names of the program's own files (and a few more).
const std::pair<const char*, const char*> kProbes[] = {
    {"Install", "DownloadUrl"},
    {"Install", "DownloadType"},
    {"Install", "DownloadScale"},
    {"Install", "InstCmd"},
    {"Install", "Language"},
    {"Install", "IsCheckNet"},
    {"Software\\TaMikSoft\\lumoraapp", "InstallPath"},
    {"Qv", "DistinctId"},
    {"install", "downloadurl"},
    {"", "k"},
    {"a", "b"},
};

// Names as the program writes them: letters, digits and a few separators.
std::string Name(const std::string& bytes) {
    static const char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-.\\";
    std::string out;
    for (unsigned char b : bytes) out += kChars[b % (sizeof kChars - 1)];
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value reading gives back for a written one: blanks around it and one
// pair of enclosing quotes removed.
std::string AsRead(std::string v) {
    while (!v.empty() && IsBlank(v.back())) v.pop_back();
    size_t lead = 0;
    while (lead < v.size() && IsBlank(v[lead])) ++lead;
    v.erase(0, lead);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const size_t sectionLength = in.Byte() % 40, keyLength = in.Byte() % 24,
                 valueLength = in.Byte() % 96;
    const std::string section = Name(in.Bytes(sectionLength));
    std::string key = Name(in.Bytes(keyLength));
    if (key.empty()) key = "k";
    // Values reach the layer as C strings.
    std::string value = in.Bytes(valueLength);
    value = value.substr(0, value.find('\0'));
    const std::string file = in.Rest();

    const std::string path = fuzzsupport::PrivateHome() + "/profile.ini";
    FUZZ_CHECK(fuzzsupport::WriteFile(path, file), "cannot write the file");

    // The configuration file's reader, and the session that uses its values.
    const InstallerConfig config(Utils::FromUtf8(path));
    fuzzsupport::UseSettings(config);

    std::vector<std::string> before;
    for (auto [s, k] : kProbes) before.push_back(Platform::ReadProfileString(path, s, k, "\x01"));
    Platform::ReadProfileInt(path, section, key, -7);

    std::string err;
    if (!Platform::WriteProfileString(path, section, key, value, &err)) {
        FUZZ_CHECK(!err.empty(), "a refused write without a reason");
        return 0;
    }
    const std::string got = Platform::ReadProfileString(path, section, key, "\x01");
    FUZZ_CHECK(got == AsRead(value),
               "wrote [" + section + "] " + key + "=" + value + ", read back " + got);
    for (size_t i = 0; i < std::size(kProbes); ++i) {
        if (SameName(kProbes[i].first, section) && SameName(kProbes[i].second, key)) continue;
        const std::string after =
            Platform::ReadProfileString(path, kProbes[i].first, kProbes[i].second, "\x01");
        FUZZ_CHECK(after == before[i], std::string("writing [") + section + "] " + key +
                                           " changed [" + kProbes[i].first + "] " +
                                           kProbes[i].second + " from " + before[i] + " to " +
                                           after);
    }
    return 0;
}
