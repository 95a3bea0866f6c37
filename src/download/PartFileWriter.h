#pragma once
// A side or part file appended in large pieces through a buffer of our own
// (libcurl hands over 16 KiB at a time), so that exactly what has reached the
// file is known: after every piece a digest follower is told how far it may
// read. The first failure is kept with its errno, so that a full disk can be
// named as such.
//
// Threads: one writer at a time.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ByteFile.h"

class CMd5Follower;

class CPartFileWriter {
public:
    static constexpr size_t kBuffer = 1 << 20;
    static constexpr size_t kDirect = 256 * 1024;  // pieces this large skip the buffer

    CPartFileWriter() = default;
    ~CPartFileWriter() { Close(); }
    CPartFileWriter(const CPartFileWriter&) = delete;
    CPartFileWriter& operator=(const CPartFileWriter&) = delete;

    // Opens the file for appending (created when missing). False with
    // Error() set.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_File.IsOpen(); }
    // From now on, file `index` of `follower` hears of every piece written
    // (and at once of what the file already holds).
    void Follow(CMd5Follower* follower, size_t index);

    // Takes all the bytes, or none once the file has refused some.
    bool Write(const char* data, size_t size);
    // Writes out the buffer; false once anything failed.
    bool Flush();
    // Flushes and closes; false when any write failed.
    bool Close();

    // Bytes in the file plus those still buffered.
    int64_t Size() const { return m_Written + static_cast<int64_t>(m_Fill); }
    // errno of the first failure, 0 when none.
    int Error() const { return m_Error; }

private:
    Platform::ByteFile m_File;
    std::vector<char> m_Buffer;
    size_t m_Fill = 0;
    int64_t m_Written = 0;  // bytes in the file
    int m_Error = 0;
    CMd5Follower* m_Follower = nullptr;
    size_t m_FollowerIndex = 0;
};
