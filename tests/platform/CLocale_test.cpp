#include "platform/CLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

// The user's locale with a decimal comma, for as long as the object lives;
// skipped where the locale is not installed (scripts/bootstrap makes it).
class CommaLocale {
public:
    CommaLocale() {
        const char* old = std::setlocale(LC_ALL, nullptr);
        m_Old = old ? old : "C";
        m_Ok = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() { std::setlocale(LC_ALL, m_Old.c_str()); }
    bool Ok() const { return m_Ok; }

private:
    std::string m_Old;
    bool m_Ok = false;
};

}  // namespace

TEST(CLocale, NumbersKeepTheDecimalPointUnderACommaLocale) {
    CommaLocale de;
    if (!de.Ok()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    // The user's locale is really in force: plain conversions use a comma.
    char plain[32];
    std::snprintf(plain, sizeof plain, "%.2f", 50.0);
    ASSERT_STREQ(plain, "50,00");

    EXPECT_EQ(Platform::FormatC("%.2fG", 53687091200.0 / 1073741824.0), "50.00G");
    EXPECT_EQ(Platform::FormatWideC(L"%.1f %ls", 0.5, L"MB/s"), L"0.5 MB/s");
    char* end = nullptr;
    const char* text = "0.6rest";
    EXPECT_DOUBLE_EQ(Platform::StringToDoubleC(text, &end), 0.6);
    EXPECT_EQ(end, text + 3);
    {
        Platform::CNumericScope c;
        std::snprintf(plain, sizeof plain, "%.2f", 50.0);
        EXPECT_STREQ(plain, "50.00");
        EXPECT_DOUBLE_EQ(std::strtod("0.25", nullptr), 0.25);
    }
    std::snprintf(plain, sizeof plain, "%.2f", 50.0);
    EXPECT_STREQ(plain, "50,00") << "the scope ends with its object";
}

TEST(CLocale, ReadingFollowsStrtod) {
    struct Case {
        const char* text;
        double value;
        size_t used;
    } cases[] = {
        {"  -1.5e2x", -150.0, 8}, {"+3", 3.0, 2}, {"abc", 0.0, 0}, {"", 0.0, 0}, {"1,5", 1.0, 1},
    };
    for (const auto& c : cases) {
        char* end = nullptr;
        EXPECT_DOUBLE_EQ(Platform::StringToDoubleC(c.text, &end), c.value) << c.text;
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.used) << c.text;
    }
}

TEST(CLocale, LongTextsAreFormattedWhole) {
    const std::wstring long_(3000, L'x');
    EXPECT_EQ(Platform::FormatWideC(L"%ls%d", long_.c_str(), 7), long_ + L"7");
    EXPECT_EQ(Platform::FormatC("%s", std::string(5000, 'y').c_str()).size(), 5000u);
}
