#include "core/image/calibration.h"
#include "core/image/contrast.h"

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

FilmPoint filmOf(ImageFlip flip, int rotation, PixelPoint pixel) {
    ImageCalibration c;
    c.columnPitchMm = 0.1;
    c.rowPitchMm = 0.2;
    c.centreColumn = 100.0;
    c.centreRow = 50.0;
    c.flip = flip;
    c.rotationDegrees = rotation;
    return pixelToFilm(c, pixel);
}

void expectAt(FilmPoint point, double x, double y) {
    EXPECT_NEAR(point.xMm, x, 1e-12);
    EXPECT_NEAR(point.yMm, y, 1e-12);
}

TEST(ImageCalibration, PlacesPixelsOnTheFilmSeenFromTheSource) {
    // One pixel right of the centre by 10 columns, one below it by 10 rows.
    const PixelPoint right{110.0, 50.0};
    const PixelPoint below{100.0, 60.0};
    expectAt(filmOf(ImageFlip::None, 0, right), 1.0, 0.0);
    expectAt(filmOf(ImageFlip::None, 0, below), 0.0, -2.0); // rows grow downwards, y up
    expectAt(filmOf(ImageFlip::Horizontal, 0, right), -1.0, 0.0);
    expectAt(filmOf(ImageFlip::Vertical, 0, below), 0.0, 2.0);
    expectAt(filmOf(ImageFlip::None, 90, right), 0.0, 1.0); // counter-clockwise
    expectAt(filmOf(ImageFlip::None, 270, right), 0.0, -1.0);
    expectAt(filmOf(ImageFlip::Both, 180, {110.0, 60.0}), 1.0, -2.0);
    // The flip comes before the rotation.
    expectAt(filmOf(ImageFlip::Horizontal, 90, right), 0.0, -1.0);
    expectAt(filmOf(ImageFlip::Vertical, 90, below), -2.0, 0.0);
}

TEST(ImageCalibration, FilmToPixelUndoesPixelToFilmForEveryFlipAndRotation) {
    for (ImageFlip flip :
         {ImageFlip::None, ImageFlip::Horizontal, ImageFlip::Vertical, ImageFlip::Both})
        for (int rotation : {0, 90, 180, 270}) {
            ImageCalibration c{0.172, 0.05, 1231.5, 1263.25, flip, rotation};
            for (PixelPoint pixel :
                 {PixelPoint{0, 0}, PixelPoint{2000.25, 17.5}, PixelPoint{-3, 4000}}) {
                const PixelPoint back = filmToPixel(c, pixelToFilm(c, pixel));
                EXPECT_NEAR(back.column, pixel.column, 1e-9) << flipName(flip) << rotation;
                EXPECT_NEAR(back.row, pixel.row, 1e-9) << flipName(flip) << rotation;
            }
        }
}

TEST(ImageContrast, MapsValuesBetweenTheLevelsOnEachScale) {
    ContrastSettings s{ContrastScale::Linear, 100.0, 500.0, false};
    EXPECT_EQ(greyLevel(50.0, s), 0);
    EXPECT_EQ(greyLevel(300.0, s), 128);
    EXPECT_EQ(greyLevel(900.0, s), 255);
    s.scale = ContrastScale::SquareRoot;
    EXPECT_EQ(greyLevel(200.0, s), 128); // sqrt(1/4) = 1/2
    s.scale = ContrastScale::Logarithmic;
    EXPECT_EQ(greyLevel(100.0 + 400.0 * 9.0 / 999.0, s), 85); // one of three decades
    s.invert = true;
    EXPECT_EQ(greyLevel(500.0, s), 0);
    EXPECT_EQ(greyLevel(100.0, s), 255);

    DetectorImage ramp{100, 10, {}, {}, {}};
    for (int i = 0; i < 1000; ++i)
        ramp.pixels.push_back(static_cast<float>(i));
    ramp.pixels[500] = 1e9F; // a hot pixel does not move the white level
    const ContrastSettings proposed = proposedContrast(ramp, ContrastScale::SquareRoot);
    EXPECT_EQ(proposed.scale, ContrastScale::SquareRoot);
    EXPECT_NEAR(proposed.blackLevel, 5.0, 1.0);
    EXPECT_NEAR(proposed.whiteLevel, 994.0, 1.0);
    const DetectorImage flat{2, 2, {7, 7, 7, 7}, {}, {}};
    EXPECT_GT(proposedContrast(flat).whiteLevel, proposedContrast(flat).blackLevel);
}

} // namespace
} // namespace xtalsp
