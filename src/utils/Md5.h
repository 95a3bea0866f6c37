#pragma once
// MD5 digests (OpenSSL EVP) for checking a downloaded package against the
// digest its address carries. Pure functions; any thread.
#include <cstddef>
#include <string>

namespace Utils {

// An MD5 digest fed piece by piece, for data that passes by anyway.
class Md5Stream {
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    void Update(const void* data, size_t size);
    // 32 lower-case hexadecimal digits, empty when the digest failed. Once.
    std::string Final();

private:
    void* m_Ctx;
    bool m_Failed = false;
};

// The file's MD5 as 32 lower-case hexadecimal digits; empty when the file
// cannot be opened or reading it fails. The path is in its 8-bit (ANSI) form.
std::string GetFileMd5(const std::string& path);

// The address's second-to-last path element: the text between the last "/"
// but one and the last "/". Empty when the address has fewer than two "/".
// ".../d41d8cd98f00b204e9800998ecf8427e/setup.exe" gives the digest.
std::string GetUrlMd5(const std::string& url);

// True when both are 32-digit hexadecimal digests that are equal without
// regard to case (servers write digests in either case).
bool Md5Equal(const std::string& a, const std::string& b);

}  // namespace Utils
