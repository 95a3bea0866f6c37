#pragma once
// Why a download or an installation failed, as the reason of an analytics
// task event. Composed and sent on the owner's thread.
#include <cstdint>
#include <string>

#include "InstallerBeacon.h"

namespace FailureReport {

// Composed texts keep at most this many characters.
constexpr size_t kMaxChars = 199;

// "1.code=%ld；2.msg=%s；3.缓存磁盘容量=%.2fG；4.缓存读写权限=%s；5.服务器连接状态code=%d"
std::wstring ComposeDownloadFailure(double code, const std::wstring& message, double freeGigabytes,
                                    bool writable, uint32_t networkVerdict);
// ":1.code=%ld；2.msg=%s"
std::wstring ComposeShort(double code, const std::wstring& message);

// Deletes a file at `packagePath` or creates one there and deletes it again.
// True when that worked; leaves no file behind.
bool WriteProbe(const std::wstring& packagePath);
// Free gigabytes for this user on the file system of the package's folder;
// 0 when it cannot be asked.
double FreeGigabytes(const std::wstring& packagePath);

// Composes (network verdict, write probe, free space) and sends the task
// event "下载失败原因".
void SendDownloadFailure(double code, const std::wstring& message, const std::wstring& packagePath,
                         const TrackExtras& extras);
// Sends ":1.code=..." as "下载失败原因" (download) or "安装失败原因".
void SendShort(double code, const std::wstring& message, bool download, const TrackExtras& extras);

}  // namespace FailureReport
