#pragma once
// The request body of one batch: "data_list=" + the percent-encoded base64
// of the gzip of the batch text + "&gzip=1". Pure functions; any thread.
#include <string>

namespace beacon_analytics {

// gzip (deflate level 9, window bits 31, memory level 8, default strategy).
// False with the reason in *err when zlib refuses.
bool GzipCompress(const std::string& text, std::string* out, std::string* err);
// Standard base64 with "=" padding.
std::string Base64Encode(const std::string& bytes);
// Letters, digits and "-._~" stay; every other byte becomes %XX (upper case).
std::string PercentEncode(const std::string& text);
// The whole body for a batch text; false (reason on the console stream) when
// compression failed, in which case nothing may be sent.
bool EncodeBatchBody(const std::string& batchText, std::string* body);

}  // namespace beacon_analytics
