#include "core/computation/intensity.h"

#include "core/computation/scatteringtable.h"

#include <gtest/gtest.h>
#include <limits>

namespace xtalsp {
namespace {

constexpr int kIron = 26;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

ElementGroup iron(std::vector<SitePosition> sites) {
    return ElementGroup{kIron, std::move(sites)};
}

// Entry i holds 1000 + i, so every lookup tells which samples it used.
Spectrum rampSpectrum() {
    Spectrum spectrum;
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        spectrum.intensity[i] = 1000.0 + static_cast<double>(i);
    return spectrum;
}

TEST(StructureFactor, SumsTheSitesWithTheirPhasesAndOccupancies) {
    const double s2 = 0.04;
    const double f = scatteringFactor(kIron, s2);
    EXPECT_EQ(structureFactor(1, 2, 3, s2, {iron({{0, 0, 0, 1}})}), std::complex<double>(f, 0));

    // exp(+2 pi i h x): a quarter cell along a turns the phase by +90 degrees for h = 1.
    const auto quarter = structureFactor(1, 0, 0, s2, {iron({{0.25, 0, 0, 1}})});
    EXPECT_NEAR(quarter.real(), 0.0, 1e-12);
    EXPECT_NEAR(quarter.imag(), f, 1e-12);
    EXPECT_NEAR(std::abs(structureFactor(1, 0, 0, s2, {iron({{0.25, 0, 0, 0.5}})})), 0.5 * f,
                1e-12);
    EXPECT_EQ(structureFactor(1, 0, 0, s2, {}), std::complex<double>(0, 0));
}

TEST(StructureFactor, BodyCentredPairCancelsForOddIndexSums) {
    const std::vector<ElementGroup> bcc{iron({{0, 0, 0, 1}, {0.5, 0.5, 0.5, 1}})};
    const double s2 = 0.1;
    EXPECT_NEAR(std::abs(structureFactor(1, 0, 0, s2, bcc)), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(structureFactor(-2, 1, 0, s2, bcc)), 0.0, 1e-12);
    EXPECT_NEAR(std::abs(structureFactor(1, 1, 0, s2, bcc)), 2.0 * scatteringFactor(kIron, s2),
                1e-12);

    // With different elements on the two sites (CsCl type) the odd reflections return.
    const std::vector<ElementGroup> cscl{{17, {{0, 0, 0, 1}}}, {55, {{0.5, 0.5, 0.5, 1}}}};
    EXPECT_NEAR(structureFactor(1, 0, 0, s2, cscl).real(),
                scatteringFactor(17, s2) - scatteringFactor(55, s2), 1e-12);
}

TEST(SpectrumLookup, InterpolatesInsideTheTableAndIsZeroOutside) {
    const Spectrum spectrum = rampSpectrum();
    EXPECT_NEAR(spectrumAt(spectrum, 0.805), 1080.5, 1e-9);
    EXPECT_DOUBLE_EQ(spectrumAt(spectrum, 0.0), 1000.0);
    EXPECT_NEAR(spectrumAt(spectrum, 2.995), 1299.5, 1e-9);
    EXPECT_DOUBLE_EQ(spectrumAt(spectrum, 3.0), 1300.0);
    for (double lambda : {3.0001, -0.001, 1e300, kNaN, std::numeric_limits<double>::infinity()})
        EXPECT_EQ(spectrumAt(spectrum, lambda), 0.0) << lambda;
}

TEST(HarmonicIntensity, CombinesStructureFactorSpectrumAndAngularFactors) {
    Spectrum flat;
    flat.intensity.fill(1.0);
    // Angular factor at sin(theta) = 0.6: (1 - 0.72 + 0.2592) / (0.6 * 0.8).
    EXPECT_NEAR(harmonicIntensity(1.0, 0.6, 1.0, flat), 1.1233333333, 1e-9);
    EXPECT_NEAR(harmonicIntensity(250.0, 0.6, 2.0, flat), 250.0 * 8.0 * 1.1233333333, 1e-6);
    EXPECT_NEAR(harmonicIntensity(1.0, 0.6, 0.805, rampSpectrum()),
                1080.5 * 0.805 * 0.805 * 0.805 * 1.1233333333, 1e-6);
    // No division by zero where no Bragg angle exists.
    for (double sinTheta : {0.0, -0.5, 1.0, kNaN})
        EXPECT_EQ(harmonicIntensity(100.0, sinTheta, 1.0, flat), 0.0) << sinTheta;
}

IntensityScale scaleWith(double saturation, double strongest, bool reset) {
    IntensityScale scale;
    scale.saturationIntensity = saturation;
    scale.strongestIntensity = strongest;
    scale.saturationFraction = 0.123; // stale on purpose
    scale.resetSaturation = reset ? 1 : 0;
    return scale;
}

TEST(Saturation, FirstComputationFixesTheLevelAndLaterOnesKeepIt) {
    IntensityScale scale = scaleWith(0.0, 200.0, true);
    updateSaturation(scale);
    EXPECT_EQ(scale.saturationIntensity, 200.0);
    EXPECT_EQ(scale.saturationFraction, 1.0);
    EXPECT_EQ(scale.resetSaturation, 0);

    scale.strongestIntensity = 400.0; // the crystal turned, a spot became twice as strong
    updateSaturation(scale);
    EXPECT_EQ(scale.saturationIntensity, 200.0);
    EXPECT_EQ(scale.saturationFraction, 0.5);
}

TEST(Saturation, FractionAboveTenThousandPercentStartsAfresh) {
    IntensityScale atLimit = scaleWith(1000.0, 10.0, false);
    updateSaturation(atLimit);
    EXPECT_EQ(atLimit.saturationFraction, 100.0);
    EXPECT_EQ(atLimit.saturationIntensity, 1000.0);

    IntensityScale beyond = scaleWith(1000.0, 9.0, false);
    updateSaturation(beyond);
    EXPECT_EQ(beyond.saturationFraction, 1.0);
    EXPECT_EQ(beyond.saturationIntensity, 9.0);
}

TEST(Saturation, NothingChangesWithoutASpot) {
    for (double strongest : {0.0, 1e-8, kNaN}) {
        IntensityScale scale = scaleWith(0.0, strongest, true);
        updateSaturation(scale);
        EXPECT_EQ(scale.saturationIntensity, 0.0);
        EXPECT_EQ(scale.saturationFraction, 0.123);
        EXPECT_EQ(scale.resetSaturation, 1);
    }
}

} // namespace
} // namespace xtalsp
