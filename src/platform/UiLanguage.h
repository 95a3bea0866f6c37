#pragma once
// The language the user wants the interface in, as the POSIX locale says it.
#include <string>

namespace Platform {

// The first of LANGUAGE (its first entry), LC_ALL, LC_MESSAGES and LANG that
// is set and not empty, e.g. "es_MX.UTF-8"; empty when none is. Any thread.
std::string UserInterfaceLocale();

}  // namespace Platform
