#pragma once
// The few system facts the tracker reads, kept here so that the tracker does
// not depend on the installer's UI or pipeline layers; the system calls
// behind them are the platform layer's.
#include <string>
#include <vector>

namespace tamik::beacon::sys {

// A new random GUID as upper-case text without braces
// ("XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX"); false when none could be made.
bool NewGuidText(std::string* text);

// Size in pixels of the primary monitor of the display, 0 x 0 when there is
// no display. Opens a display connection of its own when the process has
// none, so call it from the thread that owns the UI (start-up does).
void ScreenSize(int* width, int* height);

// Language and country of the user's locale (LC_ALL, LC_MESSAGES, LANG, in
// that order): "zh_CN.UTF-8" gives "zh" and "CN". False for the C and POSIX
// locales and for a locale without a country.
bool UserLocale(std::string* language, std::string* country);

}  // namespace tamik::beacon::sys

namespace tamik::beacon::sys {

// The per-user local application data folder: $XDG_DATA_HOME when it is an
// absolute path, else ~/.local/share. No trailing "/".
std::string LocalAppDataFolder();

}  // namespace tamik::beacon::sys
