#include "BatchBody.h"

#include <zlib.h>

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
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (; i + 2 < bytes.size(); i += 3) {
        uint32_t v = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        uint32_t v = p[i] << 16;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        uint32_t v = (p[i] << 16) | (p[i + 1] << 8);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

std::string PercentEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3 / 2);
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
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
