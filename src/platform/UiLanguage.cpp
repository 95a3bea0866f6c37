#include "platform/UiLanguage.h"

#include <cstdlib>

namespace Platform {

std::string UserInterfaceLocale() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (!v || !*v) continue;
        std::string value(v);
        // LANGUAGE is a list in order of preference: "es_MX:es:en".
        if (std::string(name) == "LANGUAGE") value = value.substr(0, value.find(':'));
        if (!value.empty()) return value;
    }
    return {};
}

}  // namespace Platform
