#include "core/computation/lauespot.h"

#include <gtest/gtest.h>
#include <vector>

namespace xtalsp {
namespace {

LaueSpot spotAt(double x) {
    LaueSpot spot;
    spot.h = 1;
    spot.x = x;
    return spot;
}

std::vector<HarmonicComponent> harmonicsOf(const SpotList& list, std::size_t index) {
    const auto span = list.harmonicsOf(list[index]);
    return {span.begin(), span.end()};
}

// Lists joined one behind the other, as the walk joins its threads' lists: every spot still
// reads back its own harmonics and is labelled with the lowest of them.
TEST(SpotList, JoinedListsKeepEachSpotsHarmonics) {
    const std::vector<HarmonicComponent> second = {{2, 4.0, 1.0}, {5, 9.0, 2.0}};
    const std::vector<HarmonicComponent> third = {{3, 16.0, 3.0}};
    SpotList first;
    first.append(spotAt(1), std::vector<HarmonicComponent>{{1, 1.0, 5.0}});
    first.append(spotAt(2), {}); // a spot without harmonics stands for its primitive reflection
    SpotList rest;
    rest.append(spotAt(3), second);
    rest.append(spotAt(4), third);

    SpotList joined;
    joined.append(first);
    joined.append(rest);
    ASSERT_EQ(joined.size(), 4u);
    EXPECT_EQ(joined.harmonicTotal(), 4u);
    EXPECT_EQ(harmonicsOf(joined, 0), (std::vector<HarmonicComponent>{{1, 1.0, 5.0}}));
    EXPECT_TRUE(harmonicsOf(joined, 1).empty());
    EXPECT_EQ(joined[1].labelOrder, 1);
    EXPECT_EQ(harmonicsOf(joined, 2), second);
    EXPECT_EQ(joined[2].labelOrder, 2);
    EXPECT_EQ(joined[2].harmonicCount, 2);
    EXPECT_EQ(harmonicsOf(joined, 3), third);
    EXPECT_EQ(joined[3].x, 4.0);

    // A spot of a longer list never reads past a shorter list's pool.
    EXPECT_TRUE(rest.harmonicsOf(joined[3]).empty());
    joined.clear();
    EXPECT_TRUE(joined.empty());
    EXPECT_EQ(joined.harmonicTotal(), 0u);
}

} // namespace
} // namespace xtalsp
