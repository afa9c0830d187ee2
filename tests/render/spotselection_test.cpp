#include "render/spotselection.h"

#include "support/filmcontent.h"
#include "support/makespot.h"

#include <gtest/gtest.h>

#include <vector>

namespace xtalsp {
namespace {

using test::makeSpot;

// On the 2000 x 1500 film at scale 1 the 20 x 20 template is (1010, -760, 1030, -780); a spot
// at (500, 300) occupies (1510, -460, 1530, -480).
TEST(SpotHitTest, LeftAndLowerEdgesBelongToTheSpotRightAndUpperEdgesDoNot) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 500, 300, 1)};
    const PatternContent content = test::filmContent(spots);
    const ViewDrawingOptions options;
    EXPECT_EQ(hitSpot(content, options, {1510, -480}), 0); // lower left corner
    EXPECT_EQ(hitSpot(content, options, {1529.9, -460.1}), 0);
    EXPECT_EQ(hitSpot(content, options, {1520, -470}), 0);
    EXPECT_EQ(hitSpot(content, options, {1530, -470}), -1); // right edge
    EXPECT_EQ(hitSpot(content, options, {1520, -460}), -1); // upper edge
    EXPECT_EQ(hitSpot(content, options, {1509.9, -470}), -1);
    EXPECT_EQ(hitSpot(content, options, {1520, -480.1}), -1);
    // The beam-centre mark is not a spot.
    EXPECT_EQ(hitSpot(content, options, {1020, -770}), -1);
}

TEST(SpotHitTest, OverlappingSpotsGoToTheLowestIndexWhichIsPaintedOnTop) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 0, 0, 500, 300, 1),
                                         makeSpot(0, 1, 0, 510, 300, 1),
                                         makeSpot(0, 0, 1, 505, 305, 1)};
    const PatternContent content = test::filmContent(spots);
    const ViewDrawingOptions options;
    EXPECT_EQ(hitSpot(content, options, {1522, -470}), 0); // inside all three
    EXPECT_EQ(hitSpot(content, options, {1532, -478}), 1); // the second over the third
    EXPECT_EQ(hitSpot(content, options, {1512, -470}), 0); // the first alone
    EXPECT_EQ(hitSpot(content, options, {1538, -478}), 1); // the second alone
    EXPECT_EQ(hitSpot(test::filmContent({}), options, {1522, -470}), -1);
}

TEST(SpotSelection, PressSelectsClearsOrLeavesTheSelection) {
    // Nothing selected: a spot becomes the selection and is drawn.
    EXPECT_EQ(selectionAfterPress(-1, 4).selectedSpot, 4);
    EXPECT_TRUE(selectionAfterPress(-1, 4).repaint);
    // The selected spot again: nothing changes, nothing is redrawn.
    EXPECT_EQ(selectionAfterPress(4, 4).selectedSpot, 4);
    EXPECT_FALSE(selectionAfterPress(4, 4).repaint);
    // Another spot moves the selection.
    EXPECT_EQ(selectionAfterPress(4, 7).selectedSpot, 7);
    EXPECT_TRUE(selectionAfterPress(4, 7).repaint);
    // Empty film clears a selection and repaints to remove its outline ...
    EXPECT_EQ(selectionAfterPress(4, -1).selectedSpot, -1);
    EXPECT_TRUE(selectionAfterPress(4, -1).repaint);
    // ... and without one there is nothing to redraw.
    EXPECT_EQ(selectionAfterPress(-1, -1).selectedSpot, -1);
    EXPECT_FALSE(selectionAfterPress(-1, -1).repaint);
}

} // namespace
} // namespace xtalsp
