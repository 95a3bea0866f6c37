#include "platform/ByteFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace Platform {

int64_t FileSizeAt(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::string ErrnoText(int err) { return std::strerror(err); }

bool IsDiskFullError(int err) { return err == ENOSPC || err == EDQUOT; }

bool IsFileTooLargeError(int err) { return err == EFBIG; }

bool ReadSmallFile(const std::string& path, std::string* out, size_t limit) {
    ByteFile f;
    int err = 0;
    if (!f.OpenRead(path, &err)) return false;
    out->clear();
    char block[4096];
    for (int64_t at = 0;;) {
        int64_t n = f.ReadAt(block, sizeof block, at, &err);
        if (n < 0) return false;
        if (n == 0) break;
        out->append(block, static_cast<size_t>(n));
        at += n;
        if (out->size() > limit) return false;
    }
    return true;
}

bool ReplaceFileContent(const std::string& path, const std::string& bytes, int* err) {
    const std::string tmp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (err) *err = errno;
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (err) *err = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
        if (err) *err = errno;
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

ByteFile::~ByteFile() {
    if (m_Fd >= 0) ::close(m_Fd);
}

bool ByteFile::Open(const std::string& path, int flags, int* err) {
    if (m_Fd >= 0) ::close(m_Fd);
    m_Fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (m_Fd < 0 && err) *err = errno;
    return m_Fd >= 0;
}

bool ByteFile::OpenAppend(const std::string& path, int* err) {
    return Open(path, O_WRONLY | O_CREAT | O_APPEND, err);
}

bool ByteFile::OpenWrite(const std::string& path, int* err) {
    return Open(path, O_WRONLY | O_CREAT, err);
}

bool ByteFile::OpenRead(const std::string& path, int* err) { return Open(path, O_RDONLY, err); }

bool ByteFile::WriteAll(const void* data, size_t size, int* err) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(m_Fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (err) *err = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ByteFile::WriteAllAt(const void* data, size_t size, int64_t offset, int* err) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(m_Fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (err) *err = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

int64_t ByteFile::ReadAt(void* data, size_t size, int64_t offset, int* err) {
    for (;;) {
        ssize_t n = ::pread(m_Fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && err) *err = errno;
        return n;
    }
}

int64_t ByteFile::Size(int* err) const {
    struct stat st {};
    if (::fstat(m_Fd, &st) != 0) {
        if (err) *err = errno;
        return -1;
    }
    return st.st_size;
}

int ByteFile::CopyFrom(ByteFile& in, int64_t* inOffset, int64_t* offset, int* err) {
    for (;;) {
        off_t from = static_cast<off_t>(*inOffset), to = static_cast<off_t>(*offset);
        ssize_t n = ::copy_file_range(in.m_Fd, &from, m_Fd, &to, 1 << 30, 0);
        if (n > 0) {
            *inOffset = from;
            *offset = to;
            continue;
        }
        if (n == 0) return 1;
        if (errno == EINTR) continue;
        // Not between these files (another file system, no support): the
        // caller copies the rest itself.
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) return 0;
        if (err) *err = errno;
        return -1;
    }
}

bool ByteFile::Close(int* err) {
    if (m_Fd < 0) return true;
    int rc = ::close(m_Fd);
    m_Fd = -1;
    if (rc != 0 && errno != EINTR) {
        if (err) *err = errno;
        return false;
    }
    return true;
}

}  // namespace Platform
