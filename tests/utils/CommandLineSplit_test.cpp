#include "utils/CommandLineSplit.h"

#include <gtest/gtest.h>

using Utils::QuoteArgument;
using Utils::SplitCommandLine;
using Args = std::vector<std::wstring>;

TEST(CommandLineSplit, WindowsRules) {
    struct Case {
        std::wstring line;
        Args args;
    } cases[] = {
        {L"prog a b", {L"prog", L"a", L"b"}},
        {L"prog   a\tb  ", {L"prog", L"a", L"b"}},
        {L"\"C:\\Program Files\\x.exe\" -a=1", {L"C:\\Program Files\\x.exe", L"-a=1"}},
        {L"C:\\dir\\\"x -a", {L"C:\\dir\\\"x", L"-a"}},  // no escapes in the program name
        {L"p \"a b\" c", {L"p", L"a b", L"c"}},
        {L"p -instdir=\"/opt/my dir\" /D=/opt/my dir",
         {L"p", L"-instdir=/opt/my dir", L"/D=/opt/my", L"dir"}},
        {L"p a\\\\b", {L"p", L"a\\\\b"}},        // backslashes not before a quote
        {L"p a\\\"b", {L"p", L"a\"b"}},          // \" is a quote
        {L"p a\\\\\"b c\"", {L"p", L"a\\b c"}},  // \\" is one backslash and a quote toggle
        {L"p a\\\\\\\"b", {L"p", L"a\\\"b"}},    // \\\" is a backslash and a quote
        {L"p \"a\"\"b\" c", {L"p", L"a\"b c"}},  // "" inside quotes ends them
        {L"p \"\" x", {L"p", L"", L"x"}},        // empty quoted argument
        {L"p \"unterminated arg", {L"p", L"unterminated arg"}},
        {L"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
}

TEST(CommandLineSplit, QuotedArgumentComesBackExactly) {
    const std::wstring texts[] = {
        L"/opt/lumora tool", L"C:\\Apps\\", L"dir with \"quote\"", L"a\\\"b", L"",
        L"\\\\srv\\",        L"两个 字",
    };
    for (const auto& t : texts) {
        Args args = SplitCommandLine(L"prog " + QuoteArgument(t) + L" next");
        ASSERT_EQ(args.size(), 3u) << t;
        EXPECT_EQ(args[1], t);
        EXPECT_EQ(args[2], L"next");
        // The same quoting after a prefix, as in -instdir="...".
        args = SplitCommandLine(L"prog -instdir=" + QuoteArgument(t));
        ASSERT_EQ(args.size(), 2u);
        EXPECT_EQ(args[1], L"-instdir=" + t);
    }
}
