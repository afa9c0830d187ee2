// Turning an image onto the film's axes.
#include "core/image/filmraster.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

// The film rectangle covered by the outer edges of the image's corner pixels.
FilmRect coveredFilm(const DetectorImage& image, const ImageCalibration& calibration) {
    const double lastColumn = image.width - 0.5, lastRow = image.height - 0.5;
    FilmRect film{INFINITY, INFINITY, -INFINITY, -INFINITY};
    for (const PixelPoint corner : {PixelPoint{-0.5, -0.5}, PixelPoint{lastColumn, -0.5},
                                    PixelPoint{-0.5, lastRow}, PixelPoint{lastColumn, lastRow}}) {
        const FilmPoint p = pixelToFilm(calibration, corner);
        film.leftMm = std::min(film.leftMm, p.xMm);
        film.rightMm = std::max(film.rightMm, p.xMm);
        film.bottomMm = std::min(film.bottomMm, p.yMm);
        film.topMm = std::max(film.topMm, p.yMm);
    }
    return film;
}

int rasterIndex(double fromEdgeMm, double pitchMm, int count) {
    // Pixel centres lie half a pitch inside the edge; rounding absorbs the arithmetic's noise.
    const long index = std::lround(fromEdgeMm / pitchMm - 0.5);
    return static_cast<int>(std::clamp<long>(index, 0, count - 1));
}

} // namespace

ImageUnderlay filmRaster(const DetectorImage& image, const ImageCalibration& calibration,
                         const ContrastSettings& contrast) {
    ImageUnderlay underlay;
    if (image.width <= 0 || image.height <= 0)
        return underlay;
    const bool quarterTurned = calibration.rotationDegrees % 180 != 0;
    GreyRaster& raster = underlay.raster;
    raster.width = quarterTurned ? image.height : image.width;
    raster.height = quarterTurned ? image.width : image.height;
    raster.pixels.assign(
        static_cast<std::size_t>(raster.width) * static_cast<std::size_t>(raster.height), 0);
    underlay.film = coveredFilm(image, calibration);
    const double pitchX = quarterTurned ? calibration.rowPitchMm : calibration.columnPitchMm;
    const double pitchY = quarterTurned ? calibration.columnPitchMm : calibration.rowPitchMm;
    for (int row = 0; row < image.height; ++row) {
        for (int column = 0; column < image.width; ++column) {
            const FilmPoint p = pixelToFilm(calibration, {double(column), double(row)});
            const int x = rasterIndex(p.xMm - underlay.film.leftMm, pitchX, raster.width);
            const int y = rasterIndex(underlay.film.topMm - p.yMm, pitchY, raster.height);
            raster.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(raster.width) +
                          static_cast<std::size_t>(x)] = greyLevel(image.at(column, row), contrast);
        }
    }
    return underlay;
}

} // namespace xtalsp
