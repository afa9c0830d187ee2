#include "core/text/numbertext.h"

#include "support/localetest.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

TEST(NumberFormatting, MatchesPrintfInTheCLocale) {
    EXPECT_EQ(formatG(5.4305), "5.4305");
    EXPECT_EQ(formatG(0.00001), "1e-05");
    EXPECT_EQ(formatG(123456789.0), "1.23457e+08");
    EXPECT_EQ(formatG(-0.0), "-0");
    EXPECT_EQ(formatG(100000.0), "100000");
    EXPECT_EQ(formatG(1000000.0), "1e+06");
    EXPECT_EQ(formatFixed(5.4305, 20, 10), "        5.4305000000");
    EXPECT_EQ(formatFixed(2.675, 4, 2), "2.67"); // the binary value lies below 2.675
    EXPECT_EQ(formatFixed(0.5, 4, 2), "0.50");
    EXPECT_EQ(formatFixed(1.0, 0, 2), "1.00");
    EXPECT_EQ(formatScientific(1234.5, 3), "1.234e+03");
    EXPECT_EQ(formatInt(-42), "-42");
}

TEST(NumberFormatting, FormatNumberIsCompact) {
    EXPECT_EQ(FormatNumber(90), "90");
    EXPECT_EQ(FormatNumber(5.4305), "5.4305");
    EXPECT_EQ(FormatNumber(0.25), "0.25");
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(0.00001), "0.00001");
    EXPECT_EQ(FormatNumber(0.000009), "9e-06");
    EXPECT_EQ(FormatNumber(1e7), "10000000");
    EXPECT_EQ(FormatNumber(1.5e7), "1.5e+07");
    EXPECT_EQ(FormatNumber(-2.56), "-2.56");
    EXPECT_EQ(FormatNumber(1.0 / 3.0), "0.3333333333");
    EXPECT_EQ(trimFixedNumber("   3.135300"), "3.1353");
    EXPECT_EQ(trimFixedNumber("  120.000000"), "120");
}

TEST(NumberReading, FollowsTheAtofGrammar) {
    EXPECT_EQ(readReal("5.4305"), 5.4305);
    EXPECT_EQ(readReal("  \t-.5"), -0.5);
    EXPECT_EQ(readReal("+3"), 3.0);
    EXPECT_EQ(readReal("5."), 5.0);
    EXPECT_EQ(readReal("1e"), 1.0);
    EXPECT_EQ(readReal("1E-3"), 0.001);
    EXPECT_EQ(readReal("5.4305abc"), 5.4305);
    EXPECT_EQ(readReal("12cm"), 12.0);
    EXPECT_EQ(readReal(""), 0.0);
    EXPECT_EQ(readReal("Si"), 0.0);
    EXPECT_EQ(readReal("--3"), 0.0);
    EXPECT_EQ(readReal("."), 0.0);
    EXPECT_EQ(readReal("5,4305"), 5.0); // a comma is no decimal point in files
}

TEST(NumberReading, RefusesNonFiniteAndHexText) {
    EXPECT_EQ(readReal("inf"), 0.0);
    EXPECT_EQ(readReal("-infinity"), 0.0);
    EXPECT_EQ(readReal("nan"), 0.0);
    EXPECT_EQ(readReal("0x1p3"), 0.0);
    EXPECT_TRUE(std::isinf(readReal("1e400")));
    EXPECT_GT(readReal("1e400"), 0.0);
    EXPECT_LT(readReal("-1e400"), 0.0);
    EXPECT_EQ(readReal("1e-400"), 0.0);
    EXPECT_EQ(readReal("0.0000001e-320"), 0.0);
    EXPECT_TRUE(std::isinf(readReal("123456789e308")));
}

TEST(NumberReading, IntegersFollowTheAtoiGrammar) {
    EXPECT_EQ(readInt("8.5"), 8);
    EXPECT_EQ(readInt("  -12 atoms"), -12);
    EXPECT_EQ(readInt("+7"), 7);
    EXPECT_EQ(readInt("abc"), 0);
    EXPECT_EQ(readInt(""), 0);
    EXPECT_EQ(readInt("99999999999"), INT_MAX);
    EXPECT_EQ(readInt("-99999999999"), INT_MIN);
    EXPECT_EQ(readInt("-2147483648"), INT_MIN);
}

TEST(NumberText, IgnoresTheProcessLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    char printed[32];
    std::snprintf(printed, sizeof printed, "%g", 5.4305);
    ASSERT_STREQ(printed, "5,4305") << "the locale switch did not take effect";
    EXPECT_EQ(formatG(5.4305), "5.4305");
    EXPECT_EQ(formatFixed(5.4305, 20, 10), "        5.4305000000");
    EXPECT_EQ(FormatNumber(0.25), "0.25");
    EXPECT_EQ(readReal("5.4305"), 5.4305);
    EXPECT_EQ(readReal("5,4305"), 5.0);
}

} // namespace
} // namespace xtalsp
