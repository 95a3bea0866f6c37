// The collector's side of a batch request: a request body from the network
// decoded (percent escapes, base64, gzip) and split into records.
//
// Input: byte 0 picks the stage that gets the rest (the whole body, or one
// decoder alone, so that each is reached with inputs it can read).
//
// Properties: what a decoder accepts, encoded again by the tracker's
// encoders, decodes to the same bytes; every record split from a batch is
// itself one JSON object.
#include <json/json.h>

#include <memory>
#include <string>
#include <vector>

#include "BatchBody.h"
#include "FuzzSupport.h"
#include "collector/CollectorDecoder.h"

namespace {

bool IsJsonObject(const std::string& text) {
    Json::CharReaderBuilder b;
    Json::CharReaderBuilder::strictMode(&b.settings_);
    std::unique_ptr<Json::CharReader> reader(b.newCharReader());
    Json::Value v;
    std::string errs;
    try {
        return reader->parse(text.data(), text.data() + text.size(), &v, &errs) && v.isObject();
    } catch (const std::exception&) {
        return false;
    }
}

void Split(const std::string& batch) {
    std::vector<std::string> records;
    std::string err;
    if (!collector::SplitRecords(batch, &records, &err)) {
        FUZZ_CHECK(!err.empty(), "a refused batch without a reason");
        return;
    }
    for (const std::string& r : records) FUZZ_CHECK(IsJsonObject(r), "a record is not one object");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::PrivateHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const uint8_t stage = in.Byte() % 5;
    const std::string text = in.Rest();
    std::string out, again, err;
    switch (stage) {
        case 0:
            if (collector::DecodeCollectBody(text, &out, &err))
                Split(out);
            else
                FUZZ_CHECK(!err.empty(), "a refused body without a reason");
            break;
        case 1:
            if (!collector::PercentDecode(text, &out, &err)) break;
            FUZZ_CHECK(collector::PercentDecode(beacon_analytics::PercentEncode(out), &again, &err),
                       "percent-encoded text refused: " + err);
            FUZZ_CHECK(again == out, "percent round trip changed the bytes");
            break;
        case 2:
            if (!collector::Base64Decode(text, &out, &err)) break;
            FUZZ_CHECK(collector::Base64Decode(beacon_analytics::Base64Encode(out), &again, &err),
                       "base64 text refused: " + err);
            FUZZ_CHECK(again == out, "base64 round trip changed the bytes");
            break;
        case 3:
            if (!collector::Gunzip(text, &out, &err)) break;
            FUZZ_CHECK(beacon_analytics::GzipCompress(out, &again, &err), "gzip failed: " + err);
            FUZZ_CHECK(collector::Gunzip(again, &out, &err), "our own gzip refused: " + err);
            break;
        case 4:
            Split(text);
            break;
    }
    return 0;
}
