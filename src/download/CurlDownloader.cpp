#include "download/CurlDownloader.h"

#include <cstdio>
#include <thread>

#include "download/FailureWords.h"
#include "utils/Log.h"
#include "utils/Md5.h"
#include "utils/Text.h"

namespace {
const std::wstring kLibCurl = L"LibCurl";
}

CCurlDownloader::CCurlDownloader(const StatusCallback& callback, const std::wstring& url,
                                 const std::wstring& filePath, const DownloaderOptions& options)
    : m_Callback(callback),
      m_FilePath(filePath),
      m_Url(url),
      m_Client(url, filePath, this, &CCurlDownloader::ProgressFun, options) {
    // The client keeps a side file only when an earlier run for this very
    // address left it together with its companion; otherwise this object
    // starts from zero.
}

CCurlDownloader::~CCurlDownloader() {
    {
        // A callback in progress ends first (it may still start a run); none
        // is made afterwards.
        std::lock_guard<std::mutex> guard(m_CallbackLock);
        m_Released = true;
    }
    m_Client.Abort();
    if (m_Thread) m_Thread->Join();
    if (m_FinishedThread) m_FinishedThread->Join();
}

void CCurlDownloader::Report(int code, double value, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(m_CallbackLock);
    if (m_Released || !m_Callback) return;
    m_Callback(code, value, text);
}

std::wstring CCurlDownloader::FailureReason() const {
    std::lock_guard<std::mutex> guard(m_FailureLock);
    return m_FailureReason;
}

void CCurlDownloader::SetFailure(const std::wstring& reason) {
    LOG(L"download failed: %s", reason.c_str());
    std::lock_guard<std::mutex> guard(m_FailureLock);
    m_FailureReason = reason;
}

void CCurlDownloader::Start() {
    if (m_Thread && m_Thread->IsCurrentThread()) {
        // Called from within our own callback: that worker returns right
        // after it, so it is not waited for here.
        if (m_FinishedThread) m_FinishedThread->Join();
        m_FinishedThread = std::move(m_Thread);
    } else {
        if (m_Thread) m_Thread->Join();
        if (m_FinishedThread) m_FinishedThread->Join();
        m_FinishedThread.reset();
    }
    m_Thread = std::make_unique<Utils::Thread>(this, L"ABDEF", &CCurlDownloader::dlThreadFun);
    m_Thread->Start();
}

void CCurlDownloader::ProgressFun(void* owner, double speed, double, double percent) {
    auto* self = static_cast<CCurlDownloader*>(owner);
    if (speed > 0.0 && percent <= 100.0) self->Report(DL_CODE_PROGRESS, percent / 100.0, L"");
}

void CCurlDownloader::dlThreadFun(void* context) {
    auto* self = static_cast<CCurlDownloader*>(context);
    self->Report(DL_CODE_START, 1.0, L"");
    if (self->m_FilePath.empty()) {
        self->SetFailure(L"no file to download into was given");
        self->Report(DL_CODE_FAIL, 1.0, L"");
        return;
    }
    int result = self->m_Client.Start();
    int budget = 12;
    while (result != 0) {
        if (self->m_Released) return;
        budget -= result == 18 ? 1 : 2;
        if (budget <= 0) {
            self->SetFailure(self->m_Client.FailureReason());
            self->Report(DL_CODE_FAIL, static_cast<double>(result), kLibCurl);
            return;
        }
        LOG(L"CurlDownLoader Code=%d", result);
        std::this_thread::sleep_for(self->m_RetryDelay);
        if (self->m_Released) return;
        result = self->m_Client.Start();
    }

    const std::string expected = Utils::GetUrlMd5(self->m_Client.RealUrl());
    if (expected.size() != 32) {
        self->Report(DL_CODE_ERROR, 0.0, L"curl获取url-md5失败");
    } else {
        const std::string actual = self->m_Client.FinishDigest();
        // Digests are hexadecimal: an address may carry them in upper case.
        // A digest that cannot be computed leaves the file unchecked, so it
        // counts as a mismatch.
        if (!Utils::Md5Equal(actual, expected)) {
            self->SetFailure(DownloadWords::DigestMismatch(expected, actual));
            self->Report(DL_CODE_ERROR, 0.0, L"curl文件md5校验失败");
            if (self->m_Md5Retried) {
                self->Report(DL_CODE_FAIL, 0.0, kLibCurl);
            } else {
                self->m_Md5Retried = true;
                self->Report(DL_CODE_RETRY, 0.0, kLibCurl);
            }
            return;
        }
    }
    self->Report(DL_CODE_SUCCESS, 0.0, kLibCurl);
}
