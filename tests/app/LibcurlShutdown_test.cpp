// Shut-down cleans libcurl up only once nothing uses it any more: not under
// the segment threads of a download released just before, nor under a
// tracker whose last reference another thread still holds.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "BeaconTrackerWrapper.h"
#include "app/InstallerMain.h"
#include "download/MTCurlDownloader.h"
#include "support/LoopbackHttpServer.h"
#include "support/TempHome.h"
#include "utils/CurlUsers.h"
#include "utils/Text.h"

namespace {

// What the libcurl users counted when the cleanup ran (main thread only).
int g_UsersAtCleanup = -1;
void RecordingCleanup() {
    g_UsersAtCleanup = Utils::CurlUserCount();
    curl_global_cleanup();
}

class Latch {
public:
    void Open() {
        std::lock_guard<std::mutex> g(m_Lock);
        m_Open = true;
        m_Changed.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> g(m_Lock);
        m_Changed.wait(g, [this] { return m_Open; });
    }

private:
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    bool m_Open = false;
};

class LibcurlShutdown : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK); }
};

}  // namespace

TEST_F(LibcurlShutdown, WaitsUntilTheLastUserIsGone) {
    Latch shutDownBegins;
    std::atomic<bool> released{false};
    // Counted from before the thread starts, as the program's users are.
    auto use = std::make_unique<Utils::CurlUser>();
    std::thread user([&, held = std::move(use)]() mutable {
        shutDownBegins.Wait();
        released = true;
        held.reset();
    });
    EXPECT_EQ(Utils::CurlUserCount(), 1);
    shutDownBegins.Open();
    EXPECT_TRUE(CleanUpLibcurl(std::chrono::seconds(10), &RecordingCleanup));
    EXPECT_TRUE(released.load());
    EXPECT_EQ(g_UsersAtCleanup, 0);
    user.join();
}

TEST_F(LibcurlShutdown, AUserThatStaysLeavesLibcurlUp) {
    auto use = std::make_unique<Utils::CurlUser>();
    EXPECT_FALSE(CleanUpLibcurl(std::chrono::milliseconds(50), &RecordingCleanup));
    EXPECT_EQ(g_UsersAtCleanup, -1) << "no cleanup while a user is there";
    use.reset();
    EXPECT_TRUE(CleanUpLibcurl(std::chrono::milliseconds(50), &RecordingCleanup));
}

TEST_F(LibcurlShutdown, ASegmentedDownloadReleasedMidTransferIsOverFirst) {
    testsupport::LoopbackHttpServer server;
    testsupport::ServedFile file;
    file.body = testsupport::MakeContent(24 << 20);  // two segments
    file.rateLimit = 256 * 1024;                     // still running when released
    const std::string path = testsupport::DigestPath(file.body);
    server.Serve(path, file);
    DownloaderOptions options;
    options.curlReady = true;
    const std::string target = testsupport::CurrentTestHome() + "/__Package_lumoraapp.exe";
    auto downloader = std::make_unique<CMTCurlDownloader>([](int, double, const std::wstring&) {},
                                                          Utils::FromAnsi(server.Url(path)),
                                                          Utils::FromAnsi(target), options);
    downloader->Start();
    ASSERT_TRUE(server.WaitForRequests("GET", path, 2));
    EXPECT_GT(Utils::CurlUserCount(), 0);
    downloader.reset();
    EXPECT_TRUE(CleanUpLibcurl(std::chrono::seconds(10), &RecordingCleanup));
    EXPECT_EQ(g_UsersAtCleanup, 0);
}

TEST_F(LibcurlShutdown, ATrackerReleasedOnAnotherThreadFlushesBeforeTheCleanup) {
    tamik::beacon::TrackerConfig config;
    config.appName = "lumoraapp.downloader";
    config.appVersion = "1.7.9";
    config.appStore = "lumora-setup";
    config.serverUrl = "http://127.0.0.1:1/collect";  // refused at once
    auto tracker = tamik::beacon::CreateBeaconTracker(config, false);
    Latch shutDownBegins;
    std::thread report([&shutDownBegins, held = tracker] {
        // A report still holds the tracker when the owner stops it.
        shutDownBegins.Wait();
        tamik::beacon::QvContextProperties none;
        tamik::beacon::QvEventTask task;
        task.name = "task";
        task.result = tamik::beacon::QvResult::Success;
        held->trackTask(task, none);
    });
    tracker.reset();  // the owner's stop: not the last reference
    shutDownBegins.Open();
    EXPECT_TRUE(CleanUpLibcurl(std::chrono::seconds(10), &RecordingCleanup));
    EXPECT_EQ(g_UsersAtCleanup, 0);
    report.join();
}
