#include "core/orientation/indexing.h"

#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/orientation/orientation.h"
#include "core/spectrum/builtinspectrum.h"
#include "support/measuredspots.h"
#include "support/silicon.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace xtalsp {
namespace {

// Silicon on a 20 x 15 cm film at 4 cm, turned to an orientation without any low-index plane
// near the beam.
SpotComputationInput siliconPattern(const CrystalStructure& silicon, DiffractionGeometry geometry) {
    SpotComputationInput input;
    input.groups = &silicon.groups;
    input.spectrum = &builtinSpectrum();
    input.basis = computeReciprocalBasis(silicon.a, silicon.b, silicon.c, silicon.alpha,
                                         silicon.beta, silicon.gamma);
    input.settings.geometry = geometry;
    input.settings.surfacePlane = {1, 2, 3};
    input.settings.sidePlane = {1, 1, -1};
    input.settings.distance = 400;
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 16;
    input.settings.rotationX = 11;
    input.settings.rotationY = -7;
    input.settings = foldBeamRotation(input.settings, input.basis, 37);
    return input;
}

TEST(Indexing, FindsSiliconFromNoisySpotsWithASpuriousOneInBothGeometries) {
    const CrystalStructure silicon = test::silicon();
    for (const auto geometry :
         {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
        SCOPED_TRACE(static_cast<int>(geometry));
        const SpotComputationInput truth = siliconPattern(silicon, geometry);
        const std::vector<FilmPeak> spots = test::strongestSpots(truth, 8);
        ASSERT_EQ(spots.size(), 8u);
        std::mt19937 random(15);
        std::normal_distribution<double> noise(0.0, 0.1);
        IndexingRequest request;
        request.pattern = truth;
        request.pattern.settings.surfacePlane = {0, 0, 1}; // the search must not peek
        request.pattern.settings.sidePlane = {1, 0, 0};
        request.pattern.settings.rotationX = request.pattern.settings.rotationY = 0;
        request.measured = spots;
        for (FilmPeak& spot : request.measured) {
            spot.xMm += noise(random);
            spot.yMm += noise(random);
        }
        request.measured.insert(request.measured.begin() + 2, FilmPeak{-61.3, 42.7, 1e9});
        request.timeLimitSeconds = 0; // a slow build must not cut the search short

        const Result<IndexingResult> result = indexSpots(request);
        ASSERT_TRUE(result.ok()) << result.failure().text;
        ASSERT_FALSE(result.value().solutions.empty());
        const IndexingSolution& best = result.value().solutions.front();
        EXPECT_GE(best.matchedSpots, 8u);
        EXPECT_LT(best.rmsMm, 0.25);
        EXPECT_LE(test::worstDistanceMm(truth, best.settings, spots), 0.25);
        EXPECT_LE(std::fabs(best.settings.rotationX), 89.9999);

        // Cut short by its time limit, the search still returns what it has refined.
        IndexingRequest hurried = request;
        hurried.timeLimitSeconds = 1e-9;
        const Result<IndexingResult> early = indexSpots(hurried);
        ASSERT_TRUE(early.ok());
        EXPECT_FALSE(early.value().cancelled);
        EXPECT_FALSE(early.value().solutions.empty());

        // Stopped by its progress callback, the search reports that and no solutions.
        request.progress = [](double fraction) { return fraction < 0.3; };
        const Result<IndexingResult> stopped = indexSpots(request);
        ASSERT_TRUE(stopped.ok());
        EXPECT_TRUE(stopped.value().cancelled);
        EXPECT_TRUE(stopped.value().solutions.empty());
    }
}

TEST(Indexing, RefusesTooFewSpotsAndStoresAnyOrientationInSettings) {
    const CrystalStructure silicon = test::silicon();
    IndexingRequest request;
    request.pattern = siliconPattern(silicon, DiffractionGeometry::BackReflection);
    request.measured = {{1, 2, 0}, {3, 4, 0}};
    EXPECT_FALSE(indexSpots(request).ok());

    // The settings chosen for an orientation give back its axes, with small tilts.
    const auto axes = laboratoryAxes(request.pattern.settings, request.pattern.basis);
    const DiffractionSettings held =
        settingsHoldingAxes(DiffractionSettings{}, request.pattern.basis, axes);
    const auto again = laboratoryAxes(held, request.pattern.basis);
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            EXPECT_NEAR(again[i][j], axes[i][j], 1e-9);
    EXPECT_LT(std::hypot(held.rotationX, held.rotationY), 20.0);
}

} // namespace
} // namespace xtalsp
