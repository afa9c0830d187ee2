#include "core/computation/scatteringtable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace xtalsp {
namespace {

// A slipped digit or a coefficient copied from a neighbouring row shows up here: the amplitudes
// add up to the electron count, and over the range of the fit (sin(theta)/lambda up to 2 per
// Angstrom) every element scatters more than the one before it and less at higher angles.
TEST(ScatteringTable, RowsAreConsistentWithTheirElements) {
    EXPECT_NEAR(scatteringFactor(1, 0.0), 1.000, 0.0005);
    EXPECT_EQ(scatteringFactor(0, 0.0), 0.0);
    for (int z = 1; z <= kMaxAtomicNumber; ++z) {
        const ScatteringCoefficients& row = kScatteringTable[static_cast<std::size_t>(z)];
        EXPECT_NEAR(row.a1 + row.a2 + row.a3 + row.a4 + row.c, z, 0.1) << "Z = " << z;
    }
    for (int step = 1; step <= 200; ++step) {
        const double s2 = step * step * 1e-4;
        const double previousS2 = (step - 1) * (step - 1) * 1e-4;
        for (int z = 1; z <= kMaxAtomicNumber; ++z) {
            ASSERT_GT(scatteringFactor(z, s2), scatteringFactor(z - 1, s2)) << "Z = " << z;
            ASSERT_LT(scatteringFactor(z, s2), scatteringFactor(z, previousS2)) << "Z = " << z;
        }
    }
}

// Values at sin(theta)/lambda = 0.5 computed independently from the published rows, with the
// valence rows of C and Si. Thallium with b1 = 1.21152 would give 45.2 here, less than mercury.
TEST(ScatteringTable, MatchesReferenceValuesAtHalfAnInverseAngstrom) {
    const struct {
        int z;
        double f;
    } expected[] = {
        {1, 0.10303040240335734}, {6, 1.7116409163721062},  {7, 1.9399167464304004},
        {8, 2.3371908504940193},  {14, 6.242467312766923},  {26, 11.505687515802265},
        {29, 13.70070197002754},  {42, 21.770594263142943}, {74, 43.658506895594655},
        {79, 46.90665565769815},  {81, 48.24108911564663},  {82, 48.93523552048768},
        {92, 55.41774487715135},
    };
    for (const auto& row : expected)
        EXPECT_NEAR(scatteringFactor(row.z, 0.25), row.f, 1e-12) << "Z = " << row.z;
}

TEST(ScatteringTable, UnknownElementsScatterNothing) {
    EXPECT_EQ(scatteringFactor(-1, 0.0), 0.0);
    EXPECT_EQ(scatteringFactor(93, 0.0), 0.0);
}

// The walk's factors come from vector exponentials and may differ from scatteringFactor()'s by
// the stated share of their spread. A slipped coefficient, a wrong exponent bit or a lane mixed
// up with its neighbour would show here, as would underflowing exponentials (large b s^2) and a
// NaN taken for a number.
TEST(ScatteringTable, FactorSetStaysWithinItsDeviationOfEachFactor) {
    std::vector<int> elements{-1};
    for (int z = 0; z <= kMaxAtomicNumber + 1; ++z)
        elements.push_back(z);
    ScatteringFactorSet set(elements);
    std::vector<double> factors(set.size()), spreads(set.size());
    for (int step = 0; step <= 4000; ++step) {
        // Up to 16 per square Angstrom, where the largest b s^2 pass 708 and underflow begins.
        const double s2 = step * step * 1e-6;
        set.evaluate(s2, factors.data(), spreads.data());
        for (std::size_t e = 0; e < elements.size(); ++e) {
            const double expected = scatteringFactor(elements[e], s2);
            ASSERT_LE(std::fabs(factors[e] - expected),
                      kScatteringFactorDeviation * kRoundoff * spreads[e])
                << "Z = " << elements[e] << ", s2 = " << s2;
        }
    }
    set.evaluate(std::numeric_limits<double>::quiet_NaN(), factors.data(), spreads.data());
    EXPECT_TRUE(std::isnan(factors[2])); // hydrogen
}

} // namespace
} // namespace xtalsp
