#include "utils/OsVersion.h"

#include <gtest/gtest.h>

using Utils::WindowsVersionName;

TEST(WindowsVersionName, Table) {
    struct Case {
        unsigned major, minor, build;
        bool r2;
        const wchar_t* name;
    } cases[] = {
        {0, 0, 0, false, L"XP-"},
        {4, 9, 0, false, L"XP-"},
        {5, 0, 0, false, L"2K"},
        {5, 1, 0, false, L"XP"},
        {5, 2, 0, false, L"Server 2003"},
        {5, 2, 0, true, L"Server 2003 R2"},
        {5, 3, 0, false, L"XP+"},
        {6, 0, 0, false, L"Vista"},
        {6, 1, 7601, false, L"7"},
        {6, 2, 0, false, L"8"},
        {6, 3, 0, false, L"8.1"},
        {6, 4, 0, false, L"8.1+"},
        {10, 0, 22631, false, L"10"},
        {10, 2, 0, false, L"10+"},
        {7, 0, 5, false, L"7.0.5"},
        {11, 3, 2, false, L"11.3.2"},
        // The system sets high bits in the build number; only the low 16 count.
        {12, 1, 0xF0000000u | 100, false, L"12.1.100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WindowsVersionName(c.major, c.minor, c.build, c.r2), c.name)
            << c.major << "." << c.minor;
}

TEST(OsVersion, LinuxReportsItsKernelRelease) {
    std::wstring system, version;
    Utils::GetOsVersion(system, version);
    EXPECT_EQ(system, L"Linux");
    EXPECT_FALSE(version.empty());
    EXPECT_EQ(version.find(L"XP"), std::wstring::npos);
    EXPECT_FALSE(Utils::IsWow64()) << "a 64-bit build is never a 32-bit process on a 64-bit system";
}
