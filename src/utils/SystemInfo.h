#pragma once
// Facts about the system and places on disk that the installation needs.
// Each answers with a neutral value (empty, false, 0) on failure and logs;
// none throws. Any thread.
#include <cstdint>
#include <string>

namespace Utils {

// The private temporary folder: "~TaMikTemp.92482B06FB471E17" in the user's
// temporary folder, made with mode 0700 when missing. The full path with a
// trailing "/", or empty when it cannot be made or is not a real folder that
// only this user may use.
std::wstring GetTempFolder();

// Makes the folder and its missing parents. True when it exists afterwards.
// A path over 260 characters fails without creating anything.
bool MakeDirectoryTree(const std::wstring& path);

// A new GUID as 32 hexadecimal digits, the third field in lower case, all
// other digits upper case: 3F2504E04F8911d39A0C0305E82C3301.
std::wstring CreateGuidString();
// The GUID text for given bytes (data1 big-endian first).
std::wstring FormatGuid(const uint8_t bytes[16]);

// This process runs with administrator rights.
bool IsRunAsAdmin();
// That account has administrator rights; false for an empty or unknown name.
bool IsAdminAccount(const std::wstring& userName);
// True and the name of the user at the console; false and `name` unchanged
// when it cannot be asked.
bool GetConsoleUserName(std::wstring& name);
// The two facts the command lines carry: the console user is an
// administrator, and this process is elevated.
bool ConsoleUserIsAdmin();

// Id of the first running process whose executable file name is exactly
// `name`; 0 when none runs.
uint32_t FindProcessByName(const std::wstring& name);

// Seconds since Start() as a 32-bit float; 0 before the first Start().
class ElapsedTimer {
public:
    void Start();
    float GetElapsedSeconds() const;
    bool IsStarted() const { return m_Started; }

private:
    uint32_t m_StartTick = 0;
    bool m_Started = false;
};

}  // namespace Utils
