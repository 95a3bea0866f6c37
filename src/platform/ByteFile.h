#pragma once
// Byte-exact access to large files for the downloaders: appending in large
// pieces, reading at an offset while another thread appends, sizes, copies
// through the kernel, and small companion files replaced atomically. Paths
// are in the file system's byte form. Nothing throws; failures carry errno.
// One object is used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

// The size of the file at the path, -1 when it cannot be queried.
int64_t FileSizeAt(const std::string& path);

// The system's text for an errno value.
std::string ErrnoText(int err);
// The errno value means the disk (or the user's quota) is full.
bool IsDiskFullError(int err);
// The errno value means the file outgrew a limit (the file system's or the
// process's file-size limit).
bool IsFileTooLargeError(int err);

// The whole file (at most `limit` bytes) into *out; false when it cannot be
// read or is larger.
bool ReadSmallFile(const std::string& path, std::string* out, size_t limit = 65536);
// Replaces the file with `bytes` through a temporary file and a rename, so a
// reader sees the old or the new content, never a part. False with errno in
// *err.
bool ReplaceFileContent(const std::string& path, const std::string& bytes, int* err);

class ByteFile {
public:
    ByteFile() = default;
    ~ByteFile();
    ByteFile(const ByteFile&) = delete;
    ByteFile& operator=(const ByteFile&) = delete;

    // Opens for appending, creating the file when missing.
    bool OpenAppend(const std::string& path, int* err);
    // Opens for writing at given offsets, creating the file when missing
    // (nothing is truncated).
    bool OpenWrite(const std::string& path, int* err);
    bool OpenRead(const std::string& path, int* err);
    bool IsOpen() const { return m_Fd >= 0; }

    // Writes everything (at the end for an appending file); false with errno
    // in *err, after which an unknown part may have been written.
    bool WriteAll(const void* data, size_t size, int* err);
    bool WriteAllAt(const void* data, size_t size, int64_t offset, int* err);
    // Up to `size` bytes from `offset`: the count read, 0 at the end, -1 with
    // errno in *err.
    int64_t ReadAt(void* data, size_t size, int64_t offset, int* err);
    // The open file's size, -1 with errno in *err.
    int64_t Size(int* err) const;

    // Appends the rest of `in` (from its offset `inOffset`) at `*offset` of
    // this file through the kernel, without the bytes passing through this
    // process, and advances both. 1 when everything was copied, 0 when the
    // kernel cannot copy between these files (nothing lost: go on by hand
    // from the offsets as they are), -1 with errno in *err.
    int CopyFrom(ByteFile& in, int64_t* inOffset, int64_t* offset, int* err);

    // Closes; false with errno in *err when the system reports a failure of
    // earlier writes.
    bool Close(int* err);

private:
    bool Open(const std::string& path, int flags, int* err);
    int m_Fd = -1;
};

}  // namespace Platform
