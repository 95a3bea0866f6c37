#include "utils/HardDiskManager.h"

#include "platform/DiskSpace.h"
#include "utils/Log.h"
#include "utils/Text.h"

namespace Utils {

bool HardDiskManager::CheckFreeSpace(const std::wstring& directory) {
    Platform::DiskSpace space;
    int code = 0;
    if (!Platform::QueryDiskSpace(ToAnsi(directory), space, &code)) {
        LOG_RAW(L"HardDiskManager::CheckFreeSpace FAIL code=%ld\r\n", static_cast<long>(code));
        return false;
    }
    m_FreeBytesAvailable = space.freeBytesAvailable;
    m_TotalBytes = space.totalBytes;
    m_TotalFreeBytes = space.totalFreeBytes;
    return true;
}

}  // namespace Utils
