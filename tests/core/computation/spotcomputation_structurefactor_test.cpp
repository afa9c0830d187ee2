#include "core/computation/intensity.h"
#include "core/computation/structurefactortables.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace xtalsp {
namespace {

constexpr int kLimit = 9;

// 80 atoms of three elements at pseudo-random positions, coordinates spread over -1 to 2 as
// structure files allow.
std::vector<ElementGroup> randomGroups() {
    std::mt19937_64 random(99);
    const auto coordinate = [&random] {
        return -1.0 + 3.0 * static_cast<double>(random() >> 11) * 0x1.0p-53;
    };
    std::vector<ElementGroup> groups{{8, {}}, {29, {}}, {92, {}}};
    for (int n = 0; n < 80; ++n)
        groups[random() % 3].sites.push_back(
            {coordinate(), coordinate(), coordinate(), n % 5 == 0 ? 0.25 : 1.0});
    return groups;
}

double directSquared(int h, int k, int l, double s2, const std::vector<ElementGroup>& groups) {
    return std::norm(structureFactor(h, k, l, s2, groups));
}

// A reliable result lies within its relative error of the direct sum, and no result's ceiling
// is below it.
::testing::AssertionResult bracketsDirect(const FastStructureFactor::Amplitude& a, double direct) {
    if (!(a.ceiling >= direct))
        return ::testing::AssertionFailure() << "ceiling " << a.ceiling << " below " << direct;
    if (a.reliable() && !(std::fabs(a.squared - direct) <= a.relativeError * direct))
        return ::testing::AssertionFailure()
               << a.squared << " is not within " << a.relativeError << " of " << direct;
    return ::testing::AssertionSuccess();
}

TEST(FastStructureFactor, AgreesWithTheDirectSumWithinItsReportedError) {
    const std::vector<ElementGroup> groups = randomGroups();
    const PhaseFactorTables tables(groups, kLimit, kLimit, kLimit);
    FastStructureFactor fast(tables);
    int reliable = 0;
    int total = 0;
    for (int h = -kLimit; h <= kLimit; ++h) {
        for (int k = -kLimit; k <= kLimit; ++k) {
            for (int l = -kLimit; l <= kLimit; l += 2) {
                const double s2 = 0.01 * (h * h + k * k + l * l);
                const double bound = fast.setScattering(s2);
                const double direct = directSquared(h, k, l, s2, groups);
                const FastStructureFactor::Amplitude a = fast.evaluate(h, k, l);
                EXPECT_TRUE(bracketsDirect(a, direct)) << h << " " << k << " " << l;
                EXPECT_LE(direct, bound);
                ++total;
                if (a.reliable())
                    ++reliable;
            }
        }
    }
    // Only the few strongly cancelling ones are left to the direct sum.
    EXPECT_GT(reliable, total * 9 / 10);
}

TEST(FastStructureFactor, RowEvaluationMatchesForBothSignsOfTheRow) {
    const std::vector<ElementGroup> groups = randomGroups();
    const PhaseFactorTables tables(groups, kLimit, kLimit, kLimit);
    FastStructureFactor fast(tables);
    fast.setScattering(0.2);
    // Rows (3 -4) and (-3 4) share the kept products; (5 1) pushes out neither of the two.
    for (const auto& [h, k] : {std::pair{3, -4}, {-3, 4}, {5, 1}, {3, -4}, {-5, -1}}) {
        for (int l = -kLimit; l <= kLimit; ++l) {
            const FastStructureFactor::Amplitude a = fast.evaluateInRow(h, k, l);
            EXPECT_TRUE(bracketsDirect(a, directSquared(h, k, l, 0.2, groups)))
                << h << " " << k << " " << l;
        }
    }
}

TEST(FastStructureFactor, PairedSumsGiveTheSingleResultsOfBothSignsOfLAndTheirMates) {
    const std::vector<ElementGroup> groups = randomGroups();
    const PhaseFactorTables tables(groups, kLimit, kLimit, kLimit);
    FastStructureFactor paired(tables);
    FastStructureFactor single(tables);
    GroupSums plus, minus;
    for (const bool inRow : {true, false}) {
        for (const auto& [h, k, l] : {std::array{3, -4, 5}, {0, 2, 1}, {-7, 0, 9}, {1, 1, 2}}) {
            ASSERT_TRUE(paired.canPair(h, k, l));
            paired.pairedGroupSums(h, k, l, inRow, plus, minus);
            const double s2 = 0.003 * (h * h + k * k + l * l);
            paired.setScattering(s2);
            single.setScattering(s2);
            const auto one = [&](int hh, int kk, int ll) {
                return inRow ? single.evaluateInRow(hh, kk, ll) : single.evaluate(hh, kk, ll);
            };
            for (const int mate : {1, -1}) {
                const FastStructureFactor::Amplitude p = one(mate * h, mate * k, mate * l);
                const FastStructureFactor::Amplitude m = one(mate * h, mate * k, -mate * l);
                EXPECT_EQ(paired.amplitudeOf(plus).squared, p.squared) << h << k << l << mate;
                EXPECT_EQ(paired.amplitudeOf(plus).relativeError, p.relativeError);
                EXPECT_EQ(paired.amplitudeOf(minus).squared, m.squared) << h << k << l << mate;
                EXPECT_TRUE(
                    bracketsDirect(paired.amplitudeOf(minus), directSquared(h, k, -l, s2, groups)));
            }
        }
    }
    EXPECT_FALSE(paired.canPair(1, 2, 0));
    EXPECT_FALSE(paired.canPair(1, 2, kLimit + 1));
    // The groups' sums themselves, not only |F|: a row kept for (h k) serves (-h -k) and either
    // sign of l.
    GroupSums triplePlus, tripleMinus;
    for (const auto& [h, k, l] : {std::array{3, -4, 5}, {-3, 4, 5}, {3, -4, -6}, {-3, 4, -6}}) {
        paired.pairedGroupSums(h, k, l, true, plus, minus);
        paired.pairedGroupSums(h, k, l, false, triplePlus, tripleMinus);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            EXPECT_NEAR(plus.re[g], triplePlus.re[g], 1e-9) << h << k << l;
            EXPECT_NEAR(plus.im[g], triplePlus.im[g], 1e-9) << h << k << l;
            EXPECT_NEAR(minus.re[g], tripleMinus.re[g], 1e-9) << h << k << l;
            EXPECT_NEAR(minus.im[g], tripleMinus.im[g], 1e-9) << h << k << l;
        }
    }
}

// The single-precision screen's ceiling and floor enclose the direct |F|^2, for rows of either
// sign, either sign of l, alone or paired, and closely enough to tell reflections apart.
TEST(FastStructureFactor, ScreenCeilingAndFloorBracketTheDirectSumClosely) {
    const std::vector<ElementGroup> groups = randomGroups();
    const PhaseFactorTables tables(groups, kLimit, kLimit, kLimit);
    FastStructureFactor fast(tables);
    const double s2 = 0.2;
    const double allInPhase = std::sqrt(fast.setScattering(s2));
    GroupSums plus, minus, single;
    const auto check = [&](const GroupSums& sums, int h, int k, int l) {
        const double direct = std::sqrt(directSquared(h, k, l, s2, groups));
        const double ceiling = std::sqrt(fast.screenCeiling(sums));
        EXPECT_GE(ceiling, direct) << h << " " << k << " " << l;
        EXPECT_LE(ceiling, direct + 1e-4 * allInPhase) << h << " " << k << " " << l;
        const double floor = std::sqrt(fast.screenFloor(sums));
        EXPECT_LE(floor, direct) << h << " " << k << " " << l;
        EXPECT_GE(floor, direct - 1e-4 * allInPhase) << h << " " << k << " " << l;
    };
    for (const auto& [h, k] : {std::pair{3, -4}, {-3, 4}, {0, 7}, {-9, 0}, {3, -4}}) {
        for (int l = -kLimit; l <= kLimit; ++l) {
            ASSERT_TRUE(fast.canScreen(h, k, l));
            fast.screenGroupSums(h, k, l, single);
            check(single, h, k, l);
            if (l == 0)
                continue;
            fast.screenPairedGroupSums(h, k, l, plus, minus);
            check(plus, h, k, l);
            check(minus, h, k, -l);
        }
    }
}

TEST(FastStructureFactor, CancellingSumsAreUnreliableButBounded) {
    // Body-centred pair of equal atoms, off by 1e-9 along a: (1 0 0) nearly vanishes, and
    // (0 1 0), (0 0 1) vanish up to the rounding of the coordinates.
    const std::vector<ElementGroup> groups{{26, {{0.1, 0.2, 0.3, 1}, {0.6 + 1e-9, 0.7, 0.8, 1}}}};
    const PhaseFactorTables tables(groups, 4, 4, 4);
    FastStructureFactor fast(tables);
    const double s2 = 0.05;
    const double twoAtoms = fast.setScattering(s2);
    for (const auto& [h, k, l] : {std::array{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {3, 2, 2}}) {
        const FastStructureFactor::Amplitude a = fast.evaluate(h, k, l);
        const double direct = directSquared(h, k, l, s2, groups);
        EXPECT_FALSE(a.reliable());
        EXPECT_TRUE(bracketsDirect(a, direct));
        // The ceiling still shows how weak the reflection is.
        EXPECT_LT(a.ceiling, 1e-12 * twoAtoms);
        const FastStructureFactor::Amplitude exact = fast.evaluateDirectly(h, k, l);
        EXPECT_EQ(exact.squared, direct);
        EXPECT_TRUE(exact.reliable());
    }
    // The even reflections add up and are assembled.
    const FastStructureFactor::Amplitude even = fast.evaluate(1, 1, 0);
    EXPECT_TRUE(even.reliable());
    EXPECT_TRUE(bracketsDirect(even, directSquared(1, 1, 0, s2, groups)));
}

TEST(FastStructureFactor, WhatTheTablesCannotHoldIsEvaluatedDirectly) {
    std::vector<ElementGroup> groups = randomGroups();
    const double s2 = 0.07;
    const PhaseFactorTables limited(groups, 2, 2, 2);
    FastStructureFactor beyondLimits(limited);
    beyondLimits.setScattering(s2);
    const FastStructureFactor::Amplitude outside = beyondLimits.evaluate(1, 3, 0);
    EXPECT_EQ(outside.relativeError, 0.0);
    EXPECT_EQ(outside.squared, directSquared(1, 3, 0, s2, groups));
    EXPECT_EQ(outside.ceiling, outside.squared);

    for (const double coordinate : {3.5, -40.0, std::numeric_limits<double>::quiet_NaN()}) {
        groups[1].sites[0].y = coordinate;
        const PhaseFactorTables tables(groups, 4, 4, 4);
        EXPECT_FALSE(tables.covers(1, 1, 1));
        FastStructureFactor fast(tables);
        fast.setScattering(s2);
        const FastStructureFactor::Amplitude a = fast.evaluate(1, 2, 3);
        EXPECT_EQ(a.relativeError, 0.0);
        const double direct = directSquared(1, 2, 3, s2, groups);
        if (std::isnan(direct))
            EXPECT_TRUE(std::isnan(a.squared));
        else
            EXPECT_EQ(a.squared, direct);
    }

    const std::vector<ElementGroup> empty;
    const PhaseFactorTables none(empty, 3, 3, 3);
    FastStructureFactor nothing(none);
    EXPECT_EQ(nothing.setScattering(s2), 0.0);
    EXPECT_EQ(nothing.evaluate(1, 0, 0).squared, 0.0);
}

} // namespace
} // namespace xtalsp
