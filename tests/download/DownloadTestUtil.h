#pragma once
// What the download tests share: a recorder of status reports, libcurl set up
// once per process, the downloaders' options, a fixture with a loopback
// server and a target path, and small file helpers.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/Downloader.h"
#include "support/LoopbackHttpServer.h"
#include "utils/StatusCallback.h"

namespace dltest {

struct Report {
    int code;
    double value;
    std::wstring text;
};

// Collects reports from any thread; tests wait for outcomes.
class Recorder {
public:
    // An observer that records. `onReport` runs after recording, on the
    // reporting thread, as the pipeline's handler would.
    StatusCallback Callback(std::function<void(const Report&)> onReport = nullptr) {
        return [this, onReport](int code, double value, const std::wstring& text) {
            Report r{code, value, text};
            {
                std::lock_guard<std::mutex> guard(m_Lock);
                m_Reports.push_back(r);
            }
            m_Changed.notify_all();
            if (onReport) onReport(r);
        };
    }

    // Waits until `n` outcome codes (1003, 1004, 1005) have arrived.
    bool WaitForOutcomes(int n, std::chrono::seconds timeout = std::chrono::seconds(60)) {
        std::unique_lock<std::mutex> guard(m_Lock);
        return m_Changed.wait_for(guard, timeout, [&] { return OutcomesLocked() >= n; });
    }

    // Waits until a final outcome (1003 or 1004) has arrived; a 1005 the
    // observer answers with a new run is not final.
    bool WaitForFinal(std::chrono::seconds timeout = std::chrono::seconds(90)) {
        std::unique_lock<std::mutex> guard(m_Lock);
        return m_Changed.wait_for(guard, timeout, [&] {
            for (const auto& r : m_Reports)
                if (r.code == DL_CODE_SUCCESS || r.code == DL_CODE_FAIL) return true;
            return false;
        });
    }

    std::vector<Report> Reports() const {
        std::lock_guard<std::mutex> guard(m_Lock);
        return m_Reports;
    }

    // The codes in order, without progress reports.
    std::vector<int> Codes() const {
        std::vector<int> out;
        for (const auto& r : Reports())
            if (r.code != DL_CODE_PROGRESS) out.push_back(r.code);
        return out;
    }

    std::vector<double> Progress() const {
        std::vector<double> out;
        for (const auto& r : Reports())
            if (r.code == DL_CODE_PROGRESS) out.push_back(r.value);
        return out;
    }

    // The last report with this code; fails the test when there is none.
    Report Last(int code) const {
        auto all = Reports();
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (it->code == code) return *it;
        ADD_FAILURE() << "no report " << code;
        return {0, 0.0, L""};
    }

private:
    int OutcomesLocked() const {
        int n = 0;
        for (const auto& r : m_Reports)
            if (r.code == DL_CODE_SUCCESS || r.code == DL_CODE_FAIL || r.code == DL_CODE_RETRY) ++n;
        return n;
    }

    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<Report> m_Reports;
};

// libcurl is initialised once per process, as the entry point does.
class CurlEnvironment : public testing::Environment {
public:
    void SetUp() override {
        // Loopback servers must be reached directly, whatever the machine's proxy.
        setenv("no_proxy", "127.0.0.1,localhost", 1);
        setenv("NO_PROXY", "127.0.0.1,localhost", 1);
        ASSERT_EQ(curl_global_init(CURL_GLOBAL_ALL), CURLE_OK);
    }
    void TearDown() override { curl_global_cleanup(); }
};

inline const bool kCurlEnvironmentRegistered =
    (testing::AddGlobalTestEnvironment(new CurlEnvironment), true);

// The options the program gives its downloaders, libcurl being initialised.
inline DownloaderOptions Options() {
    DownloaderOptions o;
    o.curlReady = true;
    return o;
}

// Options whose stall limit trips after `stall` (the product waits 30 s).
inline DownloaderOptions QuickStallOptions(std::chrono::seconds stall = std::chrono::seconds(2)) {
    DownloaderOptions o = Options();
    o.stallTime = stall;
    return o;
}

// The downloader of a download type (2 system, 3 segmented, else single).
std::unique_ptr<CDownloader> MakeDownloader(int type, const StatusCallback& callback,
                                            const std::string& url, const std::string& path,
                                            const DownloaderOptions& options = Options());

// `text` contains `part`.
inline bool Has(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// A path in the test's private temporary folder.
std::string TempPath(const std::string& name);
std::wstring TempPathW(const std::string& name);
int64_t FileSize(const std::string& path);  // -1 when missing

// A loopback server, a recorder and the package path in the test's home.
class DownloaderTest : public testing::Test {
protected:
    std::wstring Url(const std::string& path) const;

    testsupport::LoopbackHttpServer server;
    Recorder recorder;
    const std::string target = TempPath("pkg.exe");
    const std::wstring targetW = TempPathW("pkg.exe");
};

}  // namespace dltest
