#include "core/spectrum/spectrum.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

TEST(NormalizeSpectrum, ScalesTheLargestEntryToExactlyOne) {
    Spectrum spectrum;
    spectrum.intensity[100] = 5.0;
    spectrum.intensity[150] = 2.0;
    EXPECT_TRUE(NormalizeSpectrum(spectrum).ok());
    EXPECT_EQ(spectrum.intensity[100], 1.0);
    EXPECT_DOUBLE_EQ(spectrum.intensity[150], 0.4);
    EXPECT_EQ(spectrum.intensity[0], 0.0);
}

TEST(NormalizeSpectrum, RefusesSpectraThatCannotBeScaledAndLeavesThemUnchanged) {
    const Message refusal{"At least one item should be greater than 1e-8.\n"
                          "Please check the spectrum data again!",
                          ""};
    const double poisons[] = {0.0, -0.5, std::numeric_limits<double>::infinity()};
    for (const double poison : poisons) {
        Spectrum spectrum;
        spectrum.intensity[10] = poison == 0.0 ? 5e-9 : 1.0; // below the threshold, or poisoned
        spectrum.intensity[20] = poison;
        const Spectrum before = spectrum;
        EXPECT_FALSE(isValidSpectrum(spectrum)) << poison;
        EXPECT_EQ(NormalizeSpectrum(spectrum).failure(), refusal) << poison;
        EXPECT_EQ(spectrum, before) << poison;
    }
    Spectrum withNaN;
    withNaN.intensity[0] = std::numeric_limits<double>::quiet_NaN();
    withNaN.intensity[10] = 1.0;
    EXPECT_FALSE(isValidSpectrum(withNaN));
    EXPECT_FALSE(isValidSpectrum(Spectrum{}));

    Spectrum atThreshold;
    atThreshold.intensity[10] = 1e-8;
    EXPECT_TRUE(isValidSpectrum(atThreshold));
}

} // namespace
} // namespace xtalsp
