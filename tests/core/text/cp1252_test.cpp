#include "core/text/cp1252.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

TEST(Cp1252, ConvertsTheSignsOfThisProgram) {
    EXPECT_EQ(cp1252ToUtf8("5 \xC5 90\xB0"), "5 \xC3\x85 90\xC2\xB0");
    EXPECT_EQ(utf8ToCp1252("\xC3\x85\xC2\xB0\xE2\x82\xAC"), "\xC5\xB0\x80");
    EXPECT_EQ(utf16ToCp1252(u"Fe\u00C5\u20AC\u03B1"), "Fe\xC5\x80?");
    EXPECT_EQ(utf8ToCp1252("\xCE\xB1\xFF"), "??");
    EXPECT_EQ(cp1252ToUtf16("5 \xC5 90\xB0\x80"), u"5 \u00C5 90\u00B0\u20AC");
}

TEST(Cp1252, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
    EXPECT_EQ(utf16ToCp1252(cp1252ToUtf16(all)), all);
}

} // namespace
} // namespace xtalsp
