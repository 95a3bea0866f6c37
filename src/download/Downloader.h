#pragma once
// The one interface through which the pipeline fetches the package. Members:
// CCurlDownloader (download type 1 and any other value, "CurlDownloader.h"),
// CWinDownloader (type 2, the system downloader, "WinDownloader.h") and
// CMTCurlDownloader (type 3, two ranged connections, "MTCurlDownloader.h").
// Each is constructed with (const StatusCallback& callback, const std::wstring&
// url, const std::wstring& filePath, const DownloaderOptions& options), runs
// on its own worker threads and reports 1001..1006 through the callback;
// every run ends with exactly one of 1003, 1004 and 1005.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "utils/StatusCallback.h"

// Where the HTTP client sends the reason of a failed size query (for example
// "1.获取文件大小的状态码为=404；"). Called on the downloader's worker thread.
using DownloadFailureReporter = std::function<void(const std::wstring& reason)>;

// Where a downloader tells the package's size in bytes once a run has learnt
// it. Called on the downloader's worker thread.
using DownloadSizeReporter = std::function<void(uint64_t bytes)>;

// What a downloader takes from its owner besides the address and the path.
// The owner fills it once, before the downloader is made; the downloader
// keeps its own copy, so no worker reads a global.
struct DownloaderOptions {
    // libcurl's global initialisation succeeded (done once by the entry
    // point). The segmented downloader refuses to run without it.
    bool curlReady = false;
    // Receiver of the HTTP client's failed size queries; empty: they are only
    // logged. The program sends them to analytics.
    DownloadFailureReporter reportFailure;
    // Receiver of the package's size; empty: nobody asks. The silent
    // front-end shows the bytes done and due with it.
    DownloadSizeReporter reportSize;
    // A request that receives less than 1 byte per second for this long
    // fails as a timeout (libcurl's 28, libsoup's own), which the retry rules
    // count like any failure. The product's value is 30 s; tests shorten it,
    // so that a stalled server costs them seconds instead of minutes. The
    // segments of the segmented downloader keep their own 5 s rule.
    std::chrono::seconds stallTime{30};
};

class CDownloader {
public:
    virtual ~CDownloader() = default;
    // Begins one run and returns at once. May be called from within the
    // callback on the downloader's own thread (the pipeline does so on 1005).
    virtual void Start() = 0;
    // Why the last run that ended with 1004 or 1005 failed, in plain words
    // with the host ("connection refused by 10.0.0.7", "the transfer from
    // dl.example.com stalled: less than 1 byte/s for 30 s"); empty before
    // any failure. Any thread; after the report it explains, it is that
    // run's reason.
    virtual std::wstring FailureReason() const = 0;
};
