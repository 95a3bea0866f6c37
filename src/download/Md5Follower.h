#pragma once
// The MD5 digest of files that are still being written. A thread of its own
// reads each file from its first byte (bytes an earlier run left there
// included) as the writer announces new bytes, straight from the page cache,
// so the digest is ready moments after the last byte instead of after a
// second pass over the whole file. The digest covers the files in order, as
// if they were joined.
//
// Threads: Publish from any thread (the writers); Finish from one thread, once.
// Destruction stops the reader without waiting for the rest.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ByteFile.h"
#include "utils/Md5.h"

class CMd5Follower {
public:
    // Opens the files now, so that a file deleted later (a part joined into
    // the target) can still be read, and starts the reader. A file that
    // cannot be opened makes Finish answer empty.
    explicit CMd5Follower(const std::vector<std::string>& paths);
    ~CMd5Follower();
    CMd5Follower(const CMd5Follower&) = delete;
    CMd5Follower& operator=(const CMd5Follower&) = delete;

    // File `index` holds at least `size` bytes now.
    void Publish(size_t index, int64_t size);

    // The digest of the first lengths[i] bytes of each file, as 32 lower-case
    // hexadecimal digits, once the reader has read them; empty when a file
    // could not be opened or read, or is shorter.
    std::string Finish(const std::vector<int64_t>& lengths);

    // Tests: reads from this offset of the joined files on fail, as a disk
    // read error would.
    void FailReadsAtForTest(int64_t offset) { m_FailAt = offset; }

private:
    void Run();

    std::vector<std::unique_ptr<Platform::ByteFile>> m_Files;
    bool m_OpenFailed = false;
    std::atomic<int64_t> m_FailAt{-1};

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<int64_t> m_Published;  // guarded
    std::vector<int64_t> m_Lengths;    // guarded; empty until Finish
    bool m_Stop = false;               // guarded
    bool m_Done = false;               // guarded
    std::string m_Result;              // guarded, valid once m_Done

    Utils::Md5Stream m_Md5;  // the reader's own
    std::thread m_Reader;
};
