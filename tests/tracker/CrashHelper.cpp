// A program that starts the installer's tracker, reports an event and then
// crashes, so a test can see what the crash path keeps. Usage:
//   tracker_crash_helper -beaconserverurl=URL abort|segv|send-lock
// send-lock: the crash comes from inside a post that a flush-now report
// makes on this thread, so the tracker's send lock is held by the crashed
// thread (the transport answers the first post and crashes in the second).
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "BeaconSdk.h"
#include "HttpPost.h"
#include "InstallerBeacon.h"
#include "app/CrashFilter.h"
#include "app/InstallerConfig.h"
#include "app/InstallerMain.h"
#include "utils/Text.h"

namespace {

class CrashingTransport : public beacon_analytics::Transport {
public:
    beacon_analytics::HttpResponse Post(
        const std::string&, const std::string&, const std::string&,
        const std::vector<std::pair<std::string, std::string>>&) override {
        if (++m_Posts >= 2) std::raise(SIGSEGV);
        beacon_analytics::HttpResponse r;
        r.status = 200;
        return r;
    }

private:
    int m_Posts = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    g_InstallerConfig.m_IsEnableAppBeacon = true;
    InstallInstallerCrashFilter();
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(Utils::FromAnsi(argv[i]));
    const bool sendLock = std::strcmp(argv[2], "send-lock") == 0;
    if (sendLock) {
        // The core is made first with our transport; the tracker's start-up
        // then finds it and keeps it.
        const char* data = std::getenv("XDG_DATA_HOME");
        const std::string staging = std::string(data ? data : ".") +
                                    "/RIRivez/lumoraapp.downloader/"
                                    "lumoraapp.downloader_QVSStaging.txt";
        beacon_analytics::Sdk::Init(staging, "http://127.0.0.1:9/collect", "crash-helper", false,
                                    std::make_shared<CrashingTransport>());
    }
    BeaconStart(InstallerBeaconIdentity(g_InstallerConfig, arguments));
    BeaconTrackTask(L"下载器启动", 0.0f, L"", DefaultTrackExtras());
    if (sendLock) {
        beacon_analytics::Sdk::Flush();  // a good send: later hand-overs run on this thread
        BeaconTrackTask(L"开始下载大包", 0.0f, L"", DefaultTrackExtras());
        BeaconTrackCrash();  // flush now, here: the post crashes with the send lock held
        return 3;
    }
    if (std::strcmp(argv[2], "segv") == 0) {
        std::raise(SIGSEGV);
    }
    std::abort();
}
