#pragma once
// The system's name and version as the download-route rule reads them.
#include <string>

namespace Utils {

// The Windows version-name table: "XP-", "2K", "XP", "Server 2003",
// "Server 2003 R2", "XP+", "Vista", "7", "8", "8.1", "8.1+", "10", "10+", or
// "major.minor.build" (build cut to its low 16 bits) for majors without a name.
std::wstring WindowsVersionName(unsigned major, unsigned minor, unsigned build, bool serverR2);

// System name and version name of the running system. On Linux: "Linux" and
// the kernel release (never a Windows name, so never an "XP" route).
void GetOsVersion(std::wstring& systemName, std::wstring& versionName);

// True when this process is a 32-bit process on a 64-bit system.
bool IsWow64();

}  // namespace Utils
