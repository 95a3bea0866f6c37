#include "platform/Screen.h"

#include <gdk/gdk.h>

#include <cstdlib>

namespace Platform {

void PrimaryScreenSize(int* width, int* height) {
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

}  // namespace Platform
