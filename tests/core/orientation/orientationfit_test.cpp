#include "core/orientation/orientationfit.h"

#include "core/computation/geometry.h"
#include "core/orientation/measuredspots.h"
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

class SiliconFit : public ::testing::Test {
protected:
    void SetUp() override {
        structure = test::silicon();
        input.groups = &structure.groups;
        input.spectrum = &builtinSpectrum();
        input.basis = computeReciprocalBasis(structure.a, structure.b, structure.c, structure.alpha,
                                             structure.beta, structure.gamma);
        input.settings.geometry = DiffractionGeometry::BackReflection;
        input.settings.surfacePlane = {0, 0, 1};
        input.settings.sidePlane = {1, 0, 0};
        input.settings.distance = 300;
        input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 12;
        input.settings.rotationX = 7;
        input.settings.rotationY = -4;
        input.settings = foldBeamRotation(input.settings, input.basis, 5);
    }

    // The strongest spots of the true orientation, in mm, noise-free.
    std::vector<FilmPeak> strongestSpots(std::size_t count) {
        const SpotComputationResult result = computeLaueSpots(input);
        saturation = result.strongestIntensity;
        return test::strongestSpots(result.spots, count);
    }

    CrystalStructure structure;
    SpotComputationInput input;
    double saturation = 0;
};

TEST_F(SiliconFit, RecoversTheOrientationFromNoisySpotsStartedTwoDegreesAway) {
    const std::vector<FilmPeak> truth = strongestSpots(10);
    ASSERT_EQ(truth.size(), 10u);
    std::mt19937 random(15);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<FilmPeak> measured = truth;
    for (FilmPeak& spot : measured) {
        spot.xMm += noise(random);
        spot.yMm += noise(random);
    }

    SpotComputationInput start = input;
    start.settings.rotationX += 2;
    start.settings.rotationY -= 2;
    start.settings = foldBeamRotation(start.settings, start.basis, 2);
    FitOptions options;
    options.saturationIntensity = saturation;
    const Result<FitResult> fit = fitOrientation(start, measured, options);
    ASSERT_TRUE(fit.ok()) << fit.failure().text;
    EXPECT_EQ(fit.value().pairs.size(), 10u);
    // The corrections that lead from the start exactly back to the true orientation.
    const OrientationAngles back = decomposeOrientation(
        start.settings, input.basis, laboratoryAxes(input.settings, input.basis));
    EXPECT_NEAR(fit.value().deltaX, back.rotationX - start.settings.rotationX, 0.05);
    EXPECT_NEAR(fit.value().deltaY, back.rotationY - start.settings.rotationY, 0.05);
    EXPECT_NEAR(fit.value().deltaPsi, back.psi, 0.05);
    EXPECT_LT(fit.value().rmsMm, 0.1);
    EXPECT_GE(fit.value().maxMm, fit.value().rmsMm);

    SpotComputationInput fitted = input;
    fitted.settings = fit.value().settings;
    const auto spots = computeLaueSpots(fitted).spots;
    for (const FilmPeak& spot : truth) {
        double nearest = 1e9;
        for (const LaueSpot& simulated : spots)
            nearest = std::min(
                nearest, std::hypot(simulated.x / 10 - spot.xMm, simulated.y / 10 - spot.yMm));
        EXPECT_LT(nearest, 0.08);
    }
}

// In transmission at 4 cm a 2 degree error moves the spots by more than the pairing tolerance, so
// pairing each spot with its nearest simulated neighbour at the start locks onto wrong reflections.
TEST_F(SiliconFit, FindsTheRightPairsWhenTheStartMovesSpotsBeyondTheTolerance) {
    input.settings.geometry = DiffractionGeometry::Transmission;
    input.settings.distance = 40;
    const std::vector<FilmPeak> truth = strongestSpots(10);
    ASSERT_EQ(truth.size(), 10u);
    SpotComputationInput start = input;
    start.settings.rotationX += 2;
    start.settings.rotationY += 2;
    start.settings = foldBeamRotation(start.settings, start.basis, 2);
    FitOptions options;
    options.saturationIntensity = saturation;
    const Result<FitResult> fit = fitOrientation(start, truth, options);
    ASSERT_TRUE(fit.ok()) << fit.failure().text;
    EXPECT_EQ(fit.value().pairs.size(), 10u);
    EXPECT_LT(fit.value().maxMm, 1e-3);
}

// A spot 1.2 mm from the back-reflection centre lies just outside the cap where the simulation
// leaves spots out; an orientation within the noise puts it inside. Started from the truth, the
// fit must keep that spot rather than settle on the others without it.
TEST_F(SiliconFit, KeepsASpotNextToTheBackReflectionCentre) {
    input.settings.surfacePlane = {1.0 / 3.0, 0, -1};
    input.settings.sidePlane = {-1, -0.1807555408909593, -1.0 / 3.0};
    input.settings.rotationX = -4.0660090094894246;
    input.settings.rotationY = -5.6020354359974771;
    input.settings.distance = 400;
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 16;
    const std::vector<FilmPeak> truth = strongestSpots(8);
    // The eight strongest with 0.1 mm noise, and one spurious spot first.
    const std::vector<FilmPeak> measured = {
        {-73.960, 10.783, 268.3}, {-2.112, -0.581, 5113}, {2.017, 7.300, 4833},
        {0.795, 1.053, 4451},     {1.322, -12.572, 4298}, {19.270, 10.446, 3387},
        {-6.551, -2.741, 3186},   {-8.081, 5.739, 2800},  {-20.491, 3.966, 2530}};
    // Only the 36 strongest simulated spots may pair, as when indexing nine spots.
    std::vector<double> intensities;
    for (const LaueSpot& spot : computeLaueSpots(input).spots)
        intensities.push_back(spot.intensity);
    std::sort(intensities.begin(), intensities.end(), std::greater<>());
    ASSERT_GT(intensities.size(), 36u);
    FitOptions options;
    options.toleranceMm = 0.5;
    options.saturationIntensity = 100 * intensities[35] * (1 - 1e-9);

    const Result<FitResult> fit = fitOrientation(input, measured, options);
    ASSERT_TRUE(fit.ok()) << fit.failure().text;
    EXPECT_EQ(fit.value().pairs.size(), 8u);
    EXPECT_LE(test::worstDistanceMm(input, fit.value().settings, truth), 0.25);
}

TEST_F(SiliconFit, RefinesTheDistanceWhenAsked) {
    const std::vector<FilmPeak> measured = strongestSpots(10);
    SpotComputationInput start = input;
    start.settings.distance = 310;
    start.settings.rotationX += 0.5;
    FitOptions options;
    options.saturationIntensity = saturation;
    options.refineDistance = true;
    const Result<FitResult> fit = fitOrientation(start, measured, options);
    ASSERT_TRUE(fit.ok()) << fit.failure().text;
    EXPECT_NEAR(fit.value().settings.distance, 300, 1e-4);
    EXPECT_NEAR(fit.value().deltaX, -0.5, 1e-6);
    EXPECT_LT(fit.value().rmsMm, 1e-5);
}

TEST_F(SiliconFit, RefusesWithTooFewPairs) {
    std::vector<FilmPeak> measured = strongestSpots(1);
    FitOptions options;
    options.saturationIntensity = saturation;
    EXPECT_FALSE(fitOrientation(input, measured, options).ok());
    // Two pairs fit three parameters, but not four.
    measured = strongestSpots(2);
    EXPECT_TRUE(fitOrientation(input, measured, options).ok());
    options.refineDistance = true;
    EXPECT_FALSE(fitOrientation(input, measured, options).ok());
    // Spots far from every simulated spot do not pair.
    measured = {{500, 500, 0}, {-500, 500, 0}, {500, -500, 0}};
    EXPECT_FALSE(fitOrientation(input, measured, FitOptions{}).ok());
}

TEST(MeasuredSpotsCsv, ReadsColumnsByNameAndRefusesFaultyFiles) {
    const auto read = readMeasuredSpotsCsv("\xEF\xBB\xBFy_mm, intensity ,x_mm\r\n"
                                           "1.5,10,-2\r\n\r\n"
                                           "+0.25,3e2,4\r\n");
    ASSERT_TRUE(read.ok()) << read.failure().text;
    ASSERT_EQ(read.value().size(), 2u);
    EXPECT_EQ(read.value()[0], (FilmPeak{-2, 1.5, 10}));
    EXPECT_EQ(read.value()[1], (FilmPeak{4, 0.25, 300}));
    const auto plain = readMeasuredSpotsCsv("x_mm,y_mm\n1,2\n");
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(plain.value(), (std::vector<FilmPeak>{{1, 2, 0}}));

    for (const char* faulty :
         {"", "x_mm\n1\n", "x_mm,y_mm,z_mm\n1,2,3\n", "x_mm,x_mm,y_mm\n1,2,3\n", "1,2\n3,4\n",
          "x_mm,y_mm\n1,nan\n", "x_mm,y_mm\n1,inf\n", "x_mm,y_mm\n1,1e999\n", "x_mm,y_mm\n1,2x\n",
          "x_mm,y_mm\n1,2,3\n", "x_mm,y_mm\n1\n", "x_mm,y_mm\n1,\n"})
        EXPECT_FALSE(readMeasuredSpotsCsv(faulty).ok()) << faulty;
}

} // namespace
} // namespace xtalsp
