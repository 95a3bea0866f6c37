#pragma once
// The analytics collector's side of a batch request: the body
// "data_list=<percent-encoded base64 of gzip>&gzip=1" decoded back to the
// batch text "[r1,r2,...]" and split into its records. Pure functions; any
// thread. Every failure says what was wrong in *err.
#include <string>
#include <vector>

namespace collector {

// Strict: only letters, digits, "-._~" and %XX are accepted.
bool PercentDecode(const std::string& text, std::string* out, std::string* err);
// Standard alphabet, "=" padding required, no blanks.
bool Base64Decode(const std::string& text, std::string* out, std::string* err);
// The largest batch text accepted: a batch holds at most 30 records, far
// below this, and a small body must not inflate without bound.
constexpr size_t kMaxBatchBytes = 64 << 20;
// One complete gzip member, nothing after it, inflating to at most
// `maxBytes`.
bool Gunzip(const std::string& bytes, std::string* out, std::string* err,
            size_t maxBytes = kMaxBatchBytes);

// The batch text of a request body.
bool DecodeCollectBody(const std::string& body, std::string* batchText, std::string* err);

// Checks that the batch is a JSON array of records (objects with text
// "type" and "distinct_id", an integer "time" and an object "properties")
// and gives each record's exact text, in batch order.
bool SplitRecords(const std::string& batchText, std::vector<std::string>* records,
                  std::string* err);

}  // namespace collector
