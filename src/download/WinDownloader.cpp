#include "download/WinDownloader.h"

#include <libsoup/soup.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

#include "download/FailureWords.h"
#include "platform/ByteFile.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace {

const std::wstring kUrlDownloadToFile = L"URLDownloadToFile";
constexpr uint32_t kBindStatusDownloadingData = 5;
constexpr uint32_t kBindStatusEndDownloadData = 6;

int32_t FromGError(const GError* error) {
    if (!error) return CWinDownloader::kE_FAIL;
    if (error->domain == G_RESOLVER_ERROR) return CWinDownloader::kINET_E_RESOURCE_NOT_FOUND;
    if (error->domain == G_TLS_ERROR) return CWinDownloader::kINET_E_SECURITY_PROBLEM;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
            case G_IO_ERROR_CANCELLED:
                return CWinDownloader::kE_ABORT;
            case G_IO_ERROR_HOST_NOT_FOUND:
            case G_IO_ERROR_HOST_UNREACHABLE:
            case G_IO_ERROR_NETWORK_UNREACHABLE:
            case G_IO_ERROR_CONNECTION_REFUSED:
            case G_IO_ERROR_NOT_FOUND:
                return CWinDownloader::kINET_E_RESOURCE_NOT_FOUND;
            case G_IO_ERROR_TIMED_OUT:
                return CWinDownloader::kINET_E_CONNECTION_TIMEOUT;
            case G_IO_ERROR_PARTIAL_INPUT:
            case G_IO_ERROR_CONNECTION_CLOSED:
                return CWinDownloader::kINET_E_DATA_NOT_AVAILABLE;
            case G_IO_ERROR_PERMISSION_DENIED:
                return CWinDownloader::kE_ACCESSDENIED;
            case G_IO_ERROR_INVALID_ARGUMENT:
                return CWinDownloader::kINET_E_INVALID_URL;
            default:
                break;
        }
    }
    return CWinDownloader::kE_FAIL;
}

std::wstring W(const char* utf8) { return Utils::FromUtf8(utf8 ? utf8 : ""); }

// Plain words for a library error before or while the body arrives.
std::wstring GErrorWords(const GError* error, const std::string& host, long stallSeconds,
                         bool bodyStarted) {
    const std::wstring h = Utils::FromUtf8(host);
    if (!error) return L"the download from " + h + L" failed";
    if (error->domain == G_RESOLVER_ERROR) return L"cannot resolve the host " + h;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
            case G_IO_ERROR_CONNECTION_REFUSED:
                return L"connection refused by " + h;
            case G_IO_ERROR_HOST_NOT_FOUND:
                return L"cannot resolve the host " + h;
            case G_IO_ERROR_HOST_UNREACHABLE:
            case G_IO_ERROR_NETWORK_UNREACHABLE:
                return L"no route to " + h + L" (the network is unreachable)";
            case G_IO_ERROR_TIMED_OUT:
                if (bodyStarted)
                    return L"the download from " + h + L" stalled: less than 1 byte/s for " +
                           std::to_wstring(stallSeconds) + L" s";
                return L"the connection to " + h + L" timed out (no answer within " +
                       std::to_wstring(stallSeconds) + L" s)";
            case G_IO_ERROR_CANCELLED:
                return L"the download from " + h + L" was stopped";
            case G_IO_ERROR_PARTIAL_INPUT:
            case G_IO_ERROR_CONNECTION_CLOSED:
                return L"the connection to " + h + L" broke off before the end of the file";
            default:
                break;
        }
    }
    if (error->domain == SOUP_SESSION_ERROR && error->code == SOUP_SESSION_ERROR_TOO_MANY_REDIRECTS)
        return L"redirect loop: " + h + L" sent too many redirects";
    return W(error->message) + L" (" + h + L")";
}

// The host the message went to last (after redirects).
std::string LastHost(SoupMessage* msg, const std::string& fallback) {
    GUri* uri = soup_message_get_uri(msg);
    const char* host = uri ? g_uri_get_host(uri) : nullptr;
    return host && *host ? host : fallback;
}

// What the TLS layer said about a certificate it rejected.
struct TlsRejection {
    std::string problem;
    std::string issuer;
};

gboolean NoteCertificate(SoupMessage*, GTlsCertificate* cert, GTlsCertificateFlags errors,
                         gpointer data) {
    auto* r = static_cast<TlsRejection*>(data);
    if (errors & G_TLS_CERTIFICATE_UNKNOWN_CA)
        r->problem = "issued by an authority this system does not know";
    else if (errors & G_TLS_CERTIFICATE_BAD_IDENTITY)
        r->problem = "made out for another host";
    else if (errors & G_TLS_CERTIFICATE_EXPIRED)
        r->problem = "expired";
    else if (errors & G_TLS_CERTIFICATE_NOT_ACTIVATED)
        r->problem = "not valid yet";
    else if (errors & G_TLS_CERTIFICATE_REVOKED)
        r->problem = "revoked";
    else
        r->problem = "rejected";
    if (cert) {
        gchar* issuer = g_tls_certificate_get_issuer_name(cert);
        if (issuer) r->issuer = issuer;
        g_free(issuer);
    }
    return FALSE;  // the verdict stays the library's
}

int32_t FromErrno(int err) {
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) return CWinDownloader::kSTG_E_MEDIUMFULL;
    if (err == EACCES || err == EPERM || err == EROFS) return CWinDownloader::kE_ACCESSDENIED;
    return CWinDownloader::kE_FAIL;
}

int32_t FromHttpStatus(unsigned status) {
    if (status == 404 || status == 410) return CWinDownloader::kINET_E_OBJECT_NOT_FOUND;
    return CWinDownloader::kINET_E_DOWNLOAD_FAILURE;
}

template <typename T>
struct GObjectRef {
    T* p = nullptr;
    ~GObjectRef() {
        if (p) g_object_unref(p);
    }
};

// Copies the stream into the file, reporting progress at most ten times a
// second and once at the end.
// The library's own timeout ends a read that waits longer than the stall
// time; a server that trickles bytes slower than 1 a second is caught here,
// at the first read after the window.
int32_t CopyToFile(GInputStream* in, uint64_t expected, const std::string& path,
                   CWinDownloader::CBindCallback* bind, const std::wstring& url,
                   GCancellable* cancel, long stallSeconds, const std::string& host,
                   std::wstring* why) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        const int err = errno;
        if (why) *why = DownloadWords::WriteFailed(path, err);
        return FromErrno(err);
    }
    if (expected != 0 && bind && bind->reportSize) bind->reportSize(expected);
    std::vector<char> buffer(256 * 1024);
    uint64_t received = 0;
    int32_t result = CWinDownloader::kS_OK;
    auto lastNotice = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    auto windowStart = std::chrono::steady_clock::now();
    uint64_t windowBytes = 0;
    for (;;) {
        GError* error = nullptr;
        gssize n = g_input_stream_read(in, buffer.data(), buffer.size(), cancel, &error);
        if (n < 0) {
            result = FromGError(error);
            if (why) *why = GErrorWords(error, host, stallSeconds, true);
            g_error_free(error);
            break;
        }
        if (n == 0) break;
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
            const int err = errno;
            result = FromErrno(err);
            if (why) *why = DownloadWords::WriteFailed(path, err);
            break;
        }
        received += static_cast<uint64_t>(n);
        auto now = std::chrono::steady_clock::now();
        if (now - windowStart >= std::chrono::seconds(stallSeconds)) {
            if (received - windowBytes < static_cast<uint64_t>(stallSeconds)) {
                result = CWinDownloader::kINET_E_CONNECTION_TIMEOUT;
                if (why)
                    *why = L"the download from " + Utils::FromUtf8(host) +
                           L" stalled: less than 1 byte/s for " + std::to_wstring(stallSeconds) +
                           L" s";
                break;
            }
            windowStart = now;
            windowBytes = received;
        }
        bool done = expected != 0 && received >= expected;
        if (bind && (done || now - lastNotice >= std::chrono::milliseconds(100))) {
            lastNotice = now;
            int32_t answer = bind->OnProgress(
                static_cast<uint32_t>(received), static_cast<uint32_t>(expected),
                done ? kBindStatusEndDownloadData : kBindStatusDownloadingData, url.c_str());
            if (answer == CWinDownloader::kE_ABORT) {
                result = CWinDownloader::kE_ABORT;
                break;
            }
        }
    }
    if (std::fclose(out) != 0 && result == CWinDownloader::kS_OK) {
        const int err = errno;
        result = FromErrno(err);
        if (why) *why = DownloadWords::WriteFailed(path, err);
    }
    // A body shorter than announced, or none at all, is not a package.
    if (result == CWinDownloader::kS_OK &&
        (received == 0 || (expected != 0 && received != expected))) {
        result = CWinDownloader::kINET_E_DATA_NOT_AVAILABLE;
        if (why)
            *why = received == 0
                       ? Utils::FromUtf8(host) + L" sent an empty file"
                       : DownloadWords::ShortTransfer(host, static_cast<int64_t>(received),
                                                      static_cast<int64_t>(expected));
    }
    if (result != CWinDownloader::kS_OK) std::remove(path.c_str());
    return result;
}

int32_t DownloadLocalFile(const std::string& uri, const std::string& path,
                          CWinDownloader::CBindCallback* bind, const std::wstring& url,
                          GCancellable* cancel, long stallSeconds, std::wstring* why) {
    GObjectRef<GFile> file{g_file_new_for_uri(uri.c_str())};
    GError* error = nullptr;
    GObjectRef<GFileInputStream> in{g_file_read(file.p, cancel, &error)};
    if (!in.p) {
        int32_t r = FromGError(error);
        if (why)
            *why = L"cannot read " + Utils::FromUtf8(uri) + L": " + W(error ? error->message : "");
        g_error_free(error);
        return r;
    }
    uint64_t expected = 0;
    if (GFileInfo* info =
            g_file_input_stream_query_info(in.p, G_FILE_ATTRIBUTE_STANDARD_SIZE, cancel, nullptr)) {
        expected = static_cast<uint64_t>(g_file_info_get_size(info));
        g_object_unref(info);
    }
    return CopyToFile(G_INPUT_STREAM(in.p), expected, path, bind, url, cancel, stallSeconds, uri,
                      why);
}

}  // namespace

CWinDownloader::CBindCallback::~CBindCallback() {
    abortFlag = true;
    callback = nullptr;
}

int32_t CWinDownloader::CBindCallback::OnProgress(uint32_t progress, uint32_t progressMax, uint32_t,
                                                  const wchar_t*) {
    if (abortFlag) return kE_ABORT;
    if (progressMax == 0) return kS_OK;
    std::unique_lock<std::mutex> guard;
    if (callbackLock) guard = std::unique_lock<std::mutex>(*callbackLock);
    if (abortFlag) return kE_ABORT;
    if (callback)
        callback(DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progressMax),
                 L"");
    return kS_OK;
}

int32_t CWinDownloader::URLDownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                          CBindCallback* bind, GCancellable* cancel,
                                          long stallSeconds, std::wstring* why) {
    const std::string path = Utils::ToAnsi(filePath);
    if (Utils::StartsWith(url, L"file:///"))
        return DownloadLocalFile(Utils::ToUtf8(url), path, bind, url, cancel, stallSeconds, why);

    const std::string address = Utils::ToUtf8(url);
    const std::string host = DownloadWords::HostOf(address);
    GObjectRef<SoupSession> session{soup_session_new()};
    // The body is stored as it arrives, so ask for it unencoded; and a
    // silent server must not hold the download for ever: every wait for the
    // server (connecting, the answer, each read) ends after the stall time.
    soup_session_remove_feature_by_type(session.p, SOUP_TYPE_CONTENT_DECODER);
    soup_session_set_timeout(session.p, static_cast<guint>(stallSeconds));
    GObjectRef<SoupMessage> msg{soup_message_new("GET", address.c_str())};
    if (!msg.p) {
        if (why) *why = L"the address " + url + L" is not valid";
        return kINET_E_INVALID_URL;
    }
    soup_message_headers_replace(soup_message_get_request_headers(msg.p), "Accept-Encoding",
                                 "identity");
    TlsRejection rejection;
    g_signal_connect(msg.p, "accept-certificate", G_CALLBACK(&NoteCertificate), &rejection);
    GError* error = nullptr;
    GObjectRef<GInputStream> in{soup_session_send(session.p, msg.p, cancel, &error)};
    if (!in.p) {
        int32_t r = FromGError(error);
        LOG(L"error:%d:%s", static_cast<int>(r),
            Utils::FromUtf8(error ? error->message : "").c_str());
        if (why) {
            const std::string last = LastHost(msg.p, host);
            if (!rejection.problem.empty()) {
                *why = L"the TLS certificate of " + Utils::FromUtf8(last) +
                       L" is not trusted by this system: " + Utils::FromUtf8(rejection.problem);
                if (!rejection.issuer.empty())
                    *why += L" (issued by " + Utils::FromUtf8(rejection.issuer) + L")";
            } else {
                *why = GErrorWords(error, last, stallSeconds, false);
            }
        }
        if (error) g_error_free(error);
        return r;
    }
    unsigned status = soup_message_get_status(msg.p);
    if (!SOUP_STATUS_IS_SUCCESSFUL(status)) {
        if (why) {
            *why = Utils::FromUtf8(LastHost(msg.p, host)) + L" answered HTTP status " +
                   std::to_wstring(status);
            const char* phrase = soup_message_get_reason_phrase(msg.p);
            if (phrase && *phrase) *why += L" (" + Utils::FromUtf8(phrase) + L")";
        }
        g_input_stream_close(in.p, nullptr, nullptr);
        return FromHttpStatus(status);
    }
    SoupMessageHeaders* headers = soup_message_get_response_headers(msg.p);
    uint64_t expected = 0;
    if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
        expected = static_cast<uint64_t>(soup_message_headers_get_content_length(headers));
    int32_t r = CopyToFile(in.p, expected, path, bind, url, cancel, stallSeconds,
                           LastHost(msg.p, host), why);
    g_input_stream_close(in.p, nullptr, nullptr);
    return r;
}

CWinDownloader::CWinDownloader(const StatusCallback& callback, const std::wstring& url,
                               const std::wstring& filePath, const DownloaderOptions& options)
    : m_Callback(callback),
      m_FilePath(filePath),
      m_Url(url),
      m_Thread(this, L"ABDEF", &CWinDownloader::dlThreadFun),
      m_Cancel(g_cancellable_new()),
      m_StallSeconds(static_cast<long>(options.stallTime.count())) {
    m_BindCallback.callbackLock = &m_CallbackLock;
    m_BindCallback.reportSize = options.reportSize;
}

std::wstring CWinDownloader::FailureReason() const {
    std::lock_guard<std::mutex> guard(m_FailureLock);
    return m_FailureReason;
}

CWinDownloader::~CWinDownloader() {
    {
        std::lock_guard<std::mutex> guard(m_CallbackLock);
        m_BindCallback.abortFlag = true;
    }
    g_cancellable_cancel(m_Cancel);
    {
        std::lock_guard<std::mutex> guard(m_SleepLock);
        m_Wake.notify_all();
    }
    m_Thread.Join();
    g_object_unref(m_Cancel);
}

void CWinDownloader::Start() {
    // The worker runs once per object; a later Start changes nothing.
    if (m_Started.exchange(true)) return;
    m_BindCallback.callback = m_Callback;
    if (m_Thread.HasHandle()) m_Thread.Start();
}

void CWinDownloader::Report(int code, double value, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(m_CallbackLock);
    if (m_BindCallback.abortFlag || !m_Callback) return;
    m_Callback(code, value, text);
}

namespace {
// The worker's own main context, so that the blocking session never
// dispatches sources that belong to the user-interface thread.
struct ThreadContext {
    GMainContext* context = g_main_context_new();
    ThreadContext() { g_main_context_push_thread_default(context); }
    ~ThreadContext() {
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }
};
}  // namespace

void CWinDownloader::dlThreadFun(void* context) {
    auto* self = static_cast<CWinDownloader*>(context);
    ThreadContext threadContext;
    self->Report(DL_CODE_START, 1.0, L"");
    if (self->m_FilePath.empty()) {
        {
            std::lock_guard<std::mutex> guard(self->m_FailureLock);
            self->m_FailureReason = L"no file to download into was given";
        }
        self->Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::wstring address =
        Utils::StartsWith(self->m_Url, L"file:///") ? self->m_Url : Utils::UrlEncodeW(self->m_Url);
    int32_t result = kE_FAIL;
    std::wstring why;
    for (int attempt = 0; attempt < 3; ++attempt) {
        why.clear();
        result = URLDownloadToFile(address, self->m_FilePath, &self->m_BindCallback, self->m_Cancel,
                                   self->m_StallSeconds, &why);
        if (result == kS_OK) {
            self->Report(DL_CODE_SUCCESS, 0.0, kUrlDownloadToFile);
            return;
        }
        std::unique_lock<std::mutex> guard(self->m_SleepLock);
        self->m_Wake.wait_for(guard, self->m_RetryDelay,
                              [self] { return self->m_BindCallback.abortFlag.load(); });
        if (self->m_BindCallback.abortFlag) return;
    }
    if (why.empty()) why = L"the download failed";
    LOG(L"download failed: %s", why.c_str());
    {
        std::lock_guard<std::mutex> guard(self->m_FailureLock);
        self->m_FailureReason = why;
    }
    self->Report(DL_CODE_FAIL, static_cast<double>(result), kUrlDownloadToFile);
}
