#include "CollectorDecoder.h"

#include <glib.h>
#include <json/json.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace collector {
namespace {

bool IsUnreserved(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool IsBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

}  // namespace

bool PercentDecode(const std::string& text, std::string* out, std::string* err) {
    out->clear();
    // GLib decodes the escapes and refuses broken ones; it lets any other
    // byte through and reads no "+" as a blank. The sender escapes all but
    // the unreserved characters, so anything else unescaped is refused here.
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsUnreserved(text[i]) || text[i] == '%') continue;
        *err = "byte " + std::to_string(static_cast<unsigned char>(text[i])) +
               " not allowed unescaped at offset " + std::to_string(i);
        return false;
    }
    GError* error = nullptr;
    GBytes* bytes =
        g_uri_unescape_bytes(text.data(), static_cast<gssize>(text.size()), nullptr, &error);
    if (!bytes) {
        *err = std::string("bad percent escape (") + (error ? error->message : "") + ")";
        if (error) g_error_free(error);
        return false;
    }
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    out->assign(data ? data : "", size);
    g_bytes_unref(bytes);
    return true;
}

bool Base64Decode(const std::string& text, std::string* out, std::string* err) {
    out->clear();
    if (text.size() % 4 != 0) {
        *err = "base64 length " + std::to_string(text.size()) + " is not a multiple of 4";
        return false;
    }
    // OpenSSL decodes the groups, but it trims blanks and "-" at the ends,
    // does not look at where "=" stands and gives the padding as zero bytes.
    // So the alphabet and the padding (one or two "=" at the very end) are
    // checked here and the padding bytes dropped afterwards.
    const size_t pad = text.empty() || text.back() != '=' ? 0
                       : text[text.size() - 2] == '='     ? 2
                                                          : 1;
    for (size_t i = 0; i + pad < text.size(); ++i) {
        if (IsBase64Char(text[i])) continue;
        *err = "bad base64 character at offset " + std::to_string(i);
        return false;
    }
    // EVP_DecodeBlock takes an int length: long text goes in whole groups.
    constexpr size_t kPiece = 4 << 20;
    std::vector<unsigned char> buf;
    for (size_t i = 0; i < text.size(); i += kPiece) {
        const size_t n = std::min(kPiece, text.size() - i);
        buf.resize(n / 4 * 3);
        const int got =
            EVP_DecodeBlock(buf.data(), reinterpret_cast<const unsigned char*>(text.data() + i),
                            static_cast<int>(n));
        if (got < 0) {
            *err = "bad base64 text near offset " + std::to_string(i);
            return false;
        }
        out->append(reinterpret_cast<const char*>(buf.data()), static_cast<size_t>(got));
    }
    out->resize(out->size() - pad);
    return true;
}

bool Gunzip(const std::string& bytes, std::string* out, std::string* err, size_t maxBytes) {
    out->clear();
    z_stream zs{};
    if (inflateInit2(&zs, 31) != Z_OK) {
        *err = "inflateInit2 failed";
        return false;
    }
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zs.avail_in = static_cast<uInt>(bytes.size());
    char chunk[32768];
    int rc;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(chunk);
        zs.avail_out = sizeof chunk;
        rc = inflate(&zs, Z_NO_FLUSH);
        out->append(chunk, sizeof chunk - zs.avail_out);
        if (out->size() > maxBytes) {
            inflateEnd(&zs);
            out->clear();
            *err = "batch text larger than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
    } while (rc == Z_OK);
    const uInt left = zs.avail_in;
    const std::string msg = zs.msg ? zs.msg : "";
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) {
        *err = "not a complete gzip stream (zlib " + std::to_string(rc) +
               (msg.empty() ? "" : ": " + msg) + ")";
        return false;
    }
    if (left != 0) {
        *err = std::to_string(left) + " bytes after the gzip stream";
        return false;
    }
    return true;
}

bool DecodeCollectBody(const std::string& body, std::string* batchText, std::string* err) {
    static const std::string kHead = "data_list=", kTail = "&gzip=1";
    if (body.size() < kHead.size() + kTail.size() || body.compare(0, kHead.size(), kHead) != 0 ||
        body.compare(body.size() - kTail.size(), kTail.size(), kTail) != 0) {
        *err = "body is not data_list=...&gzip=1";
        return false;
    }
    const std::string field = body.substr(kHead.size(), body.size() - kHead.size() - kTail.size());
    std::string base64, gz;
    if (!PercentDecode(field, &base64, err)) return false;
    if (!Base64Decode(base64, &gz, err)) return false;
    return Gunzip(gz, batchText, err);
}

bool SplitRecords(const std::string& batchText, std::vector<std::string>* records,
                  std::string* err) {
    records->clear();
    Json::CharReaderBuilder b;
    Json::CharReaderBuilder::strictMode(&b.settings_);
    std::unique_ptr<Json::CharReader> reader(b.newCharReader());
    // The reader would take a zero byte for the end of the text and accept
    // whatever follows it.
    if (const size_t zero = batchText.find('\0'); zero != std::string::npos) {
        *err = "batch is not JSON: a zero byte at offset " + std::to_string(zero);
        return false;
    }
    Json::Value root;
    std::string errs;
    bool parsed = false;
    try {
        parsed = reader->parse(batchText.data(), batchText.data() + batchText.size(), &root, &errs);
    } catch (const std::exception& e) {
        // The reader throws for nesting deeper than its stack limit.
        errs = e.what();
    }
    if (!parsed) {
        *err = "batch is not JSON: " + errs;
        return false;
    }
    if (!root.isArray()) {
        *err = "batch is not a JSON array";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
        const Json::Value& r = root[i];
        const std::string where = "record " + std::to_string(i);
        if (!r.isObject()) {
            *err = where + " is not an object";
            return false;
        }
        if (!r["type"].isString() || !r["distinct_id"].isString() || !r["time"].isIntegral() ||
            !r["properties"].isObject()) {
            *err = where + " lacks type, distinct_id, time or properties";
            return false;
        }
        const ptrdiff_t start = r.getOffsetStart(), limit = r.getOffsetLimit();
        if (start < 0 || limit > static_cast<ptrdiff_t>(batchText.size()) || limit <= start) {
            *err = where + ": no position";
            return false;
        }
        records->push_back(batchText.substr(start, limit - start));
    }
    return true;
}

}  // namespace collector
