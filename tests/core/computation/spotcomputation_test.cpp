#include "core/computation/spotcomputation.h"

#include "core/computation/geometry.h"
#include "core/spectrum/builtinspectrum.h"
#include "support/silicon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <span>

namespace xtalsp {
namespace {

class SiliconSpots : public ::testing::Test {
protected:
    void SetUp() override {
        structure = test::silicon();
        input.groups = &structure.groups;
        input.spectrum = &builtinSpectrum();
        input.basis = computeReciprocalBasis(structure.a, structure.b, structure.c, structure.alpha,
                                             structure.beta, structure.gamma);
        input.settings.surfacePlane = {0, 0, 1};
        input.settings.sidePlane = {1, 0, 0};
        input.settings.distance = 300;
        input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 16;
        input.halfFilmWidth = 1000;
        input.halfFilmHeight = 750;
    }

    const LaueSpot* find(const SpotComputationResult& result, int h, int k, int l) const {
        const auto found =
            std::find_if(result.spots.begin(), result.spots.end(),
                         [&](const LaueSpot& s) { return s.h == h && s.k == k && s.l == l; });
        return found == result.spots.end() ? nullptr : &*found;
    }

    CrystalStructure structure;
    SpotComputationInput input;
};

TEST_F(SiliconSpots, TransmissionWorkedCase) {
    const SpotComputationResult result = computeLaueSpots(input);
    const LaueSpot* spot = find(result, 1, 1, 1);
    ASSERT_NE(spot, nullptr);
    EXPECT_NEAR(spot->x, 600.0, 1e-9);
    EXPECT_NEAR(spot->y, 600.0, 1e-9);
    EXPECT_NEAR(spot->wavelength, 2 * 5.4305 / 3, 1e-12);
    EXPECT_NEAR(spot->dSpacing, 5.4305 / std::sqrt(3.0), 1e-12);
    // The primitive itself would need 3.62 A (beyond 2.9 A), and (2 2 2) is extinct in
    // the diamond structure, so the spot is carried by its third harmonic onwards.
    const std::span<const HarmonicComponent> harmonics = result.spots.harmonicsOf(*spot);
    ASSERT_FALSE(harmonics.empty());
    EXPECT_EQ(spot->labelOrder, 3);
    EXPECT_EQ(harmonics.front().order, 3);
    double sum = 0;
    for (const HarmonicComponent& h : harmonics) {
        EXPECT_GT(h.intensity, input.minimumIntensity);
        sum += h.intensity;
    }
    EXPECT_NEAR(spot->intensity, sum, 1e-12 * sum);
    // Its Friedel mate diffracts backwards (negative sin theta) and never reaches the film.
    EXPECT_EQ(find(result, -1, -1, -1), nullptr);
}

TEST_F(SiliconSpots, BackReflectionWorkedCase) {
    input.settings.geometry = DiffractionGeometry::BackReflection;
    const SpotComputationResult result = computeLaueSpots(input);
    const LaueSpot* spot = find(result, 1, 1, 5);
    ASSERT_NE(spot, nullptr);
    EXPECT_NEAR(spot->x, 3000.0 / 23.0, 1e-9);
    EXPECT_NEAR(spot->y, 3000.0 / 23.0, 1e-9);
    EXPECT_NEAR(spot->wavelength, 10 * 5.4305 / 27, 1e-12);
    EXPECT_NEAR(spot->dSpacing, 5.4305 / std::sqrt(27.0), 1e-12);
}

TEST_F(SiliconSpots, ListIsOrderedKeptAndBounded) {
    const SpotComputationResult result = computeLaueSpots(input);
    ASSERT_FALSE(result.spots.empty());
    double strongest = 0;
    for (const LaueSpot& spot : result.spots) {
        EXPECT_LE(std::fabs(spot.x), input.halfFilmWidth);
        EXPECT_LE(std::fabs(spot.y), input.halfFilmHeight);
        EXPECT_GT(spot.intensity, input.minimumIntensity);
        // Only primitive reflections start a spot.
        int g = std::gcd(std::gcd(std::abs(spot.h), std::abs(spot.k)), std::abs(spot.l));
        EXPECT_EQ(g, 1) << spot.h << " " << spot.k << " " << spot.l;
        const std::span<const HarmonicComponent> harmonics = result.spots.harmonicsOf(spot);
        EXPECT_EQ(harmonics.size(), static_cast<std::size_t>(spot.harmonicCount));
        for (std::size_t n = 1; n < harmonics.size(); ++n)
            EXPECT_LT(harmonics[n - 1].order, harmonics[n].order);
        for (const HarmonicComponent& h : harmonics)
            EXPECT_LE(spot.wavelength / h.order, kLongestHarmonicWavelength);
        strongest = std::max(strongest, spot.intensity);
    }
    EXPECT_EQ(result.strongestIntensity, strongest);
    // Enumeration order: non-decreasing |h|, then |k|, then |l|.
    for (std::size_t n = 1; n < result.spots.size(); ++n) {
        const LaueSpot& a = result.spots[n - 1];
        const LaueSpot& b = result.spots[n];
        const auto key = [](const LaueSpot& s) {
            return std::array<int, 3>{std::abs(s.h), std::abs(s.k), std::abs(s.l)};
        };
        EXPECT_LE(key(a), key(b));
    }
}

TEST_F(SiliconSpots, DegenerateInputsGiveNoSpots) {
    SpotComputationInput none = input;
    none.settings.Hmax = none.settings.Kmax = none.settings.Lmax = 0;
    EXPECT_TRUE(computeLaueSpots(none).spots.empty());

    SpotComputationInput unestablished = input;
    unestablished.settings.distance = 0;
    EXPECT_TRUE(computeLaueSpots(unestablished).spots.empty());

    const std::vector<ElementGroup> empty;
    SpotComputationInput noAtoms = input;
    noAtoms.groups = &empty;
    EXPECT_TRUE(computeLaueSpots(noAtoms).spots.empty());

    SpotComputationInput highCut = input;
    highCut.minimumIntensity = 1e30;
    EXPECT_TRUE(computeLaueSpots(highCut).spots.empty());
}

TEST_F(SiliconSpots, TheSpotLimitStopsTheWalkAtAnyThreadCount) {
    const std::size_t count = computeLaueSpots(input).spots.size();
    ASSERT_GT(count, 10u);
    for (const int threads : {1, 3}) {
        SpotComputationInput limited = input;
        limited.threadCount = threads;
        limited.spotLimit = count;
        EXPECT_EQ(computeLaueSpots(limited).spots.size(), count);
        limited.spotLimit = count - 1;
        const SpotComputationResult stopped = computeLaueSpots(limited);
        EXPECT_TRUE(stopped.tooManySpots);
        EXPECT_TRUE(stopped.spots.empty());
    }
}

TEST_F(SiliconSpots, SpotOnTheFilmEdgeIsKept) {
    // (1 1 1) lands at x = y = 600: a film exactly that large still holds it.
    input.halfFilmWidth = 600;
    input.halfFilmHeight = 600;
    EXPECT_NE(find(computeLaueSpots(input), 1, 1, 1), nullptr);
}

} // namespace
} // namespace xtalsp
