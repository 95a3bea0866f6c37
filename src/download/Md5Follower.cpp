#include "download/Md5Follower.h"

#include <algorithm>

namespace {
constexpr size_t kReadBlock = 1 << 20;
}

CMd5Follower::CMd5Follower(const std::vector<std::string>& paths) : m_Published(paths.size(), 0) {
    for (const std::string& path : paths) {
        auto file = std::make_unique<Platform::ByteFile>();
        int err = 0;
        if (!file->OpenRead(path, &err)) m_OpenFailed = true;
        m_Files.push_back(std::move(file));
    }
    m_Reader = std::thread([this] { Run(); });
}

CMd5Follower::~CMd5Follower() {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Stop = true;
    }
    m_Changed.notify_all();
    m_Reader.join();
}

void CMd5Follower::Publish(size_t index, int64_t size) {
    {
        std::lock_guard<std::mutex> guard(m_Lock);
        if (index >= m_Published.size() || size <= m_Published[index]) return;
        m_Published[index] = size;
    }
    m_Changed.notify_all();
}

std::string CMd5Follower::Finish(const std::vector<int64_t>& lengths) {
    std::unique_lock<std::mutex> guard(m_Lock);
    if (lengths.size() != m_Files.size()) return std::string();
    m_Lengths = lengths;
    m_Changed.notify_all();
    m_Changed.wait(guard, [this] { return m_Done; });
    return m_Result;
}

void CMd5Follower::Run() {
    std::vector<char> block(kReadBlock);
    bool ok = !m_OpenFailed;
    int64_t joinedOffset = 0;  // offset in the files taken as one
    for (size_t i = 0; ok && i < m_Files.size(); ++i) {
        int64_t done = 0;
        for (;;) {
            int64_t limit;
            {
                std::unique_lock<std::mutex> guard(m_Lock);
                // Read what the writer announced; once the final lengths are
                // known, read up to them.
                m_Changed.wait(
                    guard, [&] { return m_Stop || !m_Lengths.empty() || m_Published[i] > done; });
                if (m_Stop) return;
                limit = m_Lengths.empty() ? m_Published[i] : m_Lengths[i];
            }
            if (done >= limit) {
                if (!m_Lengths.empty()) break;  // this file is complete
                continue;
            }
            const size_t want = static_cast<size_t>(std::min<int64_t>(limit - done, kReadBlock));
            int err = 0;
            int64_t n = m_Files[i]->ReadAt(block.data(), want, done, &err);
            if (m_FailAt >= 0 && joinedOffset + done + n > m_FailAt) n = -1;
            // A file that ends before its announced length is not what was
            // written: no digest.
            if (n <= 0) {
                ok = false;
                break;
            }
            m_Md5.Update(block.data(), static_cast<size_t>(n));
            done += n;
        }
        joinedOffset += done;
    }
    std::unique_lock<std::mutex> guard(m_Lock);
    // An error ends the reading at once, but the answer waits for Finish.
    m_Changed.wait(guard, [this] { return m_Stop || !m_Lengths.empty(); });
    m_Result = ok ? m_Md5.Final() : std::string();
    m_Done = true;
    m_Changed.notify_all();
}
