#pragma once
// MD5 digests (OpenSSL EVP) for checking a downloaded package against the
// digest its address carries. Pure functions; any thread.
#include <string>

namespace Utils {

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
