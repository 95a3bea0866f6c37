#pragma once
// Free space of the file system that holds a folder.
#include <cstdint>
#include <string>

namespace Platform {

struct DiskSpace {
    uint64_t freeBytesAvailable = 0;  // what this user may still use
    uint64_t totalBytes = 0;
    uint64_t totalFreeBytes = 0;  // including blocks kept for root
};

// statvfs of `path`, or of its nearest existing parent when it does not exist
// yet (a relative path's parent chain ends at "."). False with errno's value
// in *errorCode when the file system cannot be asked.
bool QueryDiskSpace(const std::string& path, DiskSpace& out, int* errorCode);

}  // namespace Platform
