#include "gui/view/viewmetrics.h"

#include <gtest/gtest.h>

#include <limits>

namespace xtalsp::gui {
namespace {

TEST(ViewMetrics, ZoomPercentageRoundsHalfUp) {
    EXPECT_EQ(zoomPercentage(0.67), 67);
    EXPECT_EQ(zoomPercentage(1.0), 100);
    EXPECT_EQ(zoomPercentage(0.994), 99);
    EXPECT_EQ(zoomPercentage(0.995), 100);
    EXPECT_EQ(zoomPercentage(5.0), 500);
}

TEST(ViewMetrics, ZoomIsKeptBetweenTenAndFiveHundredPercent) {
    EXPECT_EQ(clampZoom(0.67), 0.67);
    EXPECT_EQ(clampZoom(0.1), 0.1);
    EXPECT_EQ(clampZoom(5.0), 5.0);
    EXPECT_EQ(clampZoom(0.0), 0.1);
    EXPECT_EQ(clampZoom(-2.0), 0.1);
    EXPECT_EQ(clampZoom(1e300), 5.0);
    EXPECT_EQ(clampZoom(std::numeric_limits<double>::infinity()), 1.0);
}

TEST(ViewMetrics, ScrollSizesAreTheExtentInPixelsWithTenthSteps) {
    // At 254 dpi one drawing unit is one pixel.
    const ScrollMetrics exact = scrollMetrics({2040, 1540}, 254, 254);
    EXPECT_EQ(exact.width, 2040);
    EXPECT_EQ(exact.height, 1540);
    EXPECT_EQ(exact.pageX, 204);
    EXPECT_EQ(exact.pageY, 154);
    EXPECT_EQ(exact.lineX, 20);
    EXPECT_EQ(exact.lineY, 15);
    // At 96 dpi a partly covered pixel still belongs to the drawing.
    const ScrollMetrics screen = scrollMetrics({2040, 1540}, 96, 96);
    EXPECT_EQ(screen.width, 772);
    EXPECT_EQ(screen.height, 583);
    // Steps never vanish, and absurd extents stay within what a scroll bar can hold.
    const ScrollMetrics tiny = scrollMetrics({40, 40}, 96, 96);
    EXPECT_EQ(tiny.lineX, 1);
    const ScrollMetrics huge = scrollMetrics({std::numeric_limits<int>::max(), -5}, 1200, 1200);
    EXPECT_GT(huge.width, 0);
    EXPECT_LT(huge.width, std::numeric_limits<int>::max() / 2);
    EXPECT_EQ(huge.height, 0);
}

TEST(ViewMetrics, PrintedDrawingIsCentredWithHalvesTruncatedTowardZero) {
    // A4 portrait printable area of about 190 x 277 mm, true-size 200 x 150 mm film.
    EXPECT_EQ(printedDrawingOffset(1900, 2770, {2040, 1540}), QPoint(-70, 615));
    EXPECT_EQ(printedDrawingOffset(1901, 2771, {2040, 1540}), QPoint(-69, 615));
    EXPECT_EQ(printedDrawingOffset(2771, 1900, {2040, 1540}), QPoint(365, 180));
}

} // namespace
} // namespace xtalsp::gui
