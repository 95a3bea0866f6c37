#include <gdk/gdk.h>
#include <uuid/uuid.h>

#include <cstdlib>

#include "TrackerSystem.h"

namespace tamik::beacon::sys {

bool NewGuidText(std::string* text) {
    uuid_t id;
    uuid_generate_random(id);
    char buf[37];
    uuid_unparse_upper(id, buf);
    *text = buf;
    return text->size() == 36;
}

void ScreenSize(int* width, int* height) {
    *width = *height = 0;
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    if ((!x || !*x) && (!w || !*w)) return;
    GdkDisplay* display = gdk_display_get_default();
    bool own = false;
    if (!display) {
        display = gdk_display_open(nullptr);
        own = display != nullptr;
    }
    if (!display) return;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor && gdk_display_get_n_monitors(display) > 0)
        monitor = gdk_display_get_monitor(display, 0);
    if (monitor) {
        GdkRectangle r{};
        gdk_monitor_get_geometry(monitor, &r);
        const int scale = gdk_monitor_get_scale_factor(monitor);
        *width = r.width * scale;
        *height = r.height * scale;
    }
    if (own) gdk_display_close(display);
}

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

}  // namespace tamik::beacon::sys

#include <pwd.h>
#include <unistd.h>

namespace tamik::beacon::sys {

std::string LocalAppDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) {
        home = h;
    } else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) {
        home = pw->pw_dir;
    }
    if (home.empty()) return "";
    return home + "/.local/share";
}

}  // namespace tamik::beacon::sys

#include <fstream>
#include <iterator>

namespace tamik::beacon::sys {

std::vector<std::string> ProcessArguments() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    size_t start = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i] == '\0') {
            args.push_back(all.substr(start, i - start));
            start = i + 1;
        }
    }
    return args;
}

}  // namespace tamik::beacon::sys
