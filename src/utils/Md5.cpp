#include "utils/Md5.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace Utils {

namespace {
std::string Hex(const unsigned char* md, unsigned int len) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out.push_back(kHex[md[i] >> 4]);
        out.push_back(kHex[md[i] & 0x0F]);
    }
    return out;
}
}  // namespace

Md5Stream::Md5Stream() : m_Ctx(EVP_MD_CTX_new()) {
    if (!m_Ctx || EVP_DigestInit_ex(static_cast<EVP_MD_CTX*>(m_Ctx), EVP_md5(), nullptr) != 1)
        m_Failed = true;
}

Md5Stream::~Md5Stream() { EVP_MD_CTX_free(static_cast<EVP_MD_CTX*>(m_Ctx)); }

void Md5Stream::Update(const void* data, size_t size) {
    if (!m_Failed && EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(m_Ctx), data, size) != 1)
        m_Failed = true;
}

std::string Md5Stream::Final() {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (m_Failed || EVP_DigestFinal_ex(static_cast<EVP_MD_CTX*>(m_Ctx), md, &len) != 1) {
        m_Failed = true;
        return std::string();
    }
    m_Failed = true;  // finished
    return Hex(md, len);
}

std::string GetFileMd5(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::string();
    // The digest is fed 1024 bytes at a time; a large stdio buffer keeps
    // those small reads from costing one system call each.
    std::vector<char> streamBuffer(1 << 20);
    std::setvbuf(f, streamBuffer.data(), _IOFBF, streamBuffer.size());

    std::string result;
    try {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
        if (ctx && EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) == 1) {
            unsigned char block[1024];
            bool ok = true;
            for (;;) {
                size_t n = std::fread(block, 1, sizeof block, f);
                if (n == 0) break;
                if (EVP_DigestUpdate(ctx.get(), block, n) != 1) {
                    ok = false;
                    break;
                }
            }
            // A read error is not the end of the file: no digest then.
            if (std::ferror(f)) ok = false;
            unsigned char md[EVP_MAX_MD_SIZE];
            unsigned int mdLen = 0;
            if (ok && EVP_DigestFinal_ex(ctx.get(), md, &mdLen) == 1) result = Hex(md, mdLen);
        }
    } catch (...) {
        result.clear();
    }
    std::fclose(f);
    return result;
}

std::string GetUrlMd5(const std::string& url) {
    size_t last = url.rfind('/');
    if (last == std::string::npos || last == 0) return std::string();
    size_t before = url.rfind('/', last - 1);
    if (before == std::string::npos) return std::string();
    return url.substr(before + 1, last - before - 1);
}

bool Md5Equal(const std::string& a, const std::string& b) {
    if (a.size() != 32 || b.size() != 32) return false;
    auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (size_t i = 0; i < 32; ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace Utils
