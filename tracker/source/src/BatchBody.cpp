#include "BatchBody.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

#include "Console.h"

namespace beacon_analytics {

bool GzipCompress(const std::string& text, std::string* out, std::string* err) {
    z_stream zs{};
    if (deflateInit2(&zs, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        *err = "deflateInit2 failed while compressing.";
        return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zs.avail_in = static_cast<uInt>(text.size());
    out->clear();
    char chunk[32768];
    int rc;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(chunk);
        zs.avail_out = sizeof chunk;
        rc = deflate(&zs, Z_FINISH);
        out->append(chunk, sizeof chunk - zs.avail_out);
    } while (rc == Z_OK);
    if (rc != Z_STREAM_END) {
        *err = "Exception during zlib compression: (" + std::to_string(rc) + ") " +
               (zs.msg ? zs.msg : "");
        deflateEnd(&zs);
        return false;
    }
    deflateEnd(&zs);
    return true;
}

std::string Base64Encode(const std::string& bytes) {
    // EVP_EncodeBlock takes an int length: long input goes in whole groups
    // of three bytes, so the pieces join into one padded text.
    constexpr size_t kPiece = 3 << 20;
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::vector<unsigned char> buf;
    for (size_t i = 0; i < bytes.size(); i += kPiece) {
        const size_t n = std::min(kPiece, bytes.size() - i);
        buf.resize((n + 2) / 3 * 4 + 1);
        const int written = EVP_EncodeBlock(buf.data(), p + i, static_cast<int>(n));
        out.append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(written));
    }
    return out;
}

std::string PercentEncode(const std::string& text) {
    // libcurl keeps exactly the letters, digits and "-._~" and writes %XX in
    // upper case, which is what the collector expects. It refuses input over
    // 8 MB, so long text goes in pieces (escaping is byte by byte).
    constexpr size_t kPiece = 1 << 20;
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (size_t i = 0; i < text.size(); i += kPiece) {
        const size_t n = std::min(kPiece, text.size() - i);
        char* escaped = curl_easy_escape(nullptr, text.data() + i, static_cast<int>(n));
        if (!escaped) throw std::bad_alloc();
        out += escaped;
        curl_free(escaped);
    }
    return out;
}

bool EncodeBatchBody(const std::string& batchText, std::string* body) {
    std::string gz, err;
    if (!GzipCompress(batchText, &gz, &err)) {
        ConsoleLine(err);
        return false;
    }
    *body = "data_list=" + PercentEncode(Base64Encode(gz)) + "&gzip=1";
    return true;
}

}  // namespace beacon_analytics
