#include "render/shownpattern.h"

#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace xtalsp {
namespace {

// In gnomonic projection the spots of one zone lie on a straight line, although on the film
// they lie on a conic; spots off the film are left out and the selection follows its spot.
TEST(ShownPattern, GnomonicSpotsOfAZoneLieOnALine) {
    test::RecordingPrompt prompt;
    CXtalspDoc doc{DocumentServices{&prompt, nullptr, std::nullopt}};
    test::editInputs(doc, [](PatternInputs& in) {
        in.structure = test::silicon();
        in.settings.surfacePlane = {0, 0, 1};
        in.settings.sidePlane = {1, 0, 0};
        in.settings.distance = 300;
        in.settings.rotationX = 7.0;
        in.settings.rotationY = -5.0;
        in.settings.Hmax = in.settings.Kmax = in.settings.Lmax = 6;
    });
    ASSERT_TRUE(doc.computeSpots());
    const ShownPattern shown(doc, true);
    std::vector<LaueSpot> zone; // the zone [1 -1 0]: planes (h h l)
    for (std::size_t i = 0; i < shown.content().spots.size(); ++i) {
        const LaueSpot& spot = shown.content().spots[i];
        EXPECT_LE(std::fabs(spot.x), doc.halfFilmWidth());
        EXPECT_LE(std::fabs(spot.y), doc.halfFilmHeight());
        const LaueSpot& original = *doc.spotAt(shown.documentIndex(static_cast<int>(i)));
        EXPECT_EQ(original.h, spot.h);
        EXPECT_EQ(original.l, spot.l);
        if (spot.h == spot.k)
            zone.push_back(spot);
    }
    ASSERT_GE(zone.size(), 3u);
    const double dx = zone.back().x - zone.front().x, dy = zone.back().y - zone.front().y;
    for (const LaueSpot& spot : zone) {
        const double cross = dx * (spot.y - zone.front().y) - dy * (spot.x - zone.front().x);
        EXPECT_NEAR(cross / std::hypot(dx, dy), 0.0, 1e-6);
    }
    EXPECT_LT(shown.content().spots.size(), doc.spots().size());

    const int last = static_cast<int>(shown.content().spots.size()) - 1;
    doc.selectSpot(shown.documentIndex(last));
    const ShownPattern selected(doc, true);
    EXPECT_EQ(selected.content().selectedSpot, last);
}

} // namespace
} // namespace xtalsp
