#pragma once
// Plain words for a failed download, made from what the downloader saw (the
// libcurl result and the HTTP answer, the libsoup status, the file system's
// errno), always naming the host. They go to the diagnostic log and to the
// front-ends' failure sentence; the report codes and the analytics values
// stay the downloaders' numbers.
#include <curl/curl.h>

#include <cstdint>
#include <string>

namespace DownloadWords {

// What one libcurl request ended with.
struct CurlSeen {
    int result = 0;           // CURLcode
    long status = 0;          // the last HTTP status, 0 when none arrived
    std::string reason;       // that status line's reason phrase, may be empty
    std::string host;         // the host the request went to last
    long osErrno = 0;         // errno of a failed connect
    bool connected = false;   // a connection was made
    double seconds = 0.0;     // how long the request took
    std::string certProblem;  // why the server's certificate was rejected
    std::string certIssuer;   // who issued that certificate
    std::string libraryText;  // libcurl's own message, may be empty
};

// The limits a request ran under, for the words of a timeout.
struct Limits {
    long stallSeconds = 30;   // less than 1 byte/s for this long fails
    long overallSeconds = 0;  // the whole request's limit, 0 when none
};

// Collects what a request saw. Attach before each perform (again after a
// curl_easy_reset), Read after it.
class CurlWitness {
public:
    CurlWitness() = default;
    CurlWitness(const CurlWitness&) = delete;
    CurlWitness& operator=(const CurlWitness&) = delete;

    // Sets the error buffer, a header callback that keeps the status line
    // and a TLS hook that notes a rejected certificate. The OR of the
    // option results.
    int Attach(CURL* handle);
    CurlSeen Read(CURL* handle, int result) const;
    // Called by the TLS hook during the handshake.
    void NoteRejectedCertificate(const std::string& problem, const std::string& issuer);

private:
    static size_t OnHeader(char* data, size_t size, size_t count, void* self);
    static CURLcode OnSslContext(CURL* handle, void* sslContext, void* self);

    std::string m_StatusLine;
    std::string m_CertProblem;
    std::string m_CertIssuer;
    char m_ErrorBuffer[CURL_ERROR_SIZE] = {};
};

// The host of an address ("dl.example.com", "127.0.0.1"), or the address
// itself when it has none.
std::string HostOf(const std::string& url);

// Why a libcurl request failed.
std::wstring DescribeCurl(const CurlSeen& seen, const Limits& limits);

// The file at `host` is smaller than the downloader accepts (`size` -1: the
// server did not say its size).
std::wstring SizeRefused(const std::string& host, int64_t size, int64_t minimum);
// The transfer ended without error but short of the size found first.
std::wstring ShortTransfer(const std::string& host, int64_t got, int64_t expected);
// The file could not be written (disk full, file too large, anything else).
std::wstring WriteFailed(const std::string& path, int err);
// The digest check refused the file; `got` empty: it could not be computed.
std::wstring DigestMismatch(const std::string& expected, const std::string& got);

}  // namespace DownloadWords
