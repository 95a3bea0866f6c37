#pragma once
// Free space on the file system that holds a folder.
#include <cstdint>
#include <string>

namespace Utils {

class HardDiskManager {
public:
    HardDiskManager() = default;
    virtual ~HardDiskManager() = default;

    // True and the three figures for the file system of `directory` (or of
    // its nearest existing parent); false, a logged line with the system's
    // error code, and the figures unchanged when it cannot be asked.
    bool CheckFreeSpace(const std::wstring& directory);

    uint64_t GetFreeBytesAvailable() const { return m_FreeBytesAvailable; }
    uint64_t GetTotalBytes() const { return m_TotalBytes; }
    uint64_t GetTotalFreeBytes() const { return m_TotalFreeBytes; }
    // Bytes as gigabytes (divided by 2^30).
    static double ToGigabytes(uint64_t bytes) { return static_cast<double>(bytes) / 1073741824.0; }

private:
    uint64_t m_FreeBytesAvailable = 0;
    uint64_t m_TotalBytes = 0;
    uint64_t m_TotalFreeBytes = 0;
};

}  // namespace Utils
