#include "download/MTCurlDownloader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <thread>

#include "download/Md5Follower.h"
#include "download/ResumeRecord.h"
#include "platform/ByteFile.h"
#include "utils/Log.h"
#include "utils/Md5.h"
#include "utils/Text.h"

namespace {

constexpr size_t kJoinBuffer = 1 << 20;
constexpr long kHeadLimitSeconds = 60;
const std::wstring kLibCurl = L"LibCurl";

size_t DiscardBody(char*, size_t size, size_t nmemb, void*) { return size * nmemb; }

std::wstring CurlText(int code) {
    return Utils::FromAnsi(curl_easy_strerror(static_cast<CURLcode>(code)));
}

void DeleteFileA(const std::string& path) { std::remove(path.c_str()); }

// Release ends a discovery request at its next progress call (within a
// second, even while the server says nothing).
int HeadProgress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<CMTCurlDownloader::State*>(clientp)->released ? 1 : 0;
}

}  // namespace

void CMTCurlDownloader::State::Report(int code, double value, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(callbackLock);
    if (released || !callback) return;
    if (code == DL_CODE_START) deliveredProgress = 0.0;
    if (code == DL_CODE_PROGRESS) {
        if (value < deliveredProgress) return;
        deliveredProgress = value;
    }
    callback(code, value, text);
}

void CMTCurlDownloader::State::SetFailure(const std::wstring& reason) {
    LOG(L"download failed: %s", reason.c_str());
    std::lock_guard<std::mutex> guard(failureLock);
    failureReason = reason;
}

bool CMTCurlDownloader::State::Pause(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait_for(guard, delay, [this] { return released.load(); });
    return !released;
}

CMTCurlDownloader::CMTCurlDownloader(const StatusCallback& callback, const std::wstring& url,
                                     const std::wstring& filePath, const DownloaderOptions& options)
    : m_State(std::make_shared<State>()) {
    m_State->curlReady = options.curlReady;
    m_State->reportSize = options.reportSize;
    m_State->headLimits.stallSeconds = static_cast<long>(options.stallTime.count());
    m_State->headLimits.overallSeconds = kHeadLimitSeconds;
    m_State->callback = callback;
    m_State->filePath = filePath;
    m_State->url = url;
    m_State->targetPath = Utils::ToAnsi(filePath);
    std::remove(m_State->targetPath.c_str());
    // A new object resumes leftovers of an earlier process only when their
    // companion names this very address (checked again after discovery);
    // anything else starts from zero.
    ResumeRecord record;
    m_State->mayResumeLeftovers =
        ReadResumeRecord(m_State->CompanionPath(), &record) && record.url == Utils::ToUtf8(url);
    if (!m_State->mayResumeLeftovers) {
        deletePartFiles(*m_State);
        std::remove(m_State->CompanionPath().c_str());
    }
}

CMTCurlDownloader::~CMTCurlDownloader() {
    {
        // An observer call in progress ends first; none starts afterwards.
        std::lock_guard<std::mutex> guard(m_State->callbackLock);
        m_State->released = true;
    }
    {
        std::lock_guard<std::mutex> guard(m_State->lock);
        m_State->changed.notify_all();
    }
    if (m_Thread) m_Thread->Join();
    // Released transfers stop at their next progress call; give them a moment
    // so that normally nothing outlives the object. Threads that take longer
    // still own the state and finish safely.
    std::unique_lock<std::mutex> guard(m_State->lock);
    m_State->changed.wait_for(guard, std::chrono::seconds(3),
                              [this] { return m_State->liveThreads == 0; });
    // Part files that no later process may resume are of no use to anyone.
    ResumeRecord record;
    if (!ReadResumeRecord(m_State->CompanionPath(), &record)) deletePartFiles(*m_State);
}

void CMTCurlDownloader::SetTuningForTest(const Tuning& tuning) { m_State->tuning = tuning; }

void CMTCurlDownloader::FailDigestReadsAtForTest(int64_t offset) {
    m_State->digestFaultAt = offset;
}

std::wstring CMTCurlDownloader::FailureReason() const {
    std::lock_guard<std::mutex> guard(m_State->failureLock);
    return m_State->failureReason;
}

void CMTCurlDownloader::Start() {
    if (m_Thread) {
        m_Thread->Join();
        m_Thread.reset();
    }
    std::shared_ptr<State> state = m_State;
    // The starter's requests count as libcurl use from before it starts
    // until it ends (not for as long as the thread object is kept).
    auto use = std::make_shared<Utils::CurlUser>();
    m_Thread = std::make_unique<Utils::Thread>(this, L"ABDEF", [state, use](void*) mutable {
        Start_Down(state);
        use.reset();
    });
    m_Thread->Start();
}

void CMTCurlDownloader::deletePartFiles(State& state) {
    DeleteFileA(state.PartPath(0));
    DeleteFileA(state.PartPath(1));
}

void CMTCurlDownloader::clearParts(State& state) {
    for (DownloadPartNode* node : state.parts) {
        node->file.Close();
        if (node->handle) curl_easy_cleanup(node->handle);
        delete node;
    }
    state.parts.clear();
    state.digest.reset();
}

bool CMTCurlDownloader::getRealDownloadUrl(State& state, const std::string& address) {
    state.realUrl.clear();
    state.urlMd5.clear();
    state.fileLength = 0;
    if (!state.curlReady) {
        state.SetFailure(L"libcurl could not be initialised");
        return false;
    }
    CURL* handle = curl_easy_init();
    if (!handle) {
        state.SetFailure(L"libcurl could not make a handle");
        return false;
    }

    curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
    DownloadWords::CurlWitness witness;
    // Peer and host verification stay on: the file is run with the user's
    // rights, so it must come from the server the address names.
    int optionErrors = 0;
    optionErrors |= curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_URL, address.c_str());
    optionErrors |= curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &DiscardBody);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 60L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_TIMEOUT, kHeadLimitSeconds);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, state.headLimits.stallSeconds);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 30L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &HeadProgress);
    optionErrors |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &state);
    optionErrors |= witness.Attach(handle);
    int result = optionErrors != 0 ? optionErrors : curl_easy_perform(handle);
    if (result != CURLE_OK) {
        if (optionErrors == 0)
            state.SetFailure(
                DownloadWords::DescribeCurl(witness.Read(handle, result), state.headLimits));
        curl_easy_cleanup(handle);
        curl_slist_free_all(headers);
        return false;
    }

    char* effective = nullptr;
    if (curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective &&
        *effective) {
        state.realUrl = effective;
        LOG(L"Download File real url %s", Utils::FromAnsi(state.realUrl).c_str());
        state.urlMd5 = Utils::GetUrlMd5(state.realUrl);
    }
    curl_off_t length = -1;
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status >= 200 &&
        status <= 399) {
        // Offsets are 32-bit: a larger package fails like an unknown size
        // rather than being cut to a wrong length.
        if (length >= 0 && length <= INT32_MAX) {
            state.fileLength = static_cast<int32_t>(length);
            LOG(L"Download File Length %lld", static_cast<long long>(state.fileLength));
        }
    }
    const std::string host = DownloadWords::HostOf(state.realUrl.empty() ? address : state.realUrl);
    if (status < 200 || status > 399)
        state.SetFailure(
            DownloadWords::DescribeCurl(witness.Read(handle, CURLE_OK), state.headLimits));
    else if (length > INT32_MAX)
        state.SetFailure(L"the file at " + Utils::FromUtf8(host) + L" is " +
                         std::to_wstring(length) + L" bytes, more than this downloader handles");
    else if (state.fileLength <= 255)
        state.SetFailure(DownloadWords::SizeRefused(host, length, 256));
    curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
    const bool known = !state.realUrl.empty() && state.fileLength > 255;
    if (known && state.reportSize) state.reportSize(static_cast<uint64_t>(state.fileLength));
    return known;
}

void CMTCurlDownloader::checkLeftovers(State& state) {
    if (state.leftoversChecked) return;
    state.leftoversChecked = true;
    const bool digest = CarriesDigest(state.realUrl);
    if (state.mayResumeLeftovers) {
        ResumeRecord record;
        const bool resume = digest && ReadResumeRecord(state.CompanionPath(), &record) &&
                            record.realUrl == state.realUrl && record.size == state.fileLength;
        if (!resume) {
            deletePartFiles(state);
            std::remove(state.CompanionPath().c_str());
        } else {
            int64_t have = 0;
            for (int i = 0; i < 2; ++i)
                have += std::max<int64_t>(0, Platform::FileSizeAt(state.PartPath(i)));
            if (have > 0) {
                state.resumed = true;
                LOG(L"resuming %lld bytes left by an earlier run", static_cast<long long>(have));
            }
        }
    }
    // Only a download whose digest will be checked may be resumed later.
    if (!digest) std::remove(state.CompanionPath().c_str());
}

void CMTCurlDownloader::recordCompanion(State& state) {
    // Before the first byte of every run's parts, also after a fresh start.
    if (!CarriesDigest(state.realUrl) || Platform::FileSizeAt(state.CompanionPath()) >= 0) return;
    if (!WriteResumeRecord(state.CompanionPath(),
                           {Utils::ToUtf8(state.url), state.realUrl, state.fileLength}))
        std::remove(state.CompanionPath().c_str());
}

void CMTCurlDownloader::Start_Down(const std::shared_ptr<State>& statePtr) {
    State& state = *statePtr;
    state.Report(DL_CODE_START, 1.0, L"");
    LOG(L"start download");
    const std::string& target = state.targetPath;
    const std::string address = Utils::StartsWith(state.url, L"file:///")
                                    ? Utils::ToAnsi(state.url)
                                    : Utils::ToUtf8(state.url);

    std::remove(target.c_str());
    // A fresh download, unless the part files hold this download's bytes:
    // progress of an earlier run of this object, or of an earlier process
    // (kept until discovery has confirmed them).
    const bool keepLeftovers = state.mayResumeLeftovers && !state.leftoversChecked;
    if (state.lastProgress == 0.0 && !state.resumed && !keepLeftovers) deletePartFiles(state);

    if (!(!state.realUrl.empty() && state.fileLength >= 256)) {
        if (!getRealDownloadUrl(state, address)) {
            state.Report(DL_CODE_FAIL, 0.0, kLibCurl);
            return;
        }
    }
    checkLeftovers(state);
    recordCompanion(state);

    int32_t n = state.fileLength / kSegmentUnit;
    if (n < 1) n = 1;
    if (n > 2) n = 2;
    int32_t offset = 0;
    for (int32_t i = 0; i < n; ++i) {
        int32_t size = state.fileLength / n;
        if (i == n - 1) size += state.fileLength % n;
        auto* node = new DownloadPartNode;
        node->partPath = state.PartPath(i);
        int64_t have = std::max<int64_t>(0, Platform::FileSizeAt(node->partPath));
        // A part file larger than its segment counts as complete.
        int64_t start = offset + have;
        node->start = start > INT32_MAX ? INT32_MAX : static_cast<int32_t>(start);
        node->end = offset + size - 1;
        node->received = have;
        node->handle = curl_easy_init();
        node->url = state.realUrl;
        if (node->start > node->end) {
            node->status = 0;
        } else {
            node->status = -1;
            if (!node->file.Open(node->partPath)) {
                node->status = -2;
                node->failure = DownloadWords::WriteFailed(node->partPath, node->file.Error());
            }
        }
        state.parts.push_back(node);
        offset += size;
    }
    // The digest thread reads the parts in order as they fill, the bytes of
    // an earlier run included.
    if (CarriesDigest(state.realUrl)) {
        std::vector<std::string> paths;
        for (int32_t i = 0; i < n; ++i) paths.push_back(state.PartPath(i));
        state.digest = std::make_unique<CMd5Follower>(paths);
        if (state.digestFaultAt >= 0) state.digest->FailReadsAtForTest(state.digestFaultAt);
        size_t index = 0;
        for (DownloadPartNode* node : state.parts) {
            if (node->file.IsOpen())
                node->file.Follow(state.digest.get(), index);
            else
                state.digest->Publish(index, Platform::FileSizeAt(node->partPath));
            ++index;
        }
    }

    bool first = true;
    if (state.released) {
        clearParts(state);
        return;
    }
    for (DownloadPartNode* node : state.parts) {
        if (node->status != -1) continue;
        if (!first && !state.Pause(state.tuning.threadGap)) break;
        first = false;
        {
            std::lock_guard<std::mutex> guard(state.lock);
            ++state.runningParts;
            if (++state.liveThreads == 1) state.threadsUseLibcurl.emplace();
        }
        std::thread(&CMTCurlDownloader::downloadThreadFun, statePtr, node).detach();
    }
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (++state.liveThreads == 1) state.threadsUseLibcurl.emplace();
    }
    std::thread(&CMTCurlDownloader::waitForFinishThreadFun, statePtr).detach();
}

int CMTCurlDownloader::downloadExe(State& state, DownloadPartNode* node) {
    char range[64];
    std::snprintf(range, sizeof range, "%ld-%ld", static_cast<long>(node->start),
                  static_cast<long>(node->end));
    CURL* h = node->handle;
    int optionErrors = 0;
    optionErrors |= curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_URL, node->url.c_str());
    optionErrors |= curl_easy_setopt(h, CURLOPT_TIMEOUT, 0L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CMTCurlDownloader::writeDataFun);
    optionErrors |= curl_easy_setopt(h, CURLOPT_WRITEDATA, node);
    optionErrors |= curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CMTCurlDownloader::progressFun);
    optionErrors |= curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);
    optionErrors |= curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 60L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    optionErrors |= curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, state.tuning.lowSpeedTime);
    optionErrors |= curl_easy_setopt(h, CURLOPT_RANGE, range);
    optionErrors |= curl_easy_setopt(h, CURLOPT_MAXREDIRS, 30L);
    // Larger receive pieces: fewer calls into the writer per megabyte.
    optionErrors |= curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 512L * 1024);
    optionErrors |= node->witness.Attach(h);
    if (optionErrors != 0) return optionErrors;

    node->attemptStart = node->start;
    int result = curl_easy_perform(h);
    // A range that ended cleanly but short (a 206 shorter than asked for, a
    // body cut without a length) is a broken transfer: the next attempt
    // asks for the rest.
    const bool shortRange = result == CURLE_OK && node->start <= node->end;
    if (shortRange) result = CURLE_PARTIAL_FILE;
    if (result != CURLE_OK) {
        LOG(L"error:%d:%s", result, CurlText(result).c_str());
        DownloadWords::Limits limits;
        limits.stallSeconds = state.tuning.lowSpeedTime;
        node->failure = shortRange
                            ? DownloadWords::ShortTransfer(DownloadWords::HostOf(node->url),
                                                           node->start, node->end + 1LL)
                            : DownloadWords::DescribeCurl(node->witness.Read(h, result), limits);
    } else {
        LOG(L"curl_easy_cleanup");
    }
    curl_easy_reset(h);
    if (result == CURLE_OK && node->file.IsOpen()) {
        // Buffered bytes reach the disk here; a failure means a short part.
        if (!node->file.Close()) {
            result = CURLE_WRITE_ERROR;
            node->writeFailed = true;
        }
    }
    if (node->writeFailed && node->file.Error() != 0)
        node->failure = DownloadWords::WriteFailed(node->partPath, node->file.Error());
    node->status = result;
    return result;
}

size_t CMTCurlDownloader::writeDataFun(char* ptr, size_t size, size_t nmemb, void* userdata) {
    auto* node = static_cast<DownloadPartNode*>(userdata);
    if (node->start > node->end || !node->file.IsOpen()) return 0;
    // A server that ignores the range answers 200 with the file from its
    // first byte: those bytes do not belong at this segment's offset.
    long status = 0;
    curl_easy_getinfo(node->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 206 && node->attemptStart != 0) return 0;
    size_t total = size * nmemb;
    size_t wanted = static_cast<size_t>(node->end - node->start) + 1;
    size_t take = total < wanted ? total : wanted;
    if (!node->file.Write(ptr, take)) {
        node->writeFailed = true;
        return 0;
    }
    node->start += static_cast<int32_t>(take);
    node->received += static_cast<int64_t>(take);
    return take;
}

int CMTCurlDownloader::progressFun(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    State& state = *static_cast<State*>(clientp);
    // Release is the one reason to stop a transfer from here.
    if (state.released) return 1;
    double percent = 0.0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        const int64_t now = static_cast<int64_t>(std::time(nullptr));
        if (now == state.lastProgressTime) return 0;
        state.lastProgressTime = now;
        for (DownloadPartNode* node : state.parts) {
            int64_t received = node->received.load();
            if (received > 0) percent += static_cast<double>(received) * 100.0 / state.fileLength;
        }
        if (percent > 100.0) return 0;
        if (percent - state.lastProgress < 1.0) return 0;
        state.lastProgress = percent;
    }
    state.Report(DL_CODE_PROGRESS, percent / 100.0, L"");
    return 0;
}

void CMTCurlDownloader::downloadThreadFun(std::shared_ptr<State> statePtr, DownloadPartNode* node) {
    State& state = *statePtr;
    int budget = 12;
    int result = downloadExe(state, node);
    while (result != 0 && budget > 0 && !state.released && !node->writeFailed) {
        budget -= result == CURLE_PARTIAL_FILE ? 1 : 2;
        LOG(L"CurlDownLoader Code=%d", result);
        if (!state.Pause(state.tuning.retryDelay)) break;
        result = downloadExe(state, node);
    }
    node->file.Close();
    std::lock_guard<std::mutex> guard(state.lock);
    --state.runningParts;
    if (--state.liveThreads == 0) state.threadsUseLibcurl.reset();
    state.changed.notify_all();
}

bool CMTCurlDownloader::joinParts(State& state) {
    const std::string first = state.PartPath(0);
    Platform::ByteFile out;
    int err = 0;
    bool ok = out.OpenWrite(first, &err);
    int64_t offset = ok ? out.Size(&err) : -1;
    if (offset < 0) ok = false;
    std::vector<char> block(kJoinBuffer);
    int index = 0;
    for (auto it = state.parts.begin(); ok && it != state.parts.end(); ++it, ++index) {
        if (index == 0) continue;
        const std::string path = state.PartPath(index);
        Platform::ByteFile in;
        if (!in.OpenRead(path, &err)) {
            ok = false;
            break;
        }
        // The kernel copies when it can, without the bytes passing through
        // this process; otherwise by hand from where it stopped.
        int64_t inOffset = 0;
        int copied = out.CopyFrom(in, &inOffset, &offset, &err);
        if (copied < 0) ok = false;
        while (ok && copied == 0) {
            int64_t n = in.ReadAt(block.data(), block.size(), inOffset, &err);
            if (n < 0) ok = false;
            if (n <= 0) break;
            if (!out.WriteAllAt(block.data(), static_cast<size_t>(n), offset, &err)) ok = false;
            inOffset += n;
            offset += n;
        }
        LOG(L"partPath::%s", Utils::FromAnsi(path).c_str());
    }
    if (!out.Close(ok ? &err : nullptr)) ok = false;
    if (ok && std::rename(first.c_str(), state.targetPath.c_str()) != 0) {
        err = errno;
        ok = false;
    }
    if (!ok) {
        std::remove(state.targetPath.c_str());
        state.SetFailure(DownloadWords::WriteFailed(state.targetPath, err));
    }
    deletePartFiles(state);
    return ok;
}

void CMTCurlDownloader::waitForFinishThreadFun(std::shared_ptr<State> statePtr) {
    State& state = *statePtr;
    {
        std::unique_lock<std::mutex> guard(state.lock);
        state.changed.wait(guard, [&] { return state.runningParts <= 0; });
    }
    auto finish = [&] {
        std::lock_guard<std::mutex> guard(state.lock);
        if (--state.liveThreads == 0) state.threadsUseLibcurl.reset();
        state.changed.notify_all();
    };
    if (state.released) {
        // Nothing is reported after release; files stay as they are.
        clearParts(state);
        finish();
        return;
    }

    int st = 0;
    for (DownloadPartNode* node : state.parts) {
        if (node->status != 0) {
            st = node->status;
            DownloadWords::CurlSeen seen;
            seen.result = st;
            seen.host = DownloadWords::HostOf(state.realUrl);
            state.SetFailure(node->failure.empty() ? DownloadWords::DescribeCurl(seen, {})
                                                   : node->failure);
            break;
        }
    }
    // The lengths the digest covers: the parts as they are joined.
    std::vector<int64_t> lengths;
    for (int i = 0; i < static_cast<int>(state.parts.size()); ++i)
        lengths.push_back(Platform::FileSizeAt(state.PartPath(i)));
    if (st == 0) {
        state.lastProgress = 0.0;
        state.resumed = false;
        if (!joinParts(state)) {
            // The target could not be assembled: a failed run, not a success.
            st = CURLE_WRITE_ERROR;
        }
    }
    if (st == 0) {
        std::remove(state.CompanionPath().c_str());
        if (state.urlMd5.size() == 32) {
            const std::string actual =
                state.digest ? state.digest->Finish(lengths) : Utils::GetFileMd5(state.targetPath);
            // A digest that cannot be computed leaves the file unchecked, so
            // it counts as a mismatch.
            if (!Utils::Md5Equal(actual, state.urlMd5)) {
                state.SetFailure(DownloadWords::DigestMismatch(state.urlMd5, actual));
                state.Report(DL_CODE_ERROR, 0.0, L"mtcurl文件md5校验失败");
                std::remove(state.targetPath.c_str());
                clearParts(state);
                finish();
                if (state.retried) {
                    LOG(L"finish recv, md5 chaek failed and retry failed.");
                    state.Report(DL_CODE_FAIL, 0.0, kLibCurl);
                } else {
                    state.retried = true;
                    LOG(L"finish recv, md5 chaek failed retry once.");
                    state.Report(DL_CODE_RETRY, 0.0, kLibCurl);
                }
                return;
            }
        } else {
            state.Report(DL_CODE_ERROR, 0.0, L"mtcurl获取url-md5失败");
        }
        LOG(L"finish recv");
        clearParts(state);
        finish();
        state.Report(DL_CODE_SUCCESS, 0.0, kLibCurl);
        return;
    }

    clearParts(state);
    if (state.lastProgress == 0.0 && !state.resumed) deletePartFiles(state);
    if (state.retried) {
        // The download failed for good: nothing of it stays behind.
        state.lastProgress = 0.0;
        state.resumed = false;
        deletePartFiles(state);
        std::remove(state.CompanionPath().c_str());
        finish();
        state.Report(DL_CODE_FAIL, static_cast<double>(st), kLibCurl);
    } else {
        state.retried = true;
        finish();
        state.Report(DL_CODE_RETRY, static_cast<double>(st), kLibCurl);
    }
}
