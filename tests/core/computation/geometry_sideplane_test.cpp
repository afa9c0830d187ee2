#include "core/computation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace xtalsp {
namespace {

constexpr double kSilicon = 5.4305;

ReciprocalBasis cubicBasis() {
    return computeReciprocalBasis(kSilicon, kSilicon, kSilicon, 90, 90, 90);
}

double cosineBetween(const Vector3& surface, const Vector3& side, const ReciprocalBasis& basis) {
    const Vector3 gs = reciprocalVector(basis, surface), gh = reciprocalVector(basis, side);
    const auto dot = [](const Vector3& u, const Vector3& v) {
        return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
    };
    return dot(gs, gh) / std::sqrt(dot(gs, gs) * dot(gh, gh));
}

TEST(SidePlaneCheck, CubicWorkedExamples) {
    const ReciprocalBasis basis = cubicBasis();
    // l is solved and vanishes; h = 1 keeps the plane alive.
    const SidePlaneCheck tilted = checkSidePlane({0, 0, 1}, {1, 0, 1}, basis);
    EXPECT_FALSE(tilted.perpendicular);
    EXPECT_EQ(tilted.sidePlane, (Vector3{1, 0, 0}));
    EXPECT_FALSE(std::signbit(tilted.sidePlane[2])); // stored as +0, shown as 0.00

    // h is solved and vanishes with k = l = 0: the null plane is replaced.
    EXPECT_EQ(checkSidePlane({1, 1, 0}, {1, 0, 0}, basis).sidePlane, (Vector3{1, -1, 0}));

    const SidePlaneCheck accepted = checkSidePlane({0, 0, 1}, {1, 2, 0}, basis);
    EXPECT_TRUE(accepted.perpendicular);
    EXPECT_EQ(accepted.sidePlane, (Vector3{1, 2, 0}));
}

TEST(SidePlaneCheck, ToleranceIsOneInTenToTheTenInCosine) {
    const ReciprocalBasis basis = cubicBasis();
    const SidePlaneCheck within = checkSidePlane({0, 0, 1}, {1, 0, 5e-11}, basis);
    EXPECT_TRUE(within.perpendicular);
    EXPECT_EQ(within.sidePlane, (Vector3{1, 0, 5e-11})); // taken unchanged
    const SidePlaneCheck beyond = checkSidePlane({0, 0, 1}, {1, 0, 2e-10}, basis);
    EXPECT_FALSE(beyond.perpendicular);
    EXPECT_EQ(beyond.sidePlane, (Vector3{1, 0, 0}));
}

TEST(SidePlaneCheck, SolvedIndexFollowsTheLargestShareWithTiesToHThenK) {
    const ReciprocalBasis basis = cubicBasis();
    EXPECT_EQ(checkSidePlane({1, 1, 0}, {1, 1, 0}, basis).sidePlane, (Vector3{-1, 1, 0}));
    EXPECT_EQ(checkSidePlane({1, 1, 1}, {1, 1, 1}, basis).sidePlane, (Vector3{-2, 1, 1}));
    EXPECT_EQ(checkSidePlane({0, 1, 1}, {0, 1, 1}, basis).sidePlane, (Vector3{0, -1, 1}));
    const Vector3 lSolved = checkSidePlane({1, 1, 3}, {1, 1, 1}, basis).sidePlane;
    EXPECT_EQ(lSolved[0], 1.0);
    EXPECT_EQ(lSolved[1], 1.0);
    EXPECT_DOUBLE_EQ(lSolved[2], -2.0 / 3.0);
}

TEST(SidePlaneCheck, NullPlaneIsReplacedForEverySolvedIndex) {
    const ReciprocalBasis basis = cubicBasis();
    EXPECT_EQ(checkSidePlane({2, 1, 0}, {3, 0, 0}, basis).sidePlane, (Vector3{0.5, -1, 0}));
    EXPECT_EQ(checkSidePlane({1, 2, 0}, {0, 1, 0}, basis).sidePlane, (Vector3{1, -0.5, 0}));
    EXPECT_EQ(checkSidePlane({1, 0, 2}, {0, 0, 1}, basis).sidePlane, (Vector3{1, 0, -0.5}));
    const SidePlaneCheck along = checkSidePlane({0, 1, 0}, {0, 1, 0}, basis);
    EXPECT_EQ(along.sidePlane, (Vector3{1, 0, 0}));
    EXPECT_FALSE(std::signbit(along.sidePlane[1]));
}

TEST(SidePlaneCheck, CorrectionsPassTheCheckInAnObliqueCell) {
    const ReciprocalBasis basis = computeReciprocalBasis(4.1, 5.3, 6.7, 78, 95, 104);
    for (const Vector3 surface : {Vector3{0, 0, 1}, Vector3{1, 2, 3}, Vector3{-1, 0, 2}}) {
        for (const Vector3 side : {Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{0, 0, 1},
                                   Vector3{1, -1, 2}, Vector3{0.5, 2.5, 0}}) {
            const SidePlaneCheck check = checkSidePlane(surface, side, basis);
            EXPECT_LE(std::fabs(cosineBetween(surface, check.sidePlane, basis)), 1e-12);
            EXPECT_TRUE(checkSidePlane(surface, check.sidePlane, basis).perpendicular);
        }
    }
}

TEST(SidePlaneCheck, HugeSideIndicesNeitherOverflowNorPassUnchecked) {
    const ReciprocalBasis basis = cubicBasis();
    // A parallel plane with an index near the double limit must not look perpendicular.
    const SidePlaneCheck parallel = checkSidePlane({1, 0, 0}, {1e308, 0, 0}, basis);
    EXPECT_FALSE(parallel.perpendicular);
    EXPECT_EQ(parallel.sidePlane, (Vector3{0, -1, 0}));

    const SidePlaneCheck oblique = checkSidePlane({0, 0, 1}, {1e308, 0, 1e307}, basis);
    EXPECT_FALSE(oblique.perpendicular);
    EXPECT_EQ(oblique.sidePlane, (Vector3{1e308, 0, 0}));

    // (-2e308, 1e308, 1e308) is beyond the double range: the same plane is proposed scaled down.
    const SidePlaneCheck scaled = checkSidePlane({1, 1, 1}, {1e308, 1e308, 1e308}, basis);
    ASSERT_FALSE(scaled.perpendicular);
    for (double index : scaled.sidePlane)
        EXPECT_TRUE(std::isfinite(index));
    EXPECT_DOUBLE_EQ(scaled.sidePlane[0], -2.0 * scaled.sidePlane[1]);
    EXPECT_EQ(scaled.sidePlane[1], scaled.sidePlane[2]);
    EXPECT_TRUE(checkSidePlane({1, 1, 1}, scaled.sidePlane, basis).perpendicular);
}

} // namespace
} // namespace xtalsp
