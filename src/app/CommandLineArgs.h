#pragma once
// Options of the form -name=value. Every argument becomes one entry (the
// program path too): "-k=v" gives key "-k" and value "v" (split at the first
// "="); anything else is a key with an empty value. The first occurrence of a
// key wins. Keys are compared exactly.
#include <map>
#include <optional>
#include <string>
#include <vector>

class InstallerConfig;

class CommandLineArgs {
public:
    CommandLineArgs() = default;
    explicit CommandLineArgs(const std::vector<std::wstring>& arguments);

    bool Has(const std::wstring& key) const { return m_Entries.count(key) != 0; }
    // Empty when absent.
    std::wstring GetString(const std::wstring& key) const;
    // strtol rules; 0 when absent or not a number.
    int GetInt(const std::wstring& key) const;
    // Exactly "true".
    bool GetBool(const std::wstring& key) const;
    // strtod rules; `fallback` when absent or not a number.
    double GetDouble(const std::wstring& key, double fallback) const;

    const std::map<std::wstring, std::wstring>& Entries() const { return m_Entries; }

private:
    std::map<std::wstring, std::wstring> m_Entries;
};

// Splits a Windows-style command line (CommandLineToArgvW rules) and builds
// the map.
CommandLineArgs ParseCommandLine(const std::wstring& commandLine);

// Writes every known option that is present into the record. `arguments` are
// the process's arguments as received, argv[0] included. A numeric value that
// is out of its type's range, or a scale that is not a number, keeps the value
// the record had.
void ApplyCommandLine(const std::vector<std::wstring>& arguments, InstallerConfig& config);
