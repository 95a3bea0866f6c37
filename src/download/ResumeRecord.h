#pragma once
// The companion file beside a side file or part files. It lets a later
// process resume what an earlier one left (a crash, a power cut, a kill)
// only when that is safe: the same address, the same final address and size,
// and a final address that carries the package's digest, so a damaged
// prefix is caught by the check at the end. Without a matching companion the
// leftovers are deleted and the download starts from zero.
#include <cstdint>
#include <string>

struct ResumeRecord {
    std::string url;      // the address the downloader was given (UTF-8)
    std::string realUrl;  // the final address after redirects
    int64_t size = -1;    // the package's size found by discovery
};

// False when the file is missing or not a companion.
bool ReadResumeRecord(const std::string& path, ResumeRecord* record);
// Replaces the file atomically; false when it cannot be written.
bool WriteResumeRecord(const std::string& path, const ResumeRecord& record);
// The address's digest element is 32 hexadecimal digits, so resumed bytes
// will be checked.
bool CarriesDigest(const std::string& realUrl);
