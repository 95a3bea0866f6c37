#include "download/CurlClient.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "utils/Log.h"
#include "utils/Text.h"

namespace {

size_t DiscardBody(char*, size_t size, size_t nmemb, void*) { return size * nmemb; }

std::wstring CurlText(int code) {
    return Utils::FromAnsi(curl_easy_strerror(static_cast<CURLcode>(code)));
}

// A size query that failed goes to the owner's reporter with the status it
// saw.
void ReportLengthFailure(const DownloadFailureReporter& report, long status) {
    wchar_t reason[200];
    std::swprintf(reason, 200, L"1.获取文件大小的状态码为=%ld；", status);
    if (report) report(reason);
}

// Addresses travel to libcurl in UTF-8, except local files, whose names are
// in the file system's code page.
std::string AddressForCurl(const std::wstring& url) {
    return Utils::StartsWith(url, L"file:///") ? Utils::ToAnsi(url) : Utils::ToUtf8(url);
}

}  // namespace

CurlClient::CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner,
                       ProgressFn progressFn, DownloadFailureReporter reportFailure)
    : m_Url(url),
      m_FilePath(filePath),
      m_Owner(owner),
      m_ProgressFn(progressFn),
      m_ReportFailure(std::move(reportFailure)) {}

CurlClient::~CurlClient() {
    std::remove(Utils::ToAnsi(GetPartPath(true)).c_str());
    m_AbortFlag = true;
    m_Url.clear();
    m_FilePath.clear();
    m_RealUrl.clear();
}

std::wstring CurlClient::GetPartPath(bool withSuffix) const {
    return withSuffix ? m_FilePath + L".part" : m_FilePath;
}

CURL* CurlClient::Head(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (!handle) return nullptr;
    CURLcode code = CURLE_OK;
    if ((code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str())) == CURLE_OK &&
        (code = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L)) == CURLE_OK &&
        (code = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody)) == CURLE_OK &&
        (code = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L)) == CURLE_OK &&
        (code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L)) == CURLE_OK) {
        code = curl_easy_perform(handle);
        if (code != CURLE_OK)
            LOG_RAW(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
    }
    LOG(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
    return handle;
}

std::string CurlClient::GetEffectiveUrl(CURL* handle) {
    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) != CURLE_OK || !effective)
        return std::string();
    return effective;
}

double CurlClient::GetDownloadFileLength(CURL* handle) {
    double length = -1.0;
    curl_off_t contentLength = -1;
    CURLcode code = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength);
    if (code == CURLE_OK) length = static_cast<double>(contentLength);
    LOG(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
    long status = 0;
    CURLcode statusCode = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (statusCode == CURLE_OK && status >= 200 && status <= 399) return length;
    ReportLengthFailure(m_ReportFailure, statusCode == CURLE_OK ? status : 0);
    return -1.0;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
    std::string real;
    CURL* handle = curl_easy_init();
    if (handle) {
        CURLcode code = CURLE_OK;
        if ((code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str())) == CURLE_OK &&
            (code = curl_easy_setopt(handle, CURLOPT_NOBODY, 1L)) == CURLE_OK &&
            (code = curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody)) == CURLE_OK &&
            (code = curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L)) == CURLE_OK &&
            (code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L)) == CURLE_OK) {
            code = curl_easy_perform(handle);
            if (code != CURLE_OK)
                LOG_RAW(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
            else
                real = GetEffectiveUrl(handle);
        }
        curl_easy_cleanup(handle);
    }
    return real.empty() ? url : real;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
    double length = -1.0;
    CURL* handle = curl_easy_init();
    if (!handle) return length;
    if (curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HEADER, 1L) == CURLE_OK) {
        curl_easy_perform(handle);
        curl_off_t contentLength = -1;
        if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength) ==
            CURLE_OK)
            length = static_cast<double>(contentLength);
        long status = 0;
        CURLcode statusCode = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (statusCode != CURLE_OK || status < 200 || status > 400)
            ReportLengthFailure(m_ReportFailure, statusCode == CURLE_OK ? status : 0);
        LOG(L"error:%d:%s", static_cast<int>(statusCode), CurlText(statusCode).c_str());
    }
    curl_easy_cleanup(handle);
    return length;
}

int CurlClient::Start() {
    LOG(L"start download");
    const std::string partPath = Utils::ToAnsi(GetPartPath(true));
    const std::string targetPath = Utils::ToAnsi(GetPartPath(false));
    const std::string address = AddressForCurl(m_Url);

    int result = CURLE_OK;
    if (m_RealUrl.empty() || m_TotalSize < kMinimumSize) {
        if (CURL* head = Head(address)) {
            m_RealUrl = GetEffectiveUrl(head);
            m_TotalSize = GetDownloadFileLength(head);
            curl_easy_cleanup(head);
        }
    }
    if (m_RealUrl.empty() || m_TotalSize < kMinimumSize) {
        m_RealUrl = GetRealUrl_Str(address);
        if (!m_RealUrl.empty()) m_TotalSize = GetDownloadFileLength_Str(m_RealUrl);
        if (m_TotalSize < kMinimumSize) result = kSizeUnknownOrTooSmall;
    }

    curl_slist* headers = nullptr;
    if (result == CURLE_OK) {
        m_Handle = curl_easy_init();
        if (!m_Handle) result = kNoHandle;
    }
    if (result == CURLE_OK) {
        m_PartFile = std::fopen(partPath.c_str(), "ab+");
        if (!m_PartFile) {
            result = kPartFileOpenFailed;
        } else {
            // libcurl hands over 16 KiB at a time; writing them in large
            // pieces saves most of the system calls of a transfer.
            m_FileBuffer.resize(kFileBuffer);
            std::setvbuf(m_PartFile, m_FileBuffer.data(), _IOFBF, m_FileBuffer.size());
        }
    }
    if (result == CURLE_OK) {
        headers = curl_slist_append(headers, "Connection: keep-alive");
        // The body is stored as received, so it must arrive unencoded: a
        // gzip body written as is would be a corrupt package.
        headers = curl_slist_append(headers, "Accept-Encoding: identity");
        int optionErrors = 0;
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_HTTPHEADER, headers);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_TCP_KEEPALIVE, 1L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_TCP_KEEPIDLE, 10L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_TCP_KEEPINTVL, 10L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_TIMEOUT, 0L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_URL, m_RealUrl.c_str());
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_FOLLOWLOCATION, 1L);
        optionErrors |=
            curl_easy_setopt(m_Handle, CURLOPT_WRITEFUNCTION, &CurlClient::WriteCallback);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_WRITEDATA, m_PartFile);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_NOPROGRESS, 0L);
        optionErrors |=
            curl_easy_setopt(m_Handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_XFERINFODATA, this);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_FAILONERROR, 1L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_CONNECTTIMEOUT, 60L);

        struct stat st;
        m_ResumeOffset = ::stat(partPath.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
        if (m_ResumeOffset >= 1)
            optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_RESUME_FROM_LARGE,
                                             static_cast<curl_off_t>(m_ResumeOffset));
        result = optionErrors == 0 ? curl_easy_perform(m_Handle) : optionErrors;
    }

    if (m_Handle) {
        curl_easy_cleanup(m_Handle);
        m_Handle = nullptr;
    }
    curl_slist_free_all(headers);
    if (m_PartFile) {
        // Buffered bytes reach the disk only here; losing them would turn a
        // short file into a "complete" one.
        if (std::fclose(m_PartFile) != 0 && result == CURLE_OK) result = CURLE_WRITE_ERROR;
        m_PartFile = nullptr;
    }
    LOG(L"error:%d:%s", result, CurlText(result).c_str());

    if (result == CURLE_OK) {
        std::remove(targetPath.c_str());
        if (std::rename(partPath.c_str(), targetPath.c_str()) != 0) result = CURLE_WRITE_ERROR;
    }
    LOG(L"end download");
    return result;
}

int CurlClient::ProgressCallback(void* clientp, curl_off_t dltotal, curl_off_t dlnow, curl_off_t,
                                 curl_off_t) {
    CurlClient* self = static_cast<CurlClient*>(clientp);
    if (self->m_AbortFlag) return 1;
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (now - self->m_LastProgressTime < 1) return 0;
    self->m_LastProgressTime = now;

    curl_off_t speedBytes = 0;
    double speed = 0.0;
    if (curl_easy_getinfo(self->m_Handle, CURLINFO_SPEED_DOWNLOAD_T, &speedBytes) == CURLE_OK)
        speed = static_cast<double>(speedBytes);

    double percent;
    if (self->m_TotalSize > kMinimumSize) {
        percent = (static_cast<double>(self->m_ResumeOffset) + static_cast<double>(dlnow)) /
                  self->m_TotalSize * 100.0;
    } else if (dlnow > 0 && dltotal > 0) {
        percent = static_cast<double>(dlnow) * 100.0 / static_cast<double>(dltotal);
    } else {
        return 0;
    }
    if (percent == 0.0) return 0;
    if (self->m_ProgressFn) self->m_ProgressFn(self->m_Owner, speed, 0.0, percent);
    if (dltotal != 0)
        LOG_RAW(L" %dM %dM   progress:%f%%  speed:%f \n", static_cast<int>(dlnow / 1048576),
                static_cast<int>(dltotal / 1048576),
                static_cast<double>(static_cast<float>(percent)),
                static_cast<double>(static_cast<float>(speed / 1024)));
    return 0;
}

size_t CurlClient::WriteCallback(char* ptr, size_t size, size_t nmemb, void* userdata) {
    return std::fwrite(ptr, size, nmemb, static_cast<std::FILE*>(userdata));
}
