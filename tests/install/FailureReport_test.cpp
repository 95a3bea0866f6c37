// The texts of the failure reports and the probes they quote.
#include "install/FailureReport.h"

#include <gtest/gtest.h>

#include <clocale>

#include "ChildScripts.h"
#include "utils/Text.h"

namespace {

using installtest::HomePath;

TEST(FailureReport, DownloadFailureText) {
    EXPECT_EQ(FailureReport::ComposeDownloadFailure(28, L"LibCurl", 53687091200.0 / 1073741824.0,
                                                    true, 65536),
              L"1.code=28；2.msg=LibCurl；3.缓存磁盘容量=50.00G；4.缓存读写权限=可读；5."
              L"服务器连接状态code=65536");
    EXPECT_EQ(
        FailureReport::ComposeDownloadFailure(-2147467259.0, L"URLDownloadToFile", 0.5, false, 0),
        L"1.code=-2147467259；2.msg=URLDownloadToFile；3.缓存磁盘容量=0.50G；4.缓存读写权限="
        L"无权限；"
        L"5.服务器连接状态code=0");
}

TEST(FailureReport, FreeSpaceHasAPointUnderADecimalCommaLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const std::wstring text =
        FailureReport::ComposeDownloadFailure(28, L"LibCurl", 50.0, true, 65536);
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_NE(text.find(L"3.缓存磁盘容量=50.00G；"), std::wstring::npos);
}

TEST(FailureReport, ShortTexts) {
    EXPECT_EQ(FailureReport::ComposeShort(1000, L"disk full"), L":1.code=1000；2.msg=disk full");
    EXPECT_EQ(FailureReport::ComposeShort(2, L""), L":1.code=2；2.msg=");
    EXPECT_EQ(FailureReport::ComposeShort(2.9, L""), L":1.code=2；2.msg=");
    EXPECT_EQ(FailureReport::ComposeShort(1e12, L"x"), L":1.code=2147483647；2.msg=x");
    // A long package message is cut to what the report holds.
    const std::wstring t = FailureReport::ComposeShort(1000, std::wstring(500, L'm'));
    EXPECT_EQ(t.size(), FailureReport::kMaxChars);
}

TEST(FailureReport, WriteProbeLeavesNothingBehind) {
    const std::string dir = HomePath("d");
    testsupport::MakeDirs(dir);
    const std::string pkg = dir + "/__Package_lumoraapp.exe";
    EXPECT_TRUE(FailureReport::WriteProbe(Utils::FromAnsi(pkg)));
    EXPECT_FALSE(testsupport::FileExists(pkg));
    testsupport::WriteFile(pkg, "old");
    EXPECT_TRUE(FailureReport::WriteProbe(Utils::FromAnsi(pkg)));
    EXPECT_FALSE(testsupport::FileExists(pkg));
    EXPECT_FALSE(
        FailureReport::WriteProbe(Utils::FromAnsi(HomePath("missing/__Package_lumoraapp.exe"))));
}

TEST(FailureReport, FreeSpaceOfAFolderNotMadeYet) {
    EXPECT_GT(
        FailureReport::FreeGigabytes(Utils::FromAnsi(HomePath("not/yet/__Package_lumoraapp.exe"))),
        0.0);
}

}  // namespace
