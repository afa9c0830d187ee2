#include "core/spectrum/builtinspectrum.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

TEST(BuiltinSpectrum, PeaksAtExactlyOneAndIsZeroOutsideItsRange) {
    const auto& intensity = builtinSpectrum().intensity;
    EXPECT_EQ(intensity[80], 1.0);
    EXPECT_EQ(largestIntensity(builtinSpectrum()), 1.0);
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        EXPECT_TRUE((i > 10 && i < 210) || intensity[i] == 0.0) << i;
    EXPECT_EQ(intensity[90], 0.948);
    EXPECT_EQ(intensity[91], 0.9359);
    EXPECT_EQ(intensity[209], 0.0001);
}

// Guards the table against a mistyped value: within each tenth of an Angstrom the values step
// evenly (the row at 0.90 only from its second entry on).
TEST(BuiltinSpectrum, StepsEvenlyWithinEachTenthOfAnAngstrom) {
    const auto& intensity = builtinSpectrum().intensity;
    for (std::size_t row = 10; row <= 200; row += 10) {
        const std::size_t first = row == 90 ? 91 : row;
        const std::size_t last = row == 90 ? 99 : row + 10;
        const double step = intensity[first + 1] - intensity[first];
        for (std::size_t i = first; i < last; ++i)
            EXPECT_NEAR(intensity[i + 1] - intensity[i], step, 1e-12) << i;
    }
}

} // namespace
} // namespace xtalsp
