// bench-window: the installer's main window on the X display in $DISPLAY,
// made the way the window front-end makes it (GTK backend, the embedded skin
// package, the shadow, CMainWnd). bench/window/run drives it.
//
//   bench-window first-frame
//       prints "phase NAME NANOSECONDS" (CLOCK_MONOTONIC) as each step of
//       the start ends: main, gtk (GTK opened the display), skin (package
//       decoded), layout (tree built, InitWindow run, window centred),
//       paint (first frame painted), screen (the X server has it); then ends.
//   bench-window cpu PAGE SECONDS
//       shows page PAGE (0 quick install, 2 installing with its animation,
//       3 finished) after the first frame and prints
//       "cpu USER_SYS_MS wall WALL_MS paints N timers N" for SECONDS of the
//       running loop, with "measuring" and "done" lines around that span.
#include <gdk/gdk.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "ui/MainWnd.h"
#include "ui/WndShadow.h"

using namespace Toolkit;

namespace {

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Phase(const char* name) {
    std::printf("phase %s %lld\n", name, static_cast<long long>(NowNs()));
    std::fflush(stdout);
}

double CpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

int Usage() {
    std::fputs("usage: bench-window first-frame | cpu PAGE SECONDS\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Phase("main");
    const bool firstFrame = argc == 2 && std::strcmp(argv[1], "first-frame") == 0;
    const bool cpu = argc == 4 && std::strcmp(argv[1], "cpu") == 0;
    if (!firstFrame && !cpu) return Usage();

    std::string why;
    if (!UseGtkBackend(&why)) {
        std::fprintf(stderr, "bench-window: %s\n", why.c_str());
        return 1;
    }
    CWndShadow::Initialize();
    Phase("gtk");

    // The window would open the package itself; opened first here so that
    // its decoding is timed on its own (later windows find it open).
    Platform::ResourceData data = Platform::FindResource("ZIPRES", 147);
    std::vector<uint8_t> copy(data.data, data.data + data.size);
    if (!CResourceManager::Instance().OpenArchive(L"membuffer", copy, &why)) {
        std::fprintf(stderr, "bench-window: skin package: %s\n", why.c_str());
        return 1;
    }
    Phase("skin");

    CMainWnd window{MainWndSettings{}};
    if (window.Create(0, L"Lumora", WS_OVERLAPPEDWINDOW, 0) == 0) {
        std::fputs("bench-window: the window could not be created\n", stderr);
        return 1;
    }
    window.SetIcon(145);
    window.CenterWindow();
    Phase("layout");

    CMessageLoop& loop = CMessageLoop::Instance();
    window.ShowWindow(true);
    loop.Run([&] { return window.GetManager().Stats().paints == 0; }, 10000);
    if (window.GetManager().Stats().paints == 0) {
        std::fputs("bench-window: no paint within 10 s\n", stderr);
        return 1;
    }
    Phase("paint");
    gdk_display_sync(gdk_display_get_default());
    Phase("screen");

    if (cpu) {
        const int page = std::atoi(argv[2]);
        const int seconds = std::atoi(argv[3]);
        auto* tabs = static_cast<CTabLayoutUI*>(
            window.GetManager().FindControl(L"mainTabLt")->GetInterface(L"TabLayout"));
        // The window's own page change (backgrounds, title buttons, the
        // animation started on page 2 and stopped on page 3).
        tabs->SelectItem(page);
        // Let the page change paint before the measured span starts.
        loop.Run([] { return true; }, 500);
        std::puts("measuring");
        std::fflush(stdout);
        const int paints = window.GetManager().Stats().paints;
        const uint64_t timers = loop.TimersFired();
        const double cpu0 = CpuMs();
        const int64_t wall0 = NowNs();
        loop.Run([] { return true; }, seconds * 1000);
        const double cpuMs = CpuMs() - cpu0;
        const double wallMs = (NowNs() - wall0) / 1e6;
        std::puts("done");
        std::printf("cpu %.1f wall %.1f paints %d timers %llu\n", cpuMs, wallMs,
                    window.GetManager().Stats().paints - paints,
                    static_cast<unsigned long long>(loop.TimersFired() - timers));
        std::fflush(stdout);
    }
    window.DestroyWindow();
    SetBackend(nullptr);
    return 0;
}
