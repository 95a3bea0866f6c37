#pragma once
// The single-connection member of the downloader family (download type 1 and
// every value other than 2 and 3): one CurlClient, repeated on failure within
// a bounded budget, then the MD5 check against the digest in the address. A
// digest mismatch asks the pipeline once per object for another run (1005);
// so does a digest that cannot be computed, since the file is then unchecked.
//
// Threads: each run works on a Utils::Thread named "ABDEF"; reports arrive on
// it. Start() may be called from within the callback on that thread. Releasing
// the downloader stops the transfer, makes the callback silent and joins the
// worker.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "download/CurlClient.h"
#include "download/Downloader.h"
#include "utils/Thread.h"

class CCurlDownloader : public CDownloader {
public:
    CCurlDownloader(const StatusCallback& callback, const std::wstring& url,
                    const std::wstring& filePath, const DownloaderOptions& options);
    ~CCurlDownloader() override;

    void Start() override;
    std::wstring FailureReason() const override;

    // The client's progress receiver: 1002 with percent / 100 while libcurl
    // reports a speed above 0 and the percent is at most 100.
    static void ProgressFun(void* owner, double speed, double reserved, double percent);

    // Pause between attempts (500 ms); before the first Start only.
    void SetRetryDelayForTest(std::chrono::milliseconds delay) { m_RetryDelay = delay; }
    // The digest's reads fail from this offset; before the first Start only.
    void FailDigestReadsAtForTest(int64_t offset) { m_Client.FailDigestReadsAtForTest(offset); }

private:
    static void dlThreadFun(void* context);
    void Report(int code, double value, const std::wstring& text);
    void SetFailure(const std::wstring& reason);

    StatusCallback m_Callback;
    std::wstring m_FilePath;
    std::wstring m_Url;
    CurlClient m_Client;
    std::unique_ptr<Utils::Thread> m_Thread;
    bool m_Md5Retried = false;

    // The worker that asked for the current run from within its callback; it
    // is joined at the next Start or at release.
    std::unique_ptr<Utils::Thread> m_FinishedThread;
    std::chrono::milliseconds m_RetryDelay{500};
    std::mutex m_CallbackLock;  // held while the observer runs
    std::atomic<bool> m_Released{false};
    mutable std::mutex m_FailureLock;
    std::wstring m_FailureReason;  // guarded
};
