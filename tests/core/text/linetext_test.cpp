#include "core/text/linetext.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

std::string cleaned(std::string line) {
    CleanLine(line);
    return line;
}

TEST(CleanLine, TurnsSeparatorsIntoBlanksAndCutsComments) {
    EXPECT_EQ(cleaned("5.4305\t5.4305, 5.4305\t! Lattice"), "5.4305 5.4305  5.4305");
    EXPECT_EQ(cleaned("  Quartz  low  ! name"), "Quartz  low");
    EXPECT_EQ(cleaned("# only a comment"), "");
    EXPECT_EQ(cleaned("1.5 0.8 # a ! b"), "1.5 0.8");
    EXPECT_EQ(cleaned("\t \r\n"), "");
    // Without a comment the trailing white space stays.
    EXPECT_EQ(cleaned(" Si 0 0 0  "), "Si 0 0 0  ");
}

TEST(SplitTokens, CutsAtBlanksAndKeepsTheRemainder) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitTokens("Si 0.5 0.25 0 1", 5), (V{"Si", "0.5", "0.25", "0", "1"}));
    EXPECT_EQ(SplitTokens("Si 0 0 0", 5), (V{"Si", "0", "0", "0", ""}));
    EXPECT_EQ(SplitTokens("1 2 3 4 5", 3), (V{"1", "2", "3 4 5"}));
    EXPECT_EQ(SplitTokens("1   2", 3), (V{"1", "2", ""}));
    EXPECT_EQ(SplitTokens("1 ", 3), (V{"1", "", ""}));
    EXPECT_EQ(SplitTokens("", 3), (V{"", "", ""}));
    EXPECT_EQ(SplitTokens("Quartz  low", 1), (V{"Quartz  low"}));
    EXPECT_EQ(SplitTokens("a b", 0), V{});
}

TEST(SplitLines, AcceptsBothLineEndsAndAnOpenLastLine) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(splitLines("a\r\nb\nc"), (V{"a", "b", "c"}));
    EXPECT_EQ(splitLines("a\n\nb\n"), (V{"a", "", "b"}));
    EXPECT_EQ(splitLines(""), V{});
    EXPECT_EQ(splitLines("x\r"), (V{"x\r"}));
}

} // namespace
} // namespace xtalsp
