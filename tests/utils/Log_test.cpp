#include "utils/Log.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/Process.h"
#include "support/LogCapture.h"
#include "utils/Text.h"

using Utils::FormatDebugLog;
using Utils::FunctionNameFromSignature;

namespace {

struct Probe {
    std::string LogFromMethod() {
        testsupport::LogCapture cap;
        LOG(L"value %d", 7);
        return cap.Text();
    }
    std::string LogFromLambda() {
        testsupport::LogCapture cap;
        auto f = [] { LOG(L"in lambda"); };
        f();
        return cap.Text();
    }
};

}  // namespace

TEST(LogFunctionName, TakenFromTheCompilersSignature) {
    struct Case {
        const char* pretty;
        const wchar_t* name;
    } cases[] = {
        {"int CurlClient::Start()", L"CurlClient::Start"},
        {"static size_t CurlClient::WriteCallback(void*, size_t, size_t, void*)",
         L"CurlClient::WriteCallback"},
        {"Utils::Thread::Thread(void*, std::wstring, Callable)", L"Utils::Thread::Thread"},
        {"std::vector<int> A::B<T>::get(int) const [with T = int]", L"A::B<T>::get"},
        {"CDownloadInstaller::Start()::<lambda(int, double, const std::wstring&)>",
         L"CDownloadInstaller::Start::<lambda>::operator ()"},
        {"bool X::operator()(int)", L"X::operator()"},
        {"int main(int, char**)", L"main"},
    };
    for (const auto& c : cases) EXPECT_EQ(FunctionNameFromSignature(c.pretty), c.name) << c.pretty;
}

TEST(LogHeader, FieldWidthsAreMinimumWidths) {
    std::wstring line = FormatDebugLog(LUMORA_LOG_HEADER L"THREAD BEGIN\r\n", 123456, 77, 2021, 3,
                                       5, 14, 2, 9, 31, L"Utils::Thread::CallBack", 7);
    EXPECT_EQ(line,
              L"<P123456><T00077><2021-03-05 14:02:09.031>(Utils::Thread::CallBack)<0007>: "
              L"THREAD BEGIN\r\n");
}

TEST(LogHeader, WindowsStyleWideStringConversionsAndPercentSigns) {
    // "%s" takes a wide string as on Windows; a percent sign inside an argument
    // is printed as it is, "%%" in the format gives one.
    std::wstring line =
        FormatDebugLog(L"(%s)<%04d>: partPath::%s %d%%\r\n", L"F", 1234, L"/tmp/50%s", 9);
    EXPECT_EQ(line, L"(F)<1234>: partPath::/tmp/50%s 9%\r\n");
    std::wstring progress =
        FormatDebugLog(L" %dM %dM   progress:%f%%  speed:%f \n", 40, 100, (double)40.5f, 12.0);
    EXPECT_EQ(progress, L" 40M 100M   progress:40.500000%  speed:12.000000 \n");
}

TEST(LogLine, OneLinePerCallWithHeaderOfTheCallSite) {
    const std::string text = Probe().LogFromMethod();
    const std::string pid = std::to_string(Platform::CurrentProcessId());
    std::regex re(
        "^<P0*" + pid +
        R"(><T\d{5,}><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(\{anonymous\}::Probe::LogFromMethod\)<\d{4}>: value 7\n$)");
    EXPECT_TRUE(std::regex_match(text, re)) << text;
}

TEST(LogLine, LambdaNamesItsEnclosingFunction) {
    const std::string text = Probe().LogFromLambda();
    EXPECT_NE(text.find("({anonymous}::Probe::LogFromLambda::<lambda>::operator ())"),
              std::string::npos)
        << text;
}

TEST(LogLine, LinesWithoutLineEndStillEndTheirLine) {
    testsupport::LogCapture cap;
    LOG_RAW(L"error:%d:%s", 7, L"Couldn't connect");
    LOG_RAW(L"DL_TYPE=%d\r\n", 3);
    auto lines = cap.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find(": error:7:Couldn't connect"), std::string::npos);
    EXPECT_NE(lines[1].find(": DL_TYPE=3"), std::string::npos);
    EXPECT_EQ(lines[1].find('\r'), std::string::npos);
}

TEST(LogLine, ChineseTextIsWrittenAsUtf8) {
    testsupport::LogCapture cap;
    LOG(L"%s", L"安装包卸载失败");
    EXPECT_NE(cap.Text().find(Utils::ToUtf8(L"安装包卸载失败")), std::string::npos);
}
