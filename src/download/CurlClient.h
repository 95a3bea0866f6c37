#pragma once
// One file over HTTP(S) (or "file:///") into a local path with libcurl, on the
// calling thread. Discovery (final address after redirects and size, by HEAD
// requests) is done once per object; files below 1 MiB are refused. The body
// goes into a side file "<target>.part" that survives failed attempts and is
// resumed by the next one; only a complete transfer replaces the target.
//
// Limits: every request fails with CURLE_OPERATION_TIMEDOUT (28) when it
// receives less than 1 byte per second for the stall time (30 s); a HEAD
// request also when it takes longer than 60 s in all; at most 30 redirects.
//
// Across processes: when the final address carries the package's digest, a
// companion file "<target>.part.url" records the addresses and the size, and
// a later client for the same address resumes the side file an ended process
// left behind. Otherwise a new client starts from zero.
//
// While the body arrives, a second thread computes its MD5 from the side
// file (FinishDigest), so the check needs no second pass over the file.
#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "download/Downloader.h"
#include "download/FailureWords.h"
#include "download/PartFileWriter.h"

class CMd5Follower;

class CurlClient {
public:
    // (owner, speed in bytes per second, reserved, percent complete)
    using ProgressFn = void (*)(void* owner, double speed, double reserved, double percent);

    // Own result codes beside libcurl's.
    static constexpr int kPartFileOpenFailed = -996;
    static constexpr int kNoHandle = -997;
    static constexpr int kSizeUnknownOrTooSmall = -998;
    static constexpr double kMinimumSize = 1048576.0;
    static constexpr long kHeadLimitSeconds = 60;

    // `options.reportFailure` receives the reason of each failed size query
    // (see GetDownloadFileLength); empty: the failure is only logged.
    // Deletes a side file left by another address (or without a companion).
    CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner,
               ProgressFn progressFn = nullptr, const DownloaderOptions& options = {});
    // Deletes the side file and its companion, and asks a running transfer
    // to stop.
    ~CurlClient();
    CurlClient(const CurlClient&) = delete;
    CurlClient& operator=(const CurlClient&) = delete;

    // filePath, with ".part" appended when `withSuffix`.
    std::wstring GetPartPath(bool withSuffix) const;
    // "<target>.part.url"
    std::string CompanionPath() const;

    // One attempt: 0 on success, a CURLcode when the transfer failed, or one of
    // the own codes above. Never concurrently with itself.
    int Start();

    // Makes the running (and any later) request end within a second. Any
    // thread.
    void Abort() { m_AbortFlag = true; }

    // After a successful Start: the MD5 of the target as 32 lower-case
    // hexadecimal digits, empty when it cannot be computed. Waits for the
    // digest thread to finish the last bytes.
    std::string FinishDigest();

    // The words for the last failed Start (see DownloadWords).
    std::wstring FailureReason() const;

    // The final address learned by discovery (UTF-8), empty before.
    const std::string& RealUrl() const { return m_RealUrl; }
    double TotalSize() const { return m_TotalSize; }

    // Tests: the digest thread's reads fail from this offset on.
    void FailDigestReadsAtForTest(int64_t offset) { m_DigestFaultAt = offset; }

    static int ProgressCallback(void* clientp, curl_off_t dltotal, curl_off_t dlnow,
                                curl_off_t ultotal, curl_off_t ulnow);
    // `userdata` is the side file's writer.
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
    // The options every discovery request shares; the OR of their results.
    int SetHeadOptions(CURL* handle, const std::string& url);
    static int HeadProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    // Notes a discovery request that failed or answered badly.
    void NoteDiscovery(CURL* handle, int result);
    // Before the first transfer of this object: keep the side file an ended
    // process left only when its companion matches; record the companion.
    void CheckLeftovers(const std::string& partPath);
    // Writes the companion when the final address carries a digest.
    void RecordCompanion();
    void SetFailure(const std::wstring& reason);

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
    DownloadSizeReporter m_ReportSize;

    DownloadWords::Limits m_Limits;
    DownloadWords::CurlWitness m_Witness;
    // The last discovery request that failed or answered outside 200..399.
    bool m_DiscoveryNoted = false;
    DownloadWords::CurlSeen m_DiscoverySeen;
    mutable std::mutex m_FailureLock;
    std::wstring m_FailureReason;  // guarded

    bool m_LeftoversChecked = false;
    bool m_MayResumeLeftovers = false;  // the companion named our address
    CPartFileWriter m_Writer;
    std::unique_ptr<CMd5Follower> m_Digest;          // follows the side file
    std::unique_ptr<CMd5Follower> m_FinishedDigest;  // the target's, after a success
    int64_t m_FinishedSize = -1;
    int64_t m_DigestFaultAt = -1;
};
