#include "core/spectrum/tubespectrum.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

constexpr int kTungsten = 74, kMolybdenum = 42, kCopper = 29;

Spectrum spectrumOf(const TubeSettings& settings) {
    const Result<Spectrum> spectrum = tubeSpectrum(settings);
    EXPECT_TRUE(spectrum.ok());
    return spectrum.ok() ? spectrum.value() : Spectrum{};
}

std::size_t sampleOf(double wavelength) {
    return static_cast<std::size_t>(wavelength / kSpectrumStep + 0.5);
}

// A line shows as a sample above the mean of its neighbours two steps away; the smooth
// continuum alone never rises that far (broad 0.01 Angstrom samples at 0.2 Angstrom dilute
// even W K-alpha at 90 kV to about 1.2 times the continuum).
bool hasPeakAt(const Spectrum& s, double wavelength) {
    const std::size_t i = sampleOf(wavelength);
    return s.intensity[i] > 1.1 * 0.5 * (s.intensity[i - 2] + s.intensity[i + 2]);
}

TEST(TubeSpectrum, ContinuumStartsAtTheShortWavelengthLimit) {
    EXPECT_NEAR(shortWavelengthLimit(30.0), 0.41328, 1e-5);
    const Spectrum s = spectrumOf({kTungsten, 30.0, true, 0.25});
    for (std::size_t i = 0; i <= 41; ++i)
        EXPECT_EQ(s.intensity[i], 0.0) << i;
    EXPECT_GT(s.intensity[42], 0.0);
    EXPECT_EQ(largestIntensity(s), 1.0);
    // Kramers without lines or window: I ~ (lambda/lambdaMin - 1) / lambda^3 peaks at
    // 1.5 lambdaMin.
    const Spectrum bare = spectrumOf({kTungsten, 30.0, false, 0.0});
    EXPECT_EQ(bare.intensity[sampleOf(1.5 * 0.41328)], 1.0);
    const double ratio = bare.intensity[100] / bare.intensity[200];
    const double lambdaMin = shortWavelengthLimit(30.0);
    EXPECT_NEAR(ratio, (1.0 / lambdaMin - 1.0) / (2.0 / lambdaMin - 1.0) * 8.0, 1e-9);
}

TEST(TubeSpectrum, LinesAppearOnlyAboveTheirEdges) {
    // Mo K-alpha at 0.709/0.714 Angstrom shares one sample; the K edge is at 20.0 kV.
    EXPECT_FALSE(hasPeakAt(spectrumOf({kMolybdenum, 19.5, true, 0.25}), 0.71));
    const Spectrum mo = spectrumOf({kMolybdenum, 30.0, true, 0.25});
    EXPECT_TRUE(hasPeakAt(mo, 0.71));
    EXPECT_TRUE(hasPeakAt(mo, 0.63)); // K-beta1
    EXPECT_EQ(mo.intensity[sampleOf(0.71)], 1.0);
    EXPECT_FALSE(hasPeakAt(spectrumOf({kMolybdenum, 30.0, false, 0.25}), 0.71));
    // W: no K lines at 30 kV (edge 69.5 kV), but the L3 lines (edge 10.2 kV) are there.
    const Spectrum w = spectrumOf({kTungsten, 30.0, true, 0.25});
    EXPECT_TRUE(hasPeakAt(w, 1.48)); // L-alpha1
    EXPECT_FALSE(hasPeakAt(w, 0.21));
    EXPECT_FALSE(hasPeakAt(spectrumOf({kTungsten, 10.0, true, 0.25}), 1.48));
    EXPECT_TRUE(hasPeakAt(spectrumOf({kTungsten, 90.0, true, 0.25}), 0.21));
    // Cu K-alpha at 1.54 Angstrom, edge 8.98 kV.
    EXPECT_TRUE(hasPeakAt(spectrumOf({kCopper, 9.5, true, 0.25}), 1.54));
    EXPECT_FALSE(hasPeakAt(spectrumOf({kCopper, 8.5, true, 0.25}), 1.54));
}

TEST(TubeSpectrum, BerylliumAbsorbsLongWavelengthsMost) {
    const Spectrum open = spectrumOf({kTungsten, 30.0, false, 0.0});
    const Spectrum window = spectrumOf({kTungsten, 30.0, false, 0.5});
    double previous = 2.0;
    for (std::size_t i : {60, 100, 150, 200, 250, 300}) {
        const double transmitted = window.intensity[i] / open.intensity[i];
        EXPECT_LT(transmitted, previous) << i;
        previous = transmitted;
    }
    // The long-wavelength end loses several times more than the peak region.
    EXPECT_LT(window.intensity[300] / open.intensity[300],
              0.5 * window.intensity[60] / open.intensity[60]);
}

TEST(TubeSpectrum, NamesAreReadAndCheckedWhole) {
    const auto parsed = parseTubeSpectrumName("TUBE:mo:50:be=0.5:nolines");
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.value(), (TubeSettings{kMolybdenum, 50.0, false, 0.5}));
    EXPECT_EQ(parseTubeSpectrumName("tube:W:30").value(), (TubeSettings{}));
    EXPECT_TRUE(isTubeSpectrumName("Tube:W:30"));
    EXPECT_FALSE(isTubeSpectrumName("tube.dat"));
    for (const char* bad : {"tube:W", "tube:Fe:30", "tube:W:30kV", "tube:W:4", "tube:W:101",
                            "tube:W:nan", "tube:W:30:be=-1", "tube:W:30:lines", "tube:W:30:be="})
        EXPECT_FALSE(parseTubeSpectrumName(bad).ok()) << bad;
    EXPECT_FALSE(tubeSpectrum({26, 30.0, true, 0.25}).ok());
}

} // namespace
} // namespace xtalsp
