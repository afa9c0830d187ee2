#include "core/text/stepedit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

TEST(StepEditArrow, LandsOnTheNextMultipleOfTheStep) {
    EXPECT_EQ(stepEditArrow(2.5, 1.0, true), 3.0);
    EXPECT_EQ(stepEditArrow(3.0, 1.0, true), 4.0);
    EXPECT_EQ(stepEditArrow(2.5, 1.0, false), 2.0);
    EXPECT_EQ(stepEditArrow(-2.5, 1.0, false), -3.0);
    EXPECT_EQ(stepEditArrow(-2.5, 1.0, true), -2.0);
    EXPECT_EQ(stepEditArrow(0.0, 1.0, false), -1.0);
    EXPECT_EQ(stepEditArrow(0.0, 1.0, true), 1.0);
    EXPECT_EQ(stepEditArrow(0.001, 10.0, true), 10.0);
    EXPECT_EQ(stepEditArrow(0.001, 10.0, false), 0.0);
    EXPECT_EQ(stepEditArrow(-89.9999, 1.0, true), -89.0);
    // Up from -0.5 lands on zero, which shows as "0", not "-0".
    EXPECT_EQ(stepEditText(stepEditArrow(-0.5, 1.0, true), ""), "0");
}

TEST(StepEditArrow, TreatsRoundingNoiseAsAligned) {
    // 0.3 / 0.1 is a hair below 3 in binary; it is still three whole steps.
    EXPECT_DOUBLE_EQ(stepEditArrow(0.3, 0.1, true), 0.4);
    EXPECT_DOUBLE_EQ(stepEditArrow(0.3, 0.1, false), 0.2);
}

TEST(StepEditArrow, LeavesValuesAloneWithoutAUsableStep) {
    EXPECT_EQ(stepEditArrow(2.5, 0.0, true), 2.5);
    EXPECT_EQ(stepEditArrow(2.5, -1.0, true), 2.5);
    // Far beyond the int range the arithmetic still lands on the neighbouring multiple.
    EXPECT_EQ(stepEditArrow(1e12, 1.0, true), 1e12 + 1.0);
}

TEST(StepEditShownValue, RoundsIntegersHalfAwayFromZeroThenClamps) {
    const StepEditRange indices{-999.0, 999.0, 1.0, true};
    EXPECT_EQ(stepEditShownValue(2.5, indices), 3.0);
    EXPECT_EQ(stepEditShownValue(-2.5, indices), -3.0);
    EXPECT_EQ(stepEditText(stepEditShownValue(-0.4, indices), ""), "0");
    EXPECT_EQ(stepEditShownValue(998.6, indices), 999.0);
    EXPECT_EQ(stepEditShownValue(1e300, indices), 999.0);

    const StepEditRange film{2.0, 500.0, 1.0, false};
    EXPECT_EQ(stepEditShownValue(1.0, film), 2.0);
    EXPECT_EQ(stepEditShownValue(2.5, film), 2.5);
    EXPECT_EQ(stepEditShownValue(501.0, film), 500.0);
    EXPECT_EQ(stepEditShownValue(std::numeric_limits<double>::infinity(), film), 500.0);
    EXPECT_EQ(stepEditShownValue(-std::numeric_limits<double>::infinity(), film), 2.0);
    EXPECT_EQ(stepEditShownValue(std::nan(""), film), 2.0);
}

TEST(StepEditText, ShowsPrintfGeneralNotationAndTheSuffix) {
    EXPECT_EQ(stepEditText(12.0, ""), "12");
    EXPECT_EQ(stepEditText(100.0, " %"), "100 %");
    EXPECT_EQ(stepEditText(0.001, " %"), "0.001 %");
    EXPECT_EQ(stepEditText(1e-5, ""), "1e-05");
}

TEST(StepEditCleanText, TurnsLineBreaksIntoBlanks) {
    EXPECT_EQ(stepEditCleanText("12\r\n5"), "12  5");
    EXPECT_EQ(stepEditCleanText("\n3"), " 3");
    EXPECT_EQ(stepEditCleanText("4.5 cm"), "4.5 cm");
}

} // namespace
} // namespace xtalsp
