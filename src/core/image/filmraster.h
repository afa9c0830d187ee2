// An image turned the way the film sees it: 8-bit grey, axis-aligned with the film, with the
// rectangle of the film it covers. The pictures draw it under the pattern.
#pragma once

#include "core/image/calibration.h"
#include "core/image/contrast.h"
#include "core/image/detectorimage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xtalsp {

// Grey levels (0 black, 255 white) in rows, the top row (largest film y) first, each row from
// the left (smallest film x).
struct GreyRaster {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// A rectangle on the film in mm from the beam centre, x to the right and y up.
struct FilmRect {
    double leftMm = 0.0, bottomMm = 0.0, rightMm = 0.0, topMm = 0.0;
};

// An image ready to lie under a pattern: its raster covers `film` exactly, pixel edges
// included.
struct ImageUnderlay {
    GreyRaster raster;
    FilmRect film;
};

// The image with its flip and quarter turn applied and its values mapped through the contrast.
// One raster pixel stands for one image pixel. The calibration's pitches must be positive.
ImageUnderlay filmRaster(const DetectorImage& image, const ImageCalibration& calibration,
                         const ContrastSettings& contrast);

} // namespace xtalsp
