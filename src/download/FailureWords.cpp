#include "download/FailureWords.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <cstring>

#include "platform/ByteFile.h"
#include "utils/Text.h"

namespace DownloadWords {
namespace {

std::wstring W(const std::string& utf8) { return Utils::FromUtf8(utf8); }

// The phrase a server normally sends with a status, for answers without one
// (HTTP/2 has none).
const char* StandardPhrase(long status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 407:
            return "Proxy Authentication Required";
        case 408:
            return "Request Timeout";
        case 410:
            return "Gone";
        case 416:
            return "Range Not Satisfiable";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return "";
    }
}

std::wstring StatusWords(const CurlSeen& s) {
    std::string phrase = s.reason.empty() ? StandardPhrase(s.status) : s.reason;
    std::wstring out = W(s.host) + L" answered HTTP status " + std::to_wstring(s.status);
    if (!phrase.empty()) out += L" (" + W(phrase) + L")";
    return out;
}

// The index under which a request's witness hangs on the TLS context.
int WitnessIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// Keeps OpenSSL's verdict; only notes who issued a certificate it rejects.
int VerifyNote(int preverifyOk, X509_STORE_CTX* store) {
    if (preverifyOk) return preverifyOk;
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* witness =
        ssl ? static_cast<CurlWitness*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), WitnessIndex()))
            : nullptr;
    if (witness) {
        std::string issuer;
        if (X509* cert = X509_STORE_CTX_get_current_cert(store)) {
            char name[512];
            if (X509_NAME_oneline(X509_get_issuer_name(cert), name, sizeof name)) issuer = name;
        }
        witness->NoteRejectedCertificate(
            X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)), issuer);
    }
    return preverifyOk;
}

}  // namespace

int CurlWitness::Attach(CURL* handle) {
    m_StatusLine.clear();
    m_CertProblem.clear();
    m_CertIssuer.clear();
    m_ErrorBuffer[0] = '\0';
    int errors = 0;
    errors |= curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_ErrorBuffer);
    errors |= curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &CurlWitness::OnHeader);
    errors |= curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    // The hook exists with the OpenSSL backend only; elsewhere the words
    // just lack the issuer.
    if (curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &CurlWitness::OnSslContext) == CURLE_OK)
        curl_easy_setopt(handle, CURLOPT_SSL_CTX_DATA, this);
    return errors;
}

size_t CurlWitness::OnHeader(char* data, size_t size, size_t count, void* self) {
    const size_t n = size * count;
    if (n > 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        std::string& line = static_cast<CurlWitness*>(self)->m_StatusLine;
        line.assign(data, n);
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    }
    return n;
}

CURLcode CurlWitness::OnSslContext(CURL*, void* sslContext, void* self) {
    auto* ctx = static_cast<SSL_CTX*>(sslContext);
    SSL_CTX_set_ex_data(ctx, WitnessIndex(), self);
    SSL_CTX_set_verify(ctx, SSL_CTX_get_verify_mode(ctx), &VerifyNote);
    return CURLE_OK;
}

void CurlWitness::NoteRejectedCertificate(const std::string& problem, const std::string& issuer) {
    if (!m_CertProblem.empty()) return;  // the first rejection is the reason
    m_CertProblem = problem;
    m_CertIssuer = issuer;
}

CurlSeen CurlWitness::Read(CURL* handle, int result) const {
    CurlSeen s;
    s.result = result;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &s.status);
    // "HTTP/1.1 404 Not Found": the phrase follows the second blank.
    size_t first = m_StatusLine.find(' ');
    size_t second = first == std::string::npos ? first : m_StatusLine.find(' ', first + 1);
    if (second != std::string::npos) s.reason = m_StatusLine.substr(second + 1);
    char* url = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) == CURLE_OK && url)
        s.host = HostOf(url);
    curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &s.osErrno);
    curl_off_t connectTime = 0;
    if (curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connectTime) == CURLE_OK)
        s.connected = connectTime > 0;
    curl_easy_getinfo(handle, CURLINFO_TOTAL_TIME, &s.seconds);
    s.certProblem = m_CertProblem;
    s.certIssuer = m_CertIssuer;
    s.libraryText = m_ErrorBuffer;
    return s;
}

std::string HostOf(const std::string& url) {
    std::string host;
    if (CURLU* u = curl_url()) {
        char* part = nullptr;
        if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
            curl_url_get(u, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
            host = part;
        }
        curl_free(part);
        curl_url_cleanup(u);
    }
    return host.empty() ? url : host;
}

std::wstring DescribeCurl(const CurlSeen& s, const Limits& limits) {
    const std::wstring host = W(s.host);
    switch (s.result) {
        case CURLE_OK:
            if (s.status >= 400) return StatusWords(s);
            return host + L" gave no usable answer (HTTP status " + std::to_wstring(s.status) +
                   L")";
        case CURLE_COULDNT_RESOLVE_HOST:
            return L"cannot resolve the host " + host;
        case CURLE_COULDNT_RESOLVE_PROXY:
            return L"cannot resolve the proxy's host (http_proxy, https_proxy)";
        case CURLE_COULDNT_CONNECT:
            if (s.osErrno == ECONNREFUSED) return L"connection refused by " + host;
            if (s.osErrno == ENETUNREACH || s.osErrno == EHOSTUNREACH)
                return L"no route to " + host + L" (the network is unreachable)";
            return L"cannot connect to " + host;
        case CURLE_OPERATION_TIMEDOUT:
            if (!s.connected) return L"the connection to " + host + L" timed out";
            if (limits.overallSeconds > 0 && s.seconds + 0.5 >= limits.overallSeconds)
                return host + L" did not answer within " + std::to_wstring(limits.overallSeconds) +
                       L" s";
            return L"the download from " + host + L" stalled: less than 1 byte/s for " +
                   std::to_wstring(limits.stallSeconds) + L" s";
        case CURLE_PEER_FAILED_VERIFICATION: {
            std::wstring out =
                L"the TLS certificate of " + host + L" is not trusted by this system";
            if (!s.certProblem.empty()) out += L": " + W(s.certProblem);
            if (!s.certIssuer.empty()) out += L" (issued by " + W(s.certIssuer) + L")";
            return out;
        }
        case CURLE_SSL_CONNECT_ERROR:
            return L"the TLS handshake with " + host + L" failed" +
                   (s.libraryText.empty() ? L"" : L": " + W(s.libraryText));
        case CURLE_HTTP_RETURNED_ERROR:
            return StatusWords(s);
        case CURLE_TOO_MANY_REDIRECTS:
            return L"redirect loop: " + host + L" sent more than 30 redirects";
        case CURLE_PARTIAL_FILE:
            return L"the connection to " + host + L" broke off before the end of the file";
        case CURLE_GOT_NOTHING:
            return host + L" closed the connection without an answer";
        case CURLE_RANGE_ERROR:
            return host + L" does not serve byte ranges, so the download cannot go on";
        case CURLE_ABORTED_BY_CALLBACK:
            return L"the download from " + host + L" was stopped";
        default:
            break;
    }
    std::wstring text = s.libraryText.empty()
                            ? W(curl_easy_strerror(static_cast<CURLcode>(s.result)))
                            : W(s.libraryText);
    return text + L" (" + host + L")";
}

std::wstring SizeRefused(const std::string& host, int64_t size, int64_t minimum) {
    if (size < 0) return W(host) + L" did not say the size of the file";
    std::wstring least = minimum >= 1048576 ? std::to_wstring(minimum / 1048576) + L" MiB"
                                            : std::to_wstring(minimum) + L" bytes";
    return L"the file at " + W(host) + L" is " + std::to_wstring(size) + L" bytes, smaller than " +
           least;
}

std::wstring ShortTransfer(const std::string& host, int64_t got, int64_t expected) {
    return L"the transfer from " + W(host) + L" ended after " + std::to_wstring(got) + L" of " +
           std::to_wstring(expected) + L" bytes";
}

std::wstring WriteFailed(const std::string& path, int err) {
    if (Platform::IsDiskFullError(err))
        return L"the disk is full (writing " + Utils::FromAnsi(path) + L")";
    if (Platform::IsFileTooLargeError(err))
        return L"the file " + Utils::FromAnsi(path) + L" cannot grow any further (file too large)";
    return L"cannot write " + Utils::FromAnsi(path) +
           (err ? L": " + W(Platform::ErrnoText(err)) : L"");
}

std::wstring DigestMismatch(const std::string& expected, const std::string& got) {
    if (got.empty())
        return L"the digest of the downloaded file could not be computed (read error), so it "
               L"cannot be checked against " +
               W(expected);
    return L"the downloaded file does not match its digest: expected " + W(expected) + L", got " +
           W(got);
}

}  // namespace DownloadWords
