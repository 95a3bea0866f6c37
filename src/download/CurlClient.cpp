#include "download/CurlClient.h"

#include <cstdio>
#include <ctime>

#include "download/Md5Follower.h"
#include "download/ResumeRecord.h"
#include "platform/ByteFile.h"
#include "utils/Log.h"
#include "utils/Md5.h"
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

bool StatusAccepted(long status) { return status >= 200 && status <= 399; }

constexpr long kReceiveBuffer = 512 * 1024;

}  // namespace

CurlClient::CurlClient(const std::wstring& url, const std::wstring& filePath, void* owner,
                       ProgressFn progressFn, const DownloaderOptions& options)
    : m_Url(url),
      m_FilePath(filePath),
      m_Owner(owner),
      m_ProgressFn(progressFn),
      m_ReportFailure(options.reportFailure),
      m_ReportSize(options.reportSize) {
    m_Limits.stallSeconds = static_cast<long>(options.stallTime.count());
    // A side file of another address, or one whose origin is unknown, is
    // never resumed: this object starts from zero.
    ResumeRecord record;
    m_MayResumeLeftovers =
        ReadResumeRecord(CompanionPath(), &record) && record.url == AddressForCurl(m_Url);
    if (!m_MayResumeLeftovers) {
        std::remove(Utils::ToAnsi(GetPartPath(true)).c_str());
        std::remove(CompanionPath().c_str());
    }
}

CurlClient::~CurlClient() {
    m_AbortFlag = true;
    m_Digest.reset();
    m_FinishedDigest.reset();
    std::remove(Utils::ToAnsi(GetPartPath(true)).c_str());
    std::remove(CompanionPath().c_str());
    m_Url.clear();
    m_FilePath.clear();
    m_RealUrl.clear();
}

std::wstring CurlClient::GetPartPath(bool withSuffix) const {
    return withSuffix ? m_FilePath + L".part" : m_FilePath;
}

std::string CurlClient::CompanionPath() const { return Utils::ToAnsi(GetPartPath(true)) + ".url"; }

std::wstring CurlClient::FailureReason() const {
    std::lock_guard<std::mutex> guard(m_FailureLock);
    return m_FailureReason;
}

void CurlClient::SetFailure(const std::wstring& reason) {
    std::lock_guard<std::mutex> guard(m_FailureLock);
    m_FailureReason = reason;
}

int CurlClient::HeadProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CurlClient*>(clientp)->m_AbortFlag ? 1 : 0;
}

int CurlClient::SetHeadOptions(CURL* handle, const std::string& url) {
    int errors = 0;
    errors |= curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    errors |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    errors |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    errors |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
    // A server that accepts and never answers must not hold discovery (and
    // the release of the downloader) for ever.
    errors |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, kHeadLimitSeconds);
    errors |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    errors |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, m_Limits.stallSeconds);
    errors |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 30L);
    errors |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    errors |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::HeadProgress);
    errors |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
    errors |= m_Witness.Attach(handle);
    return errors;
}

void CurlClient::NoteDiscovery(CURL* handle, int result) {
    m_DiscoverySeen = m_Witness.Read(handle, result);
    m_DiscoveryNoted = true;
}

CURL* CurlClient::Head(const std::string& url) {
    CURL* handle = curl_easy_init();
    if (!handle) return nullptr;
    CURLcode code = CURLE_OK;
    if ((code = static_cast<CURLcode>(SetHeadOptions(handle, url))) == CURLE_OK &&
        (code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L)) == CURLE_OK) {
        code = curl_easy_perform(handle);
        if (code != CURLE_OK) {
            LOG_RAW(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
            NoteDiscovery(handle, code);
        }
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
    if (statusCode == CURLE_OK && StatusAccepted(status)) return length;
    if (!m_DiscoveryNoted || m_DiscoverySeen.result == CURLE_OK) NoteDiscovery(handle, CURLE_OK);
    ReportLengthFailure(m_ReportFailure, statusCode == CURLE_OK ? status : 0);
    return -1.0;
}

std::string CurlClient::GetRealUrl_Str(const std::string& url) {
    std::string real;
    CURL* handle = curl_easy_init();
    if (handle) {
        CURLcode code = CURLE_OK;
        if ((code = static_cast<CURLcode>(SetHeadOptions(handle, url))) == CURLE_OK &&
            (code = curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L)) == CURLE_OK) {
            code = curl_easy_perform(handle);
            if (code != CURLE_OK) {
                LOG_RAW(L"error:%d:%s", static_cast<int>(code), CurlText(code).c_str());
                NoteDiscovery(handle, code);
            } else {
                real = GetEffectiveUrl(handle);
            }
        }
        curl_easy_cleanup(handle);
    }
    return real.empty() ? url : real;
}

double CurlClient::GetDownloadFileLength_Str(const std::string& url) {
    double length = -1.0;
    CURL* handle = curl_easy_init();
    if (!handle) return length;
    if (SetHeadOptions(handle, url) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_HEADER, 1L) == CURLE_OK) {
        CURLcode code = curl_easy_perform(handle);
        curl_off_t contentLength = -1;
        if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &contentLength) ==
            CURLE_OK)
            length = static_cast<double>(contentLength);
        long status = 0;
        CURLcode statusCode = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (code != CURLE_OK) NoteDiscovery(handle, code);
        if (statusCode != CURLE_OK || status < 200 || status > 400) {
            if (code == CURLE_OK) NoteDiscovery(handle, code);
            ReportLengthFailure(m_ReportFailure, statusCode == CURLE_OK ? status : 0);
        }
        LOG(L"error:%d:%s", static_cast<int>(statusCode), CurlText(statusCode).c_str());
    }
    curl_easy_cleanup(handle);
    return length;
}

void CurlClient::CheckLeftovers(const std::string& partPath) {
    if (m_LeftoversChecked) return;
    m_LeftoversChecked = true;
    const bool digest = CarriesDigest(m_RealUrl);
    const int64_t total = static_cast<int64_t>(m_TotalSize);
    if (m_MayResumeLeftovers) {
        ResumeRecord record;
        const int64_t have = Platform::FileSizeAt(partPath);
        const bool resume = digest && ReadResumeRecord(CompanionPath(), &record) &&
                            record.realUrl == m_RealUrl && record.size == total && have <= total;
        if (resume && have > 0)
            LOG(L"resuming %lld bytes left by an earlier run", static_cast<long long>(have));
        else if (!resume) {
            std::remove(partPath.c_str());
            std::remove(CompanionPath().c_str());
        }
    }
    // Only a download whose digest will be checked may be resumed later.
    if (!digest) std::remove(CompanionPath().c_str());
}

void CurlClient::RecordCompanion() {
    // Before the first byte of every side file, also one a retry begins anew.
    if (!CarriesDigest(m_RealUrl) || Platform::FileSizeAt(CompanionPath()) >= 0) return;
    if (!WriteResumeRecord(CompanionPath(),
                           {AddressForCurl(m_Url), m_RealUrl, static_cast<int64_t>(m_TotalSize)}))
        std::remove(CompanionPath().c_str());
}

int CurlClient::Start() {
    LOG(L"start download");
    const std::string partPath = Utils::ToAnsi(GetPartPath(true));
    const std::string targetPath = Utils::ToAnsi(GetPartPath(false));
    const std::string address = AddressForCurl(m_Url);
    m_FinishedDigest.reset();
    m_FinishedSize = -1;

    int result = CURLE_OK;
    if (m_AbortFlag) result = CURLE_ABORTED_BY_CALLBACK;
    const bool discover = m_RealUrl.empty() || m_TotalSize < kMinimumSize;
    if (discover) m_DiscoveryNoted = false;
    if (result == CURLE_OK && discover) {
        if (CURL* head = Head(address)) {
            m_RealUrl = GetEffectiveUrl(head);
            m_TotalSize = GetDownloadFileLength(head);
            curl_easy_cleanup(head);
        }
    }
    if (result == CURLE_OK && (m_RealUrl.empty() || m_TotalSize < kMinimumSize)) {
        if (!m_AbortFlag) m_RealUrl = GetRealUrl_Str(address);
        if (!m_RealUrl.empty() && !m_AbortFlag) m_TotalSize = GetDownloadFileLength_Str(m_RealUrl);
        if (m_TotalSize < kMinimumSize) {
            result = kSizeUnknownOrTooSmall;
            if (m_DiscoveryNoted &&
                (m_DiscoverySeen.result != CURLE_OK || !StatusAccepted(m_DiscoverySeen.status)))
                SetFailure(DownloadWords::DescribeCurl(m_DiscoverySeen, m_Limits));
            else
                SetFailure(DownloadWords::SizeRefused(
                    DownloadWords::HostOf(m_RealUrl.empty() ? address : m_RealUrl),
                    m_TotalSize < 0 ? -1 : static_cast<int64_t>(m_TotalSize),
                    static_cast<int64_t>(kMinimumSize)));
        }
    }

    if (result == CURLE_OK && m_ReportSize) m_ReportSize(static_cast<uint64_t>(m_TotalSize));

    curl_slist* headers = nullptr;
    if (result == CURLE_OK) {
        CheckLeftovers(partPath);
        RecordCompanion();
        m_Handle = curl_easy_init();
        if (!m_Handle) {
            result = kNoHandle;
            SetFailure(L"libcurl could not make a transfer handle");
        }
    }
    if (result == CURLE_OK && !m_Writer.Open(partPath)) {
        result = kPartFileOpenFailed;
        SetFailure(L"cannot open the side file " + Utils::FromAnsi(partPath) + L": " +
                   Utils::FromAnsi(Platform::ErrnoText(m_Writer.Error())));
    }
    if (result == CURLE_OK) {
        // The digest follows the side file from its first byte, a prefix
        // from an earlier attempt or run included.
        if (!m_Digest && CarriesDigest(m_RealUrl)) {
            m_Digest = std::make_unique<CMd5Follower>(std::vector<std::string>{partPath});
            if (m_DigestFaultAt >= 0) m_Digest->FailReadsAtForTest(m_DigestFaultAt);
        }
        m_Writer.Follow(m_Digest.get(), 0);

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
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_WRITEDATA, &m_Writer);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_NOPROGRESS, 0L);
        optionErrors |=
            curl_easy_setopt(m_Handle, CURLOPT_XFERINFOFUNCTION, &CurlClient::ProgressCallback);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_XFERINFODATA, this);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_FAILONERROR, 1L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_CONNECTTIMEOUT, 60L);
        // No limit on the whole transfer, but a silent server fails it (28),
        // which the owner's retry budget covers.
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_LOW_SPEED_TIME, m_Limits.stallSeconds);
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_MAXREDIRS, 30L);
        // Larger receive pieces: fewer calls into the writer per megabyte.
        optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_BUFFERSIZE, kReceiveBuffer);
        optionErrors |= m_Witness.Attach(m_Handle);

        m_ResumeOffset = m_Writer.Size();
        if (m_ResumeOffset >= 1)
            optionErrors |= curl_easy_setopt(m_Handle, CURLOPT_RESUME_FROM_LARGE,
                                             static_cast<curl_off_t>(m_ResumeOffset));
        result = optionErrors == 0 ? curl_easy_perform(m_Handle) : optionErrors;
        if (optionErrors == 0 && result != CURLE_OK)
            SetFailure(DownloadWords::DescribeCurl(m_Witness.Read(m_Handle, result), m_Limits));
    }

    if (m_Handle) {
        curl_easy_cleanup(m_Handle);
        m_Handle = nullptr;
    }
    curl_slist_free_all(headers);
    if (m_Writer.IsOpen()) {
        // Buffered bytes reach the disk only here; losing them would turn a
        // short file into a "complete" one.
        if (!m_Writer.Close() && result == CURLE_OK) result = CURLE_WRITE_ERROR;
    }
    if (result == CURLE_WRITE_ERROR && m_Writer.Error() != 0)
        SetFailure(DownloadWords::WriteFailed(partPath, m_Writer.Error()));

    // A body that ended cleanly but short of the size found first (cut
    // without a length, a short range) is a broken transfer, not a package.
    int64_t have = -1;
    if (result == CURLE_OK) {
        have = Platform::FileSizeAt(partPath);
        if (have < static_cast<int64_t>(m_TotalSize)) {
            result = CURLE_PARTIAL_FILE;
            SetFailure(DownloadWords::ShortTransfer(DownloadWords::HostOf(m_RealUrl), have,
                                                    static_cast<int64_t>(m_TotalSize)));
        }
    }
    LOG(L"error:%d:%s", result, CurlText(result).c_str());

    if (result == CURLE_OK) {
        std::remove(targetPath.c_str());
        if (std::rename(partPath.c_str(), targetPath.c_str()) != 0) {
            result = CURLE_WRITE_ERROR;
            SetFailure(L"cannot rename " + Utils::FromAnsi(partPath) + L" to " +
                       Utils::FromAnsi(targetPath));
        } else {
            std::remove(CompanionPath().c_str());
            m_FinishedDigest = std::move(m_Digest);
            m_FinishedSize = have;
        }
    }
    if (result != CURLE_OK) LOG(L"download failed: %s", FailureReason().c_str());
    LOG(L"end download");
    return result;
}

std::string CurlClient::FinishDigest() {
    if (m_FinishedDigest) {
        std::string digest = m_FinishedDigest->Finish({m_FinishedSize});
        m_FinishedDigest.reset();
        return digest;
    }
    return Utils::GetFileMd5(Utils::ToAnsi(GetPartPath(false)));
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
    auto* writer = static_cast<CPartFileWriter*>(userdata);
    return writer->Write(ptr, size * nmemb) ? nmemb : 0;
}
