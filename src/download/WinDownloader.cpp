#include "download/WinDownloader.h"

#include <libsoup/soup.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <vector>

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
int32_t CopyToFile(GInputStream* in, uint64_t expected, const std::string& path,
                   CWinDownloader::CBindCallback* bind, const std::wstring& url,
                   GCancellable* cancel) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return FromErrno(errno);
    std::vector<char> buffer(256 * 1024);
    uint64_t received = 0;
    int32_t result = CWinDownloader::kS_OK;
    auto lastNotice = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    for (;;) {
        GError* error = nullptr;
        gssize n = g_input_stream_read(in, buffer.data(), buffer.size(), cancel, &error);
        if (n < 0) {
            result = FromGError(error);
            g_error_free(error);
            break;
        }
        if (n == 0) break;
        if (std::fwrite(buffer.data(), 1, static_cast<size_t>(n), out) != static_cast<size_t>(n)) {
            result = FromErrno(errno);
            break;
        }
        received += static_cast<uint64_t>(n);
        auto now = std::chrono::steady_clock::now();
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
    if (std::fclose(out) != 0 && result == CWinDownloader::kS_OK) result = FromErrno(errno);
    // A body shorter than announced, or none at all, is not a package.
    if (result == CWinDownloader::kS_OK &&
        (received == 0 || (expected != 0 && received != expected)))
        result = CWinDownloader::kINET_E_DATA_NOT_AVAILABLE;
    if (result != CWinDownloader::kS_OK) std::remove(path.c_str());
    return result;
}

int32_t DownloadLocalFile(const std::string& uri, const std::string& path,
                          CWinDownloader::CBindCallback* bind, const std::wstring& url,
                          GCancellable* cancel) {
    GObjectRef<GFile> file{g_file_new_for_uri(uri.c_str())};
    GError* error = nullptr;
    GObjectRef<GFileInputStream> in{g_file_read(file.p, cancel, &error)};
    if (!in.p) {
        int32_t r = FromGError(error);
        g_error_free(error);
        return r;
    }
    uint64_t expected = 0;
    if (GFileInfo* info =
            g_file_input_stream_query_info(in.p, G_FILE_ATTRIBUTE_STANDARD_SIZE, cancel, nullptr)) {
        expected = static_cast<uint64_t>(g_file_info_get_size(info));
        g_object_unref(info);
    }
    return CopyToFile(G_INPUT_STREAM(in.p), expected, path, bind, url, cancel);
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
                                          CBindCallback* bind, GCancellable* cancel) {
    const std::string path = Utils::ToAnsi(filePath);
    if (Utils::StartsWith(url, L"file:///"))
        return DownloadLocalFile(Utils::ToUtf8(url), path, bind, url, cancel);

    GObjectRef<SoupSession> session{soup_session_new()};
    // The body is stored as it arrives, so ask for it unencoded; and a
    // silent server must not hold the download for ever.
    soup_session_remove_feature_by_type(session.p, SOUP_TYPE_CONTENT_DECODER);
    soup_session_set_timeout(session.p, 60);
    GObjectRef<SoupMessage> msg{soup_message_new("GET", Utils::ToUtf8(url).c_str())};
    if (!msg.p) return kINET_E_INVALID_URL;
    soup_message_headers_replace(soup_message_get_request_headers(msg.p), "Accept-Encoding",
                                 "identity");
    GError* error = nullptr;
    GObjectRef<GInputStream> in{soup_session_send(session.p, msg.p, cancel, &error)};
    if (!in.p) {
        int32_t r = FromGError(error);
        LOG(L"error:%d:%s", static_cast<int>(r),
            Utils::FromUtf8(error ? error->message : "").c_str());
        if (error) g_error_free(error);
        return r;
    }
    unsigned status = soup_message_get_status(msg.p);
    if (!SOUP_STATUS_IS_SUCCESSFUL(status)) {
        g_input_stream_close(in.p, nullptr, nullptr);
        return FromHttpStatus(status);
    }
    SoupMessageHeaders* headers = soup_message_get_response_headers(msg.p);
    uint64_t expected = 0;
    if (soup_message_headers_get_encoding(headers) == SOUP_ENCODING_CONTENT_LENGTH)
        expected = static_cast<uint64_t>(soup_message_headers_get_content_length(headers));
    int32_t r = CopyToFile(in.p, expected, path, bind, url, cancel);
    g_input_stream_close(in.p, nullptr, nullptr);
    return r;
}

CWinDownloader::CWinDownloader(const StatusCallback& callback, const std::wstring& url,
                               const std::wstring& filePath, const DownloaderOptions&)
    : m_Callback(callback),
      m_FilePath(filePath),
      m_Url(url),
      m_Thread(this, L"ABDEF", &CWinDownloader::dlThreadFun),
      m_Cancel(g_cancellable_new()) {
    m_BindCallback.callbackLock = &m_CallbackLock;
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
        self->Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    const std::wstring address =
        Utils::StartsWith(self->m_Url, L"file:///") ? self->m_Url : Utils::UrlEncodeW(self->m_Url);
    int32_t result = kE_FAIL;
    for (int attempt = 0; attempt < 3; ++attempt) {
        result =
            URLDownloadToFile(address, self->m_FilePath, &self->m_BindCallback, self->m_Cancel);
        if (result == kS_OK) {
            self->Report(DL_CODE_SUCCESS, 0.0, kUrlDownloadToFile);
            return;
        }
        std::unique_lock<std::mutex> guard(self->m_SleepLock);
        self->m_Wake.wait_for(guard, self->m_RetryDelay,
                              [self] { return self->m_BindCallback.abortFlag.load(); });
        if (self->m_BindCallback.abortFlag) return;
    }
    self->Report(DL_CODE_FAIL, static_cast<double>(result), kUrlDownloadToFile);
}
