#include "install/FailureReport.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/CLocale.h"
#include "platform/FileOps.h"
#include "utils/CheckNetwork.h"
#include "utils/HardDiskManager.h"
#include "utils/Text.h"

namespace FailureReport {
namespace {

// The report's value truncated toward zero to 32 bits; values outside that
// range (or not numbers) keep their nearest end.
long CodeOf(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return 2147483647L;
    if (value <= -2147483648.0) return -2147483647L - 1;
    return static_cast<long>(static_cast<int32_t>(value));
}

std::wstring Cut(std::wstring text) {
    if (text.size() > kMaxChars) text.resize(kMaxChars);
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.rfind(L'/');
    if (slash == std::wstring::npos) return L".";
    return slash == 0 ? std::wstring(L"/") : path.substr(0, slash);
}

}  // namespace

std::wstring ComposeDownloadFailure(double code, const std::wstring& message, double freeGigabytes,
                                    bool writable, uint32_t networkVerdict) {
    // "50.00G" in every locale: the collector's readers expect a point.
    const std::wstring gb = Platform::FormatWideC(L"%.2f", freeGigabytes);
    std::wstring t = L"1.code=" + std::to_wstring(CodeOf(code)) + L"；2.msg=" + message +
                     L"；3.缓存磁盘容量=" + gb + L"G；4.缓存读写权限=" +
                     (writable ? L"可读" : L"无权限") + L"；5.服务器连接状态code=" +
                     std::to_wstring(static_cast<int>(networkVerdict));
    return Cut(t);
}

std::wstring ComposeShort(double code, const std::wstring& message) {
    return Cut(L":1.code=" + std::to_wstring(CodeOf(code)) + L"；2.msg=" + message);
}

bool WriteProbe(const std::wstring& packagePath) {
    const std::string path = Utils::ToAnsi(packagePath);
    if (Platform::PathExistsAny(path) && !Platform::DeleteFileAt(path, nullptr)) return false;
    if (!Platform::CreateEmptyFile(path, nullptr)) return false;
    Platform::DeleteFileAt(path, nullptr);
    return true;
}

double FreeGigabytes(const std::wstring& packagePath) {
    Utils::HardDiskManager disk;
    disk.CheckFreeSpace(FolderOf(packagePath));  // figures stay 0 on failure
    return Utils::HardDiskManager::ToGigabytes(disk.GetFreeBytesAvailable());
}

void SendDownloadFailure(double code, const std::wstring& message, const std::wstring& packagePath,
                         const TrackExtras& extras) {
    const uint32_t verdict = Utils::CheckNetwork();
    const bool writable = WriteProbe(packagePath);
    const double freeGb = FreeGigabytes(packagePath);
    BeaconTrackTask(L"下载失败原因", 0.0f,
                    ComposeDownloadFailure(code, message, freeGb, writable, verdict), extras);
}

void SendShort(double code, const std::wstring& message, bool download, const TrackExtras& extras) {
    BeaconTrackTask(download ? L"下载失败原因" : L"安装失败原因", 0.0f, ComposeShort(code, message),
                    extras);
}

}  // namespace FailureReport
