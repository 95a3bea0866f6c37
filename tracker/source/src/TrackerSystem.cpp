#include "TrackerSystem.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Guid.h"
#include "platform/Screen.h"
#include "platform/SpecialFolders.h"

namespace tamik::beacon::sys {

bool NewGuidText(std::string* text) {
    const auto b = Platform::NewGuidBytes();
    char buf[37];
    std::snprintf(buf, sizeof buf,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    *text = buf;
    return text->size() == 36;
}

void ScreenSize(int* width, int* height) { Platform::PrimaryScreenSize(width, height); }

bool UserLocale(std::string* language, std::string* country) {
    const char* value = nullptr;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            value = v;
            break;
        }
    }
    if (!value) return false;
    std::string loc(value);
    loc = loc.substr(0, loc.find_first_of(".@"));
    const size_t sep = loc.find('_');
    if (loc == "C" || loc == "POSIX" || sep == std::string::npos || sep == 0 ||
        sep + 1 >= loc.size())
        return false;
    *language = loc.substr(0, sep);
    *country = loc.substr(sep + 1);
    return true;
}

std::string LocalAppDataFolder() {
    // A relative XDG_DATA_HOME is not valid and is ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else {
        home = Platform::AccountHomeDirectory();
    }
    if (home.empty()) return "";
    return home + "/.local/share";
}

}  // namespace tamik::beacon::sys
