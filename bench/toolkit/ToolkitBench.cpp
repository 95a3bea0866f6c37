// Times the two start-up costs of a window: decoding the whole skin package
// into memory, and building plus painting the 600x400 main layout the first
// time (images decoded, text shaped) with the headless backend. Prints the
// best and the median of several runs, in milliseconds of wall time and of
// this thread's CPU time (the second stays meaningful on a busy machine).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/Resources.h"
#include "toolkit/Toolkit.h"
#include "toolkit/backend/headless/HeadlessBackend.h"

using namespace Toolkit;
using Clock = std::chrono::steady_clock;

namespace {

class MainLayout : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"MainWnd"; }
    std::wstring GetLayoutFile() const override { return L"MainWnd.xml"; }
    ResourceKind GetResourceKind() const override { return ResourceKind::ArchiveResource; }
    int GetResourceNumber() const override { return 147; }
    CControlUI* CreateControl(const std::wstring&) override { return new CLabelUI; }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

void Report(const char* what, std::vector<double> runs, std::vector<double> cpu, double goal) {
    std::sort(runs.begin(), runs.end());
    std::sort(cpu.begin(), cpu.end());
    double median = runs[runs.size() / 2];
    std::printf(
        "%-38s wall best %6.2f median %6.2f ms | cpu best %6.2f median %6.2f ms | goal < %.0f ms: "
        "%s\n",
        what, runs.front(), median, cpu.front(), cpu[cpu.size() / 2], goal,
        cpu[cpu.size() / 2] < goal ? "met" : "MISSED");
}

}  // namespace

int main() {
    Platform::ResourceData skin = Platform::FindResource("ZIPRES", 147);
    if (skin.empty()) {
        std::fputs("bench-toolkit: no skin package was embedded (skin/ is empty)\n", stderr);
        return 1;
    }
    std::vector<uint8_t> bytes(skin.data, skin.data + skin.size);
    const int kRuns = 15;

    std::vector<double> decode, decodeCpu;
    size_t files = 0, total = 0;
    for (int i = 0; i < kRuns; ++i) {
        CSkinArchive archive;
        std::string error;
        auto t0 = Clock::now();
        double c0 = CpuMs();
        if (!archive.Open(bytes, &error)) {
            std::fprintf(stderr, "bench-toolkit: %s\n", error.c_str());
            return 1;
        }
        decode.push_back(Ms(Clock::now() - t0));
        decodeCpu.push_back(CpuMs() - c0);
        files = archive.Entries().size();
        total = 0;
        for (const auto& e : archive.Entries()) total += e.bytes.size();
    }
    std::printf("skin package: %zu bytes, %zu files, %zu bytes decoded\n", bytes.size(), files,
                total);
    Report("decode the whole package", decode, decodeCpu, 30);

    UseHeadlessBackend();
    std::vector<double> first, firstCpu;
    for (int i = 0; i < kRuns; ++i) {
        // Fresh caches each time: the first window of a process.
        CResourceManager::Instance().Reset();
        CImageCache::Instance().Clear();
        std::string error;
        CResourceManager::Instance().OpenArchive(L"membuffer", bytes, &error);
        auto t0 = Clock::now();
        double c0 = CpuMs();
        MainLayout window;
        window.Create(0, L"Lumora", 0, 0);
        cairo_surface_t* s = CHeadlessBackend::Current()->Snapshot(window);
        first.push_back(Ms(Clock::now() - t0));
        firstCpu.push_back(CpuMs() - c0);
        cairo_surface_destroy(s);
        if (!window.GetManager().GetRoot()) {
            std::fputs("bench-toolkit: the main layout did not load\n", stderr);
            return 1;
        }
    }
    Report("build and first paint of MainWnd.xml", first, firstCpu, 50);
    return 0;
}
