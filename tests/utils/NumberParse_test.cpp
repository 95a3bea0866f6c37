#include "utils/NumberParse.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

TEST(NumberParse, DecimalsReadTheSameUnderADecimalCommaLocale) {
    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const auto half = Utils::ParseDecimal(L"0.5");
    const auto comma = Utils::ParseDecimal(L"0,5");
    std::setlocale(LC_ALL, old.c_str());
    ASSERT_TRUE(half.has_value());
    EXPECT_DOUBLE_EQ(*half, 0.5);
    ASSERT_TRUE(comma.has_value());
    EXPECT_DOUBLE_EQ(*comma, 0.0) << "a comma ends the number, as in the settings' own rules";
}
