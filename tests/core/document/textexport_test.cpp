#include "core/document/textexport.h"

#include "support/localetest.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

const std::vector<HarmonicComponent> kExampleHarmonics = {{2, 3600, 100}, {4, 400, 25}};

LaueSpot exampleSpot() {
    LaueSpot spot;
    spot.h = spot.k = spot.l = 1;
    spot.x = 123;
    spot.y = -57;
    spot.wavelength = 1.2;
    spot.dSpacing = 3.2;
    spot.intensity = 125;
    return spot;
}

SpotList exampleList() {
    SpotList spots;
    spots.append(exampleSpot(), kExampleHarmonics);
    return spots;
}

PatternListingInput exampleInput(const SpotList& spots) {
    PatternListingInput input;
    input.crystalName = "Silicon";
    input.settings.surfacePlane = {1, 1, 1};
    input.settings.geometry = DiffractionGeometry::BackReflection;
    input.settings.distance = 300;
    input.settings.sidePlane = {1, -1, 0};
    input.settings.rotationX = 0;
    input.settings.rotationY = 2.5;
    input.saturationIntensity = 500;
    input.spots = &spots;
    return input;
}

constexpr const char* kExampleListing =
    "Silicon (1 1 1)\r\n"
    "\r\n"
    "Diffraction geometry: Back reflection\r\n"
    "Sample-film distance: D = 3 cm\r\n"
    "Vertical side plane: 1 -1 0 (reciprocal horizontal direction)\r\n"
    "Rotation angles: X = 0\xB0, Y = 2.5\xB0\r\n"
    "\r\n"
    "Diffraction spots:\r\n"
    "  2 2 2: x=12.3, y=-5.7; I=125, 25\r\n"
    "      2 2 2: 80%, WL=0.6, d=1.6, |F|=60\r\n"
    "      4 4 4: 20%, WL=0.3, d=0.8, |F|=20\r\n";

TEST(TextExport, WritesTheWorkedListingByteForByte) {
    const SpotList spots = exampleList();
    EXPECT_EQ(formatPatternListing(exampleInput(spots)), kExampleListing);
}

TEST(TextExport, ListsSpotsFromTheLastToTheFirstAndKeepsAFractionalPlane) {
    LaueSpot first = exampleSpot();
    LaueSpot second = exampleSpot();
    second.h = 0;
    second.k = 0;
    second.l = 1;
    SpotList spots;
    spots.append(first, kExampleHarmonics);
    const HarmonicComponent third{3, 1, 125};
    spots.append(second, {&third, 1});
    PatternListingInput input = exampleInput(spots);
    input.crystalName = "";
    input.settings.surfacePlane = {1.9, -1.9, -0.0};
    input.settings.geometry = DiffractionGeometry::Transmission;
    const std::string listing = formatPatternListing(input);
    EXPECT_EQ(listing.rfind(" (1.9 -1.9 0)\r\n\r\nDiffraction geometry: Transmission\r\n", 0), 0u);
    const auto secondAt = listing.find("  0 0 3: x=12.3");
    const auto firstAt = listing.find("  2 2 2: x=12.3");
    ASSERT_NE(secondAt, std::string::npos);
    ASSERT_NE(firstAt, std::string::npos);
    EXPECT_LT(secondAt, firstAt);
    EXPECT_NE(listing.find("      0 0 3: 100%, WL=0.4, d=1.06667, |F|=1\r\n"), std::string::npos);
}

TEST(TextExport, WritesTheSameBytesUnderACommaLocaleAndReportsUnwritableFiles) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    const SpotList spots = exampleList();
    test::TempDir dir;
    EXPECT_TRUE(writePatternListing(dir.file("pattern.txt"), exampleInput(spots)).ok());
    EXPECT_EQ(dir.read("pattern.txt"), kExampleListing);
    const Status failure =
        writePatternListing(dir.file("missing/pattern.txt"), exampleInput(spots));
    ASSERT_FALSE(failure.ok());
    EXPECT_EQ(failure.failure().icon, MessageIcon::Stop);
}

} // namespace
} // namespace xtalsp
