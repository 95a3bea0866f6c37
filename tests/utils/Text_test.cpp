#include "utils/Text.h"

#include <gtest/gtest.h>

using namespace Utils;

TEST(TextConversion, RoundTripsThroughCodePages) {
    const std::wstring chinese = L"安装包安装失败";
    EXPECT_EQ(FromUtf8(ToUtf8(chinese)), chinese);
    EXPECT_EQ(ToUtf8(L"中文"), "\xE4\xB8\xAD\xE6\x96\x87");
    // GBK bytes of 中文 through code page 936.
    EXPECT_EQ(MultiByteToWide("\xD6\xD0\xCE\xC4", 936), L"中文");
    EXPECT_EQ(WideToMultiByte(L"中文", 936), "\xD6\xD0\xCE\xC4");
}

TEST(TextConversion, UnknownCodePageGivesEmptyText) {
    EXPECT_EQ(MultiByteToWide("abc", 99999), L"");
    EXPECT_EQ(WideToMultiByte(L"abc", -5), "");
}

TEST(TextConversion, InputEndsAtFirstZero) {
    EXPECT_EQ(MultiByteToWide(std::string("ab\0cd", 5), CP_UTF8), L"ab");
    EXPECT_EQ(WideToMultiByte(std::wstring(L"ab\0cd", 5), CP_UTF8), "ab");
}

TEST(TextConversion, UnrepresentableCharactersAreReplacedNotDropped) {
    EXPECT_EQ(WideToMultiByte(L"a中b", 1252), "a?b");
    // A broken UTF-8 sequence still yields the text around it.
    std::wstring w = MultiByteToWide(
        "a\xFF"
        "b",
        CP_UTF8);
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0], L'a');
    EXPECT_EQ(w[2], L'b');
}

TEST(UrlEncode, Table) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"a/b?c=d&e", "a/b?c=d&e"},
        {" \xE4\xB8\xAD", "+%E4%B8%AD"},
        {"50%+~:", "50%+~:"},
        {std::string("a\0b", 3), "a%00b"},
        {"\t\x7F", "%09%7F"},
        // Unlike URI escaping, every printable byte stays, and only a real
        // blank becomes "+" (an escaped one is left as it is).
        {"%20 \x80\xFF", "%20+%80%FF"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.in), c.out) << c.in;
    std::string printable;
    for (char b = 0x21; b <= 0x7E; ++b) printable += b;
    EXPECT_EQ(UrlEncode(printable), printable);
    EXPECT_EQ(UrlEncodeW(L"http://h/安 装"), L"http://h/%E5%AE%89+%E8%A3%85");
}

TEST(Trim, OnlyAsciiWhiteSpaceCounts) {
    struct Case {
        std::wstring in, both, left, right;
    } cases[] = {
        {L" \t\r\n\v\f", L"", L"", L""},
        {L"  a b  ", L"a b", L"a b  ", L"  a b"},
        {L"\x3000x\x3000", L"\x3000x\x3000", L"\x3000x\x3000", L"\x3000x\x3000"},
        {L"Success\r", L"Success", L"Success\r", L"Success"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.in), c.both);
        EXPECT_EQ(TrimLeft(c.in), c.left);
        EXPECT_EQ(TrimRight(c.in), c.right);
    }
}

TEST(StringTools, StartsWithReplaceAllToWString) {
    EXPECT_TRUE(StartsWith(L"file:///tmp/x", L"file:///"));
    EXPECT_FALSE(StartsWith(L"http://h/file:///x", L"file:///"));
    EXPECT_FALSE(StartsWith(L"fil", L"file:///"));
    EXPECT_EQ(ReplaceAll(L"a${ROUTE}b${ROUTE}", L"${ROUTE}", L"r"), L"arbr");
    EXPECT_EQ(ReplaceAll(L"nothing", L"${ROUTE}", L"r"), L"nothing");
    EXPECT_EQ(ToWString(4294967295u), L"4294967295");
    EXPECT_EQ(ToWString(0), L"0");
}
