#include "CollectorDecoder.h"

#include <json/json.h>
#include <zlib.h>

#include <memory>

namespace collector {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

bool PercentDecode(const std::string& text, std::string* out, std::string* err) {
    out->clear();
    out->reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            *out += c;
        } else if (c == '%') {
            int hi = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
            int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                *err = "bad percent escape at offset " + std::to_string(i);
                return false;
            }
            *out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            *err = "byte " + std::to_string(static_cast<unsigned char>(c)) +
                   " not allowed unescaped at offset " + std::to_string(i);
            return false;
        }
    }
    return true;
}

bool Base64Decode(const std::string& text, std::string* out, std::string* err) {
    out->clear();
    if (text.size() % 4 != 0) {
        *err = "base64 length " + std::to_string(text.size()) + " is not a multiple of 4";
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = text[i + k];
            const bool last = i + 4 == text.size();
            if (c == '=' && last && k >= 2 && (k == 3 || text[i + 3] == '=')) {
                v[k] = 0;
                ++pad;
                continue;
            }
            v[k] = Base64Value(c);
            if (v[k] < 0 || pad) {
                *err = "bad base64 character at offset " + std::to_string(i + k);
                return false;
            }
        }
        const uint32_t n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        *out += static_cast<char>((n >> 16) & 0xFF);
        if (pad < 2) *out += static_cast<char>((n >> 8) & 0xFF);
        if (pad < 1) *out += static_cast<char>(n & 0xFF);
    }
    return true;
}

bool Gunzip(const std::string& bytes, std::string* out, std::string* err) {
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
    Json::Value root;
    std::string errs;
    if (!reader->parse(batchText.data(), batchText.data() + batchText.size(), &root, &errs)) {
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
