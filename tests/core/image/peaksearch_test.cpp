#include "core/image/calibration.h"
#include "core/image/peaksearch.h"

#include "support/testimages.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

constexpr double kPixelMm = 0.1;
constexpr double kBackground = 100.0;
constexpr double kNoise = 10.0; // Poisson noise of the background, counts

DetectorImage imageOf(int width, int height, const std::vector<std::uint16_t>& counts) {
    return DetectorImage{width, height, std::vector<float>(counts.begin(), counts.end()), {}, {}};
}

// Spots on a grid with random sub-pixel offsets and peak heights from 3 to 300 noise sigmas.
std::vector<test::SyntheticSpot> spotListing(int size, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> offset(-0.5, 0.5);
    std::uniform_real_distribution<double> decades(std::log10(3.0), std::log10(300.0));
    std::vector<test::SyntheticSpot> spots;
    for (int row = 16; row < size - 16; row += 20)
        for (int column = 16; column < size - 16; column += 20)
            spots.push_back({column + offset(random), row + offset(random),
                             kNoise * std::pow(10.0, decades(random))});
    return spots;
}

double distanceMm(const ImagePeak& peak, double column, double row) {
    return kPixelMm * std::hypot(peak.column - column, peak.row - row);
}

TEST(PeakSearch, FindsEverySpotTenSigmaAboveTheBackgroundWithinHalfATenthMillimetre) {
    constexpr int kSize = 512;
    const std::vector<test::SyntheticSpot> spots = spotListing(kSize, 13);
    std::vector<std::uint16_t> counts =
        test::syntheticSpotImage(kSize, kSize, spots, kBackground, 1.5, 7);
    // A hot pixel, a hot pair and a saturated streak between the spots.
    counts[8 * kSize + 8] = 65535;
    counts[300 * kSize + 6] = counts[300 * kSize + 7] = 60000;
    for (int column = 100; column < 160; ++column)
        counts[505 * kSize + column] = counts[506 * kSize + column] = 65535;
    const std::vector<ImagePeak> peaks = findPeaks(imageOf(kSize, kSize, counts), {});

    int strongSpots = 0;
    for (const test::SyntheticSpot& spot : spots) {
        if (spot.amplitude < 10.0 * kNoise)
            continue;
        ++strongSpots;
        double nearest = 1e9;
        for (const ImagePeak& peak : peaks)
            nearest = std::min(nearest, distanceMm(peak, spot.column, spot.row));
        EXPECT_LE(nearest, 0.05) << "spot at " << spot.column << ", " << spot.row;
    }
    EXPECT_GT(strongSpots, 300);
    int falsePeaks = 0;
    for (const ImagePeak& peak : peaks) {
        bool onASpot = false;
        for (const test::SyntheticSpot& spot : spots)
            onASpot = onASpot || distanceMm(peak, spot.column, spot.row) <= 0.15;
        falsePeaks += onASpot ? 0 : 1;
        EXPECT_GT(peak.intensity, 0.0);
    }
    EXPECT_LE(falsePeaks, static_cast<int>(0.02 * static_cast<double>(peaks.size())));
    EXPECT_GE(peaks.front().intensity, peaks.back().intensity);
}

TEST(PeakSearch, FindsNothingOnFlatNoiseOrAFlatImage) {
    constexpr int kSize = 512;
    EXPECT_TRUE(findPeaks(imageOf(kSize, kSize,
                                  test::syntheticSpotImage(kSize, kSize, {}, kBackground, 1.5, 3)),
                          {})
                    .empty());
    EXPECT_TRUE(
        findPeaks(DetectorImage{64, 64, std::vector<float>(64 * 64, 5.0F), {}, {}}, {}).empty());
}

} // namespace
} // namespace xtalsp
