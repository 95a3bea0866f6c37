// ui_window_probe: opens the main window's layout, with its shadow, through
// the GTK backend on whatever display the environment names, waits for the
// first paint, reports what it sees on standard output, closes the window
// and ends. The Wayland tests run it under a headless compositor.
//
//   backend <GDK display type, e.g. GdkX11Display or GdkWaylandDisplay>
//   toplevels <GTK top-level windows mapped once the window is painted>
//   shadow <none | hidden | shown>
//   closed
//
// Exit status 0 when the window was painted and closed; 2 without a display,
// 3 when no paint came within 10 s, 4 when the window could not be made.
#include <gtk/gtk.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "ui/SequenceControls.h"
#include "ui/SkinFrame.h"

using namespace Toolkit;

namespace {

class ProbeWindow : public CSkinFrame {
public:
    ProbeWindow() : CSkinFrame(SkinDescription::ForLayout(L"MainWnd.xml")) {}
    CControlUI* CreateControl(const std::wstring& className) override {
        return CreateSequenceControl(className);
    }
    LResult HandleCustomMessage(uint32_t msg, WParam w, LParam, bool& handled) override {
        if (msg == WM_TIMER && w == kGiveUp) {
            gaveUp = true;
            handled = true;
        }
        return 0;
    }
    int Paints() const { return const_cast<ProbeWindow*>(this)->GetManager().Stats().paints; }
    static constexpr uintptr_t kGiveUp = 0x7001;
    bool gaveUp = false;
};

int MappedToplevels() {
    int mapped = 0;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next)
        mapped += gtk_widget_get_mapped(GTK_WIDGET(l->data)) ? 1 : 0;
    g_list_free(all);
    return mapped;
}

}  // namespace

int main() {
    std::ifstream in(LUMORA_TEST_SKIN_PACKAGE, std::ios::binary);
    static const std::vector<uint8_t> package((std::istreambuf_iterator<char>(in)), {});
    Platform::RegisterResource("ZIPRES", 147, package.data(), package.size());
    std::string error;
    if (!UseGtkBackend(&error)) {
        std::fprintf(stderr, "ui_window_probe: %s\n", error.c_str());
        return 2;
    }
    std::printf("backend %s\n", G_OBJECT_TYPE_NAME(gdk_display_get_default()));
    CWndShadow::Initialize();
    ProbeWindow window;
    if (!window.Create(0, L"Lumora", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0)) return 4;
    window.CenterWindow();
    CMessageLoop& loop = CMessageLoop::Instance();
    loop.SetTimer(window.GetHWND(), ProbeWindow::kGiveUp, 10000);
    loop.Run([&] { return window.Paints() == 0 && !window.gaveUp; });
    if (window.gaveUp) {
        std::printf("not painted\n");
        return 3;
    }
    // Whatever GTK has queued (the companion's map among it) is done first.
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::printf("toplevels %d\n", MappedToplevels());
    const CWndShadow& shadow = window.GetShadow();
    std::printf("shadow %s\n", !shadow.IsCreated()        ? "none"
                               : shadow.IsShadowVisible() ? "shown"
                                                          : "hidden");
    window.Close(IDOK);
    loop.Run([&] { return window.IsAlive(); });
    std::printf("closed\n");
    std::fflush(stdout);
    return 0;
}
