#include "download/MTCurlDownloader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "utils/Log.h"
#include "utils/Md5.h"
#include "utils/Text.h"

namespace {

constexpr size_t kPartFileBuffer = 1 << 20;
constexpr size_t kJoinBuffer = 1 << 20;
const std::wstring kLibCurl = L"LibCurl";

size_t DiscardBody(char*, size_t size, size_t nmemb, void*) { return size * nmemb; }

std::wstring CurlText(int code) {
    return Utils::FromAnsi(curl_easy_strerror(static_cast<CURLcode>(code)));
}

void DeleteFileA(const std::string& path) { std::remove(path.c_str()); }

}  // namespace

void CMTCurlDownloader::State::Report(int code, double value, const std::wstring& text) {
    std::lock_guard<std::mutex> guard(callbackLock);
    if (released || !callback) return;
    callback(code, value, text);
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
    m_State->callback = callback;
    m_State->filePath = filePath;
    m_State->url = url;
    m_State->targetPath = Utils::ToAnsi(filePath);
    // A new object never resumes leftovers of an earlier process.
    std::remove(m_State->targetPath.c_str());
    deletePartFiles(*m_State);
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
}

void CMTCurlDownloader::SetTuningForTest(const Tuning& tuning) { m_State->tuning = tuning; }

void CMTCurlDownloader::Start() {
    if (m_Thread) {
        m_Thread->Join();
        m_Thread.reset();
    }
    std::shared_ptr<State> state = m_State;
    m_Thread =
        std::make_unique<Utils::Thread>(this, L"ABDEF", [state](void*) { Start_Down(state); });
    m_Thread->Start();
}

void CMTCurlDownloader::deletePartFiles(State& state) {
    DeleteFileA(state.PartPath(0));
    DeleteFileA(state.PartPath(1));
}

void CMTCurlDownloader::clearParts(State& state) {
    for (DownloadPartNode* node : state.parts) {
        if (node->file) std::fclose(node->file);
        if (node->handle) curl_easy_cleanup(node->handle);
        delete node;
    }
    state.parts.clear();
}

bool CMTCurlDownloader::getRealDownloadUrl(State& state, const std::string& address) {
    state.realUrl.clear();
    state.urlMd5.clear();
    state.fileLength = 0;
    if (!state.curlReady) return false;
    CURL* handle = curl_easy_init();
    if (!handle) return false;

    curl_slist* headers = curl_slist_append(nullptr, "Connection: keep-alive");
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
    if (optionErrors != 0 || curl_easy_perform(handle) != CURLE_OK) {
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
    curl_easy_cleanup(handle);
    curl_slist_free_all(headers);
    return !state.realUrl.empty() && state.fileLength > 255;
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
    if (state.lastProgress == 0.0) deletePartFiles(state);

    if (!(!state.realUrl.empty() && state.fileLength >= 256)) {
        if (!getRealDownloadUrl(state, address)) {
            state.Report(DL_CODE_FAIL, 0.0, kLibCurl);
            return;
        }
    }

    int32_t n = state.fileLength / kSegmentUnit;
    if (n < 1) n = 1;
    if (n > 2) n = 2;
    int32_t offset = 0;
    for (int32_t i = 0; i < n; ++i) {
        int32_t size = state.fileLength / n;
        if (i == n - 1) size += state.fileLength % n;
        auto* node = new DownloadPartNode;
        node->partPath = state.PartPath(i);
        int64_t have = 0;
        struct stat st;
        if (::stat(node->partPath.c_str(), &st) == 0) have = st.st_size;
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
            node->file = std::fopen(node->partPath.c_str(), "ab+");
            if (!node->file) {
                node->status = -2;
            } else {
                node->fileBuffer.resize(kPartFileBuffer);
                if (offset == 0 && have == 0) node->md5 = std::make_unique<Utils::Md5Stream>();
                std::setvbuf(node->file, node->fileBuffer.data(), _IOFBF, node->fileBuffer.size());
            }
        }
        state.parts.push_back(node);
        offset += size;
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
            ++state.liveThreads;
        }
        std::thread(&CMTCurlDownloader::downloadThreadFun, statePtr, node).detach();
    }
    {
        std::lock_guard<std::mutex> guard(state.lock);
        ++state.liveThreads;
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
    if (optionErrors != 0) return optionErrors;

    node->attemptStart = node->start;
    int result = curl_easy_perform(h);
    if (result != CURLE_OK)
        LOG(L"error:%d:%s", result, CurlText(result).c_str());
    else
        LOG(L"curl_easy_cleanup");
    curl_easy_reset(h);
    if (result == CURLE_OK && node->file) {
        // Buffered bytes reach the disk here; a failure means a short part.
        if (std::fclose(node->file) != 0) {
            result = CURLE_WRITE_ERROR;
            node->writeFailed = true;
        }
        node->file = nullptr;
    }
    node->status = result;
    return result;
}

size_t CMTCurlDownloader::writeDataFun(char* ptr, size_t size, size_t nmemb, void* userdata) {
    auto* node = static_cast<DownloadPartNode*>(userdata);
    if (node->start > node->end || !node->file) return 0;
    // A server that ignores the range answers 200 with the file from its
    // first byte: those bytes do not belong at this segment's offset.
    long status = 0;
    curl_easy_getinfo(node->handle, CURLINFO_RESPONSE_CODE, &status);
    if (status != 206 && node->attemptStart != 0) return 0;
    size_t total = size * nmemb;
    size_t wanted = static_cast<size_t>(node->end - node->start) + 1;
    size_t take = total < wanted ? total : wanted;
    size_t written = std::fwrite(ptr, 1, take, node->file);
    if (node->md5) node->md5->Update(ptr, written);
    if (written < take) node->writeFailed = true;
    node->start += static_cast<int32_t>(written);
    node->received += static_cast<int64_t>(written);
    return written;
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
    if (node->file) {
        std::fclose(node->file);
        node->file = nullptr;
    }
    std::lock_guard<std::mutex> guard(state.lock);
    --state.runningParts;
    --state.liveThreads;
    state.changed.notify_all();
}

namespace {

bool WriteAllAt(int fd, const char* data, size_t size, off_t& offset) {
    while (size > 0) {
        ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

// Appends the part file `in` at `offset` of `outFd`, then feeds the whole
// part into `md5` when given. The kernel copies when it can, without a round
// trip of the bytes through this process; otherwise 1024-byte blocks are
// read through a large stdio buffer and written in large pieces.
bool AppendPart(std::FILE* in, int outFd, off_t& offset, std::vector<char>& inBuffer,
                std::vector<char>& outBuffer, Utils::Md5Stream* md5) {
    std::setvbuf(in, inBuffer.data(), _IOFBF, inBuffer.size());
    bool copied = false;
    for (;;) {
        ssize_t n = ::copy_file_range(fileno(in), nullptr, outFd, &offset, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) {
            copied = true;
            break;
        }
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return false;
        break;  // not between these files: go on by hand from where the kernel stopped
    }
    char block[1024];
    if (!copied) {
        size_t fill = 0;
        for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) {
            if (fill + n > outBuffer.size()) {
                if (!WriteAllAt(outFd, outBuffer.data(), fill, offset)) return false;
                fill = 0;
            }
            std::memcpy(outBuffer.data() + fill, block, n);
            fill += n;
        }
        if (std::ferror(in) || !WriteAllAt(outFd, outBuffer.data(), fill, offset)) return false;
    }
    if (md5) {
        if (std::fseek(in, 0, SEEK_SET) != 0) return false;
        for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) md5->Update(block, n);
        if (std::ferror(in)) return false;
    }
    return true;
}

}  // namespace

bool CMTCurlDownloader::joinParts(State& state, Utils::Md5Stream* md5) {
    const std::string first = state.PartPath(0);
    int outFd = ::open(first.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (outFd < 0) return false;
    struct stat st;
    bool ok = ::fstat(outFd, &st) == 0;
    off_t offset = ok ? st.st_size : 0;
    std::vector<char> inBuffer(kJoinBuffer), outBuffer(kJoinBuffer);
    int index = 0;
    for (auto it = state.parts.begin(); ok && it != state.parts.end(); ++it, ++index) {
        if (index == 0) continue;
        const std::string path = state.PartPath(index);
        std::FILE* in = std::fopen(path.c_str(), "rb+");
        if (!in) {
            ok = false;
            break;
        }
        ok = AppendPart(in, outFd, offset, inBuffer, outBuffer, md5);
        std::fclose(in);
        LOG(L"partPath::%s", Utils::FromAnsi(path).c_str());
    }
    if (::close(outFd) != 0) ok = false;
    if (ok && std::rename(first.c_str(), state.targetPath.c_str()) != 0) ok = false;
    if (!ok) std::remove(state.targetPath.c_str());
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
        --state.liveThreads;
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
            break;
        }
    }
    // The first segment's digest, when it saw every byte of its part.
    Utils::Md5Stream* md5 = nullptr;
    if (st == 0 && state.urlMd5.size() == 32) {
        DownloadPartNode* first = state.parts.front();
        if (first->md5 && first->received.load() == static_cast<int64_t>(first->end) + 1)
            md5 = first->md5.get();
    }
    if (st == 0) {
        state.lastProgress = 0.0;
        if (!joinParts(state, md5)) {
            // The target could not be assembled: a failed run, not a success.
            st = CURLE_WRITE_ERROR;
        }
    }
    if (st == 0) {
        if (state.urlMd5.size() == 32) {
            const std::string actual = md5 ? md5->Final() : Utils::GetFileMd5(state.targetPath);
            if (actual.size() == 32 && !Utils::Md5Equal(actual, state.urlMd5)) {
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
    if (state.lastProgress == 0.0) deletePartFiles(state);
    finish();
    if (state.retried) {
        state.lastProgress = 0.0;
        state.Report(DL_CODE_FAIL, static_cast<double>(st), kLibCurl);
    } else {
        state.retried = true;
        state.Report(DL_CODE_RETRY, static_cast<double>(st), kLibCurl);
    }
}
