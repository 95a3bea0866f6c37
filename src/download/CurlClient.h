#pragma once
// One file over HTTP(S) (or "file:///") into a local path with libcurl, on the
// calling thread. Discovery (final address after redirects and size, by HEAD
// requests) is done once per object; files below 1 MiB are refused. The body
// goes into a side file "<target>.part" that survives failed attempts and is
// resumed by the next one; only a complete transfer replaces the target.
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "download/Downloader.h"

class CurlClient {
public:
    // (owner, speed in bytes per second, reserved, percent complete)
    using ProgressFn = void (*)(void* owner, double speed, double reserved, double percent);

    // Own result codes beside libcurl's.
    static constexpr int kPartFileOpenFailed = -996;
    static constexpr int kNoHandle = -997;
    static constexpr int kSizeUnknownOrTooSmall = -998;
    static constexpr double kMinimumSize = 1048576.0;

    // `reportFailure` receives the reason of each failed size query (see
    // GetDownloadFileLength); empty: the failure is only logged.
    CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner,
               ProgressFn progressFn = nullptr, DownloadFailureReporter reportFailure = nullptr);
    // Deletes the side file and asks a running transfer to stop.
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // filePath, with ".part" appended when `withSuffix`.
    std::wstring GetPartPath(bool withSuffix) const;

    // One attempt: 0 on success, a CURLcode when the transfer failed, or one of
    // the own codes above. Never concurrently with itself.
    int Start();

    // Makes the running (and any later) transfer end at its next progress
    // call. Any thread.
    void Abort() { m_AbortFlag = true; }

    // The final address learned by discovery (UTF-8), empty before.
    const std::string& RealUrl() const { return m_RealUrl; }
    double TotalSize() const { return m_TotalSize; }

    static int ProgressCallback(void* clientp, curl_off_t dltotal, curl_off_t dlnow,
                                curl_off_t ultotal, curl_off_t ulnow);
    // `userdata` is the open side file.
    static size_t WriteCallback(char* ptr, size_t size, size_t nmemb, void* userdata);

    // HEAD with redirects; the caller queries and cleans up the handle.
    CURL* Head(const std::string& url);
    static std::string GetEffectiveUrl(CURL* handle);
    // Size from a performed HEAD handle, -1.0 when unknown or the status is
    // outside 200..399 (that case goes to the failure reporter).
    double GetDownloadFileLength(CURL* handle);
    // Final address after redirects, or `url` when none was learned.
    std::string GetRealUrl_Str(const std::string& url);
    // Size from a HEAD of `url` without redirects.
    double GetDownloadFileLength_Str(const std::string& url);

private:
    std::wstring m_Url;
    std::wstring m_FilePath;
    void* m_Owner;
    CURL* m_Handle = nullptr;
    ProgressFn m_ProgressFn;
    double m_TotalSize = -1.0;
    int64_t m_ResumeOffset = -1;
    int64_t m_LastProgressTime = 0;
    std::atomic<bool> m_AbortFlag{false};
    std::string m_RealUrl;
    DownloadFailureReporter m_ReportFailure;

    std::FILE* m_PartFile = nullptr;
    static constexpr size_t kFileBuffer = 1 << 20;
    std::vector<char> m_FileBuffer;  // stdio buffer of m_PartFile
};
