#pragma once
// The system-downloader member of the family (download type 2), an HTTP stack
// independent of the libcurl paths: libsoup 3 (file:/// through GIO). A
// blocking download of the address to the target file, progress as
// received / expected bytes, and HRESULT-style failure numbers. Three attempts
// one second apart; no digest check, never 1005 or 1006. A transfer that
// receives less than 1 byte per second for the stall time (30 s) fails as a
// timeout (INET_E_CONNECTION_TIMEOUT), which costs one of the three attempts.
//
// Threads: the single worker ("ABDEF") is created suspended by the
// constructor and runs once per object: only the first Start() has an effect.
// Reports arrive on the worker. Release cancels the transfer, makes the
// callback silent and joins the worker.
#include <gio/gio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "download/Downloader.h"
#include "utils/Thread.h"

class CWinDownloader : public CDownloader {
public:
    // HRESULT values the downloader reports (as negative 32-bit numbers).
    static constexpr int32_t kS_OK = 0;
    static constexpr int32_t kE_ABORT = static_cast<int32_t>(0x80004004u);
    static constexpr int32_t kE_FAIL = static_cast<int32_t>(0x80004005u);
    static constexpr int32_t kE_ACCESSDENIED = static_cast<int32_t>(0x80070005u);
    static constexpr int32_t kSTG_E_MEDIUMFULL = static_cast<int32_t>(0x80030070u);
    static constexpr int32_t kINET_E_INVALID_URL = static_cast<int32_t>(0x800C0002u);
    static constexpr int32_t kINET_E_RESOURCE_NOT_FOUND = static_cast<int32_t>(0x800C0005u);
    static constexpr int32_t kINET_E_OBJECT_NOT_FOUND = static_cast<int32_t>(0x800C0006u);
    static constexpr int32_t kINET_E_DATA_NOT_AVAILABLE = static_cast<int32_t>(0x800C0007u);
    static constexpr int32_t kINET_E_DOWNLOAD_FAILURE = static_cast<int32_t>(0x800C0008u);
    static constexpr int32_t kINET_E_CONNECTION_TIMEOUT = static_cast<int32_t>(0x800C000Bu);
    static constexpr int32_t kINET_E_SECURITY_PROBLEM = static_cast<int32_t>(0x800C000Eu);

    // The progress receiver handed to the system download.
    class CBindCallback {
    public:
        ~CBindCallback();
        // kE_ABORT once released (the download then stops); otherwise 1002
        // with progress / progressMax when the maximum is known.
        int32_t OnProgress(uint32_t progress, uint32_t progressMax, uint32_t statusCode,
                           const wchar_t* statusText);

        StatusCallback callback;
        std::atomic<bool> abortFlag{false};
        std::mutex* callbackLock = nullptr;  // the owner's; held while the observer runs
        DownloadSizeReporter reportSize;     // the owner's, told the size once it is known
    };

    CWinDownloader(const StatusCallback& callback, const std::wstring& url,
                   const std::wstring& filePath, const DownloaderOptions& options);
    ~CWinDownloader() override;

    void Start() override;
    std::wstring FailureReason() const override;

    // Pause after a failed attempt (1000 ms); before Start only.
    void SetRetryDelayForTest(std::chrono::milliseconds delay) { m_RetryDelay = delay; }

    // The blocking system download: kS_OK or a failure number, with the
    // words for a failure in *why. Progress goes to `bind`; `cancel` stops it
    // from another thread; `stallSeconds` bounds a silent or trickling server.
    static int32_t URLDownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                     CBindCallback* bind, GCancellable* cancel,
                                     long stallSeconds = 30, std::wstring* why = nullptr);

private:
    static void dlThreadFun(void* context);
    void Report(int code, double value, const std::wstring& text);

    CBindCallback m_BindCallback;
    StatusCallback m_Callback;
    std::wstring m_FilePath;
    std::wstring m_Url;
    Utils::Thread m_Thread;

    std::mutex m_CallbackLock;
    std::atomic<bool> m_Started{false};
    GCancellable* m_Cancel;
    std::mutex m_SleepLock;
    std::condition_variable m_Wake;
    std::chrono::milliseconds m_RetryDelay{1000};
    long m_StallSeconds = 30;
    mutable std::mutex m_FailureLock;
    std::wstring m_FailureReason;  // guarded
};
