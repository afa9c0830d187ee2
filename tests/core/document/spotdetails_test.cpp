#include "core/document/spotdetails.h"

#include <gtest/gtest.h>
#include <vector>

namespace xtalsp {
namespace {

// The details of a spot as a list holding it with these harmonics shows them.
SpotDetails detailsOf(const LaueSpot& spot, const std::vector<HarmonicComponent>& harmonics,
                      double saturationIntensity) {
    SpotList list;
    list.append(spot, harmonics);
    return spotDetails(list[0], list.harmonicsOf(list[0]), saturationIntensity);
}

const std::vector<HarmonicComponent> kSecondAndFourth = {{2, 1024.0, 20.0}, {4, 900.0, 10.0}};

// (1 1 1) seen through its harmonics 2 and 4 only: the spot is labelled (2 2 2).
LaueSpot secondAndFourthOrderSpot() {
    LaueSpot spot;
    spot.h = spot.k = spot.l = 1;
    spot.x = 512.4; // film units: 51.24 mm
    spot.y = -67.7;
    spot.wavelength = 1.5;
    spot.dSpacing = 3.136;
    spot.intensity = 30;
    return spot;
}

TEST(SpotDetails, ValuesBelongToTheLowestKeptHarmonic) {
    const SpotDetails details = detailsOf(secondAndFourthOrderSpot(), kSecondAndFourth, 40.0);
    EXPECT_EQ(details.baseReflection, "2  2  2");
    EXPECT_EQ(details.spotPosition, "x = 51.2 mm,   y = -6.8 mm");
    EXPECT_EQ(details.baseWavelength, "0.7500 \xC5");
    EXPECT_EQ(details.baseDSpacing, "1.568 \xC5");
    EXPECT_EQ(details.absoluteIntensity, "30");
    EXPECT_EQ(details.relativeIntensity, "75.00");
}

TEST(SpotDetails, OneRowPerHarmonicInListOrder) {
    const SpotDetails details = detailsOf(secondAndFourthOrderSpot(), kSecondAndFourth, 40.0);
    ASSERT_EQ(details.harmonics.size(), 2u);
    EXPECT_EQ(details.harmonics[0],
              (HarmonicDetails{"2 2 2", "66.67%", "0.7500", "1.5680", "32.0000"}));
    EXPECT_EQ(details.harmonics[1],
              (HarmonicDetails{"4 4 4", "33.33%", "0.3750", "0.7840", "30.0000"}));
}

TEST(SpotDetails, NegativeIndicesKeepTheirSigns) {
    LaueSpot spot;
    spot.h = 1;
    spot.k = -2;
    spot.l = 0;
    spot.x = -150;
    spot.y = 0.4;
    spot.wavelength = 0.25;
    spot.dSpacing = 1.25;
    spot.intensity = 250;
    const SpotDetails details = detailsOf(spot, {{1, 4.0, 250.0}}, 100.0);
    EXPECT_EQ(details.baseReflection, "1  -2  0");
    EXPECT_EQ(details.spotPosition, "x = -15.0 mm,   y = 0.0 mm");
    EXPECT_EQ(details.relativeIntensity, "250.00"); // above saturation
    ASSERT_EQ(details.harmonics.size(), 1u);
    EXPECT_EQ(details.harmonics[0].indices, "1 -2 0");
    EXPECT_EQ(details.harmonics[0].intensityShare, "100.00%");
}

TEST(SpotDetails, ZeroIntensitiesAndMissingHarmonicsGiveZeroNotNaN) {
    LaueSpot spot = secondAndFourthOrderSpot();
    spot.intensity = 0;
    SpotDetails details = detailsOf(spot, {{2, 0.0, 0.0}}, 0.0);
    EXPECT_EQ(details.absoluteIntensity, "0");
    EXPECT_EQ(details.relativeIntensity, "0.00");
    ASSERT_EQ(details.harmonics.size(), 1u);
    EXPECT_EQ(details.harmonics[0].intensityShare, "0.00%");
    EXPECT_EQ(details.harmonics[0].structureFactor, "0.0000");

    // Without harmonics the spot stands for its primitive reflection and lists no rows.
    details = detailsOf(spot, {}, 10.0);
    EXPECT_EQ(details.baseReflection, "1  1  1");
    EXPECT_EQ(details.baseWavelength, "1.5000 \xC5");
    EXPECT_TRUE(details.harmonics.empty());
}

} // namespace
} // namespace xtalsp
