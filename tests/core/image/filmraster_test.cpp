#include "core/image/filmraster.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace xtalsp {
namespace {

// A 3 x 2 image with unequal pitches, flipped horizontally and turned a quarter: the raster is
// 2 x 3, and each marked pixel lands where the calibration puts it on the film.
TEST(FilmRaster, FlipAndQuarterTurnPutPixelsWhereTheCalibrationPlacesThem) {
    DetectorImage image;
    image.width = 3;
    image.height = 2;
    image.pixels.assign(6, 0.0f);
    image.pixels[0] = 50.0f;          // column 0, row 0: on the beam centre
    image.pixels[1 * 3 + 2] = 100.0f; // column 2, row 1: at (0.2, -0.2) mm
    ImageCalibration calibration;
    calibration.columnPitchMm = 0.1;
    calibration.rowPitchMm = 0.2;
    calibration.flip = ImageFlip::Horizontal;
    calibration.rotationDegrees = 90;
    const ContrastSettings contrast{ContrastScale::Linear, 0.0, 100.0, false};

    const ImageUnderlay underlay = filmRaster(image, calibration, contrast);
    ASSERT_EQ(underlay.raster.width, 2);
    ASSERT_EQ(underlay.raster.height, 3);
    EXPECT_NEAR(underlay.film.leftMm, -0.1, 1e-12);
    EXPECT_NEAR(underlay.film.rightMm, 0.3, 1e-12);
    EXPECT_NEAR(underlay.film.bottomMm, -0.25, 1e-12);
    EXPECT_NEAR(underlay.film.topMm, 0.05, 1e-12);
    // Raster pixel (x, y) from the top-left covers film x from left + 0.2 x, y down from top.
    EXPECT_EQ(underlay.raster.at(0, 0), 128);
    EXPECT_EQ(underlay.raster.at(1, 2), 255);
    EXPECT_EQ(std::count(underlay.raster.pixels.begin(), underlay.raster.pixels.end(), 0), 4);
}

} // namespace
} // namespace xtalsp
