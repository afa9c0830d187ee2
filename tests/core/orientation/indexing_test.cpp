#include "core/orientation/indexing.h"

#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/orientation/orientation.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/structure/cifstructure.h"
#include "support/measuredspots.h"
#include "support/silicon.h"
#include "testpaths.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>

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

// The spots of `truth` with 0.1 mm noise and a spurious one, to be indexed from a plain start
// orientation without any time limit (a slow build must not cut the search short).
IndexingRequest noisyRequest(const SpotComputationInput& truth, const std::vector<FilmPeak>& spots,
                             FilmPeak spurious) {
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
    request.measured.insert(request.measured.begin() + 2, spurious);
    request.timeLimitSeconds = 0;
    return request;
}

TEST(Indexing, FindsSiliconFromNoisySpotsWithASpuriousOneInBothGeometries) {
    const CrystalStructure silicon = test::silicon();
    for (const auto geometry :
         {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
        SCOPED_TRACE(static_cast<int>(geometry));
        const SpotComputationInput truth = siliconPattern(silicon, geometry);
        const std::vector<FilmPeak> spots = test::strongestSpots(truth, 8);
        ASSERT_EQ(spots.size(), 8u);
        IndexingRequest request = noisyRequest(truth, spots, FilmPeak{-61.3, 42.7, 1e9});

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

// A monoclinic back-reflection pattern led by high-index directions such as (-3 4 12): a wrong
// rotation puts most spots along some direction of the dense lattice by chance, and only how
// strong the spots of those directions would be tells it from the true one.
TEST(Indexing, FindsMonaziteLedByHighIndexSpotsInBackReflection) {
    const Result<FlatStructure> read =
        importAnyStructure(std::string(test::kExamplesDir) + "/monazite.struct");
    ASSERT_TRUE(read.ok());
    const CrystalStructure monazite = fromFlatStructure(read.value());
    SpotComputationInput truth;
    truth.groups = &monazite.groups;
    truth.spectrum = &builtinSpectrum();
    truth.basis = computeReciprocalBasis(monazite.a, monazite.b, monazite.c, monazite.alpha,
                                         monazite.beta, monazite.gamma);
    truth.settings.geometry = DiffractionGeometry::BackReflection;
    truth.settings.surfacePlane = {-1, 1, 3};
    truth.settings.sidePlane = {-1, -0.091379416232865038, -0.06120692371188665};
    truth.settings.rotationX = -1.1784426175051621;
    truth.settings.rotationY = 4.9293391564613449;
    truth.settings.distance = 400;
    truth.settings.Hmax = 20;
    truth.settings.Kmax = 21;
    truth.settings.Lmax = 19;
    const std::vector<FilmPeak> spots = test::strongestSpots(truth, 7);

    const Result<IndexingResult> result =
        indexSpots(noisyRequest(truth, spots, FilmPeak{37.9, -25.1, 1e5}));
    ASSERT_TRUE(result.ok()) << result.failure().text;
    ASSERT_FALSE(result.value().solutions.empty());
    EXPECT_LE(test::worstDistanceMm(truth, result.value().solutions.front().settings, spots), 0.25);
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
