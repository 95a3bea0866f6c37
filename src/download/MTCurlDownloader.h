#pragma once
// The segmented member of the downloader family (download type 3): one HEAD
// request learns the final address and size, the file is cut into at most two
// byte ranges, each range downloads on its own detached thread and connection
// into a part file "<target>_<i>", the parts are joined into the target and
// the result is checked against the MD5 digest in the address. A failed run
// asks once per object for a retry (1005), which resumes the part files.
//
// Limits: the discovery HEAD fails after 30 s below 1 byte per second or 60 s
// in all; a segment attempt after 5 s below 1 byte per second; at most 30
// redirects. While the segments arrive, a digest thread reads the part files
// in order from the page cache, so the check needs no second pass.
//
// Across processes: when the final address carries the package's digest, a
// companion file "<target>_parts.url" records the addresses and the size,
// and a later downloader for the same address resumes the part files an
// ended process left. A finished run (1003, 1004) leaves no part file; a
// released one only those its companion makes resumable.
//
// Threads: Start() runs a starter thread ("ABDEF"); it starts one detached
// thread per segment and a detached finisher. Reports arrive on those threads.
// Everything the detached threads touch lives in a state object they co-own,
// so releasing the downloader while they run is safe: release stops their
// transfers, and no report is made after release.
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "download/Downloader.h"
#include "download/FailureWords.h"
#include "download/Md5Follower.h"
#include "download/PartFileWriter.h"
#include "utils/CurlUsers.h"
#include "utils/Thread.h"

class CMTCurlDownloader : public CDownloader {
public:
    struct DownloadPartNode {
        CPartFileWriter file;  // the open part file, or none
        int32_t start = 0;     // absolute offset of the next byte wanted
        int32_t end = 0;       // absolute offset of the last byte (inclusive)
        CURL* handle = nullptr;
        std::string url;
        std::string partPath;
        int32_t status = -1;  // 0 complete, -1 to do, -2 part file not opened, else CURLcode
        std::atomic<int64_t> received{0};
        int32_t attemptStart = 0;  // `start` when the current attempt began
        // The part file refused bytes: what it holds no longer matches
        // `start`, so this run stops trying (the next run measures the file).
        bool writeFailed = false;
        DownloadWords::CurlWitness witness;  // what the last attempt saw
        std::wstring failure;                // its words, when it failed
    };

    // Waits of the retry loop and the starter, and the low-speed window. The
    // defaults are the product's values; tests may shorten them.
    struct Tuning {
        std::chrono::milliseconds retryDelay{400};
        std::chrono::milliseconds threadGap{100};
        long lowSpeedTime = 5;  // seconds below 1 byte per second before an attempt fails
    };

    static constexpr int32_t kSegmentUnit = 10485760;

    // Without options.curlReady every run ends with 1004 before any request.
    CMTCurlDownloader(const StatusCallback& callback, const std::wstring& url,
                      const std::wstring& filePath, const DownloaderOptions& options);
    ~CMTCurlDownloader() override;

    void Start() override;
    std::wstring FailureReason() const override;

    // Before the first Start only.
    void SetTuningForTest(const Tuning& tuning);
    // The digest's reads fail from this offset; before the first Start only.
    void FailDigestReadsAtForTest(int64_t offset);

    struct State;

private:
    static void Start_Down(const std::shared_ptr<State>& state);
    static bool getRealDownloadUrl(State& state, const std::string& address);
    static void downloadThreadFun(std::shared_ptr<State> state, DownloadPartNode* node);
    static int downloadExe(State& state, DownloadPartNode* node);
    static void waitForFinishThreadFun(std::shared_ptr<State> state);
    static size_t writeDataFun(char* ptr, size_t size, size_t nmemb, void* userdata);
    static int progressFun(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                           curl_off_t ulnow);
    static void clearParts(State& state);
    static void deletePartFiles(State& state);
    // Joins the part files into the target; false (with the words) when a
    // file operation failed.
    static bool joinParts(State& state);
    // Keeps part files an ended process left only when their companion
    // matches this download; records the companion for a later process.
    static void checkLeftovers(State& state);
    // Writes the companion when the final address carries a digest.
    static void recordCompanion(State& state);

    std::shared_ptr<State> m_State;
    std::unique_ptr<Utils::Thread> m_Thread;
};

// What the starter, segment and finisher threads share.
struct CMTCurlDownloader::State {
    std::list<DownloadPartNode*> parts;
    StatusCallback callback;
    std::wstring filePath;
    std::wstring url;
    std::string realUrl;
    int32_t fileLength = -1;
    std::string urlMd5;
    double lastProgress = 0.0;
    int32_t runningParts = 0;
    std::mutex lock;  // runningParts, lastProgressTime, lastProgress, liveThreads
    int64_t lastProgressTime = 0;
    bool retried = false;

    bool curlReady = false;           // the owner's word that libcurl is initialised
    DownloadSizeReporter reportSize;  // the owner's, told the size after discovery
    DownloadWords::Limits headLimits;
    Tuning tuning;
    std::string targetPath;           // 8-bit form of filePath
    std::condition_variable changed;  // runningParts or liveThreads fell, or release
    int liveThreads = 0;              // detached threads still running
    // Held while liveThreads > 0 (under `lock`): those threads call libcurl
    // until they end, and shut-down must not clean it up before.
    std::optional<Utils::CurlUser> threadsUseLibcurl;
    std::atomic<bool> released{false};
    std::mutex callbackLock;         // held while the observer runs
    double deliveredProgress = 0.0;  // guarded by callbackLock

    bool mayResumeLeftovers = false;  // the companion named our address
    bool leftoversChecked = false;
    bool resumed = false;  // part files of an earlier process hold data
    std::unique_ptr<CMd5Follower> digest;
    int64_t digestFaultAt = -1;  // tests: the digest's reads fail from here

    mutable std::mutex failureLock;
    std::wstring failureReason;  // guarded

    // The observer, unless the downloader has been released. Progress never
    // goes back within a run: a segment thread that computed its fraction
    // before another one delivered a higher one drops it.
    void Report(int code, double value, const std::wstring& text);
    void SetFailure(const std::wstring& reason);
    // Sleeps, but wakes at once on release. False when released.
    bool Pause(std::chrono::milliseconds delay);
    std::string PartPath(int i) const { return targetPath + "_" + std::to_string(i); }
    std::string CompanionPath() const { return targetPath + "_parts.url"; }
};
