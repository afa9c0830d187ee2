// Mapping between image pixels and film millimetres.
#include "core/image/calibration.h"

namespace xtalsp {

namespace {

bool flipsX(ImageFlip flip) {
    return flip == ImageFlip::Horizontal || flip == ImageFlip::Both;
}
bool flipsY(ImageFlip flip) {
    return flip == ImageFlip::Vertical || flip == ImageFlip::Both;
}

// Quarter turns are done by exchanging coordinates, so they are exact.
FilmPoint turnCounterClockwise(FilmPoint p, int degrees) {
    switch (((degrees % 360) + 360) % 360) {
    case 90:
        return {-p.yMm, p.xMm};
    case 180:
        return {-p.xMm, -p.yMm};
    case 270:
        return {p.yMm, -p.xMm};
    default:
        return p;
    }
}

} // namespace

FilmPoint pixelToFilm(const ImageCalibration& c, PixelPoint pixel) {
    FilmPoint p{c.columnPitchMm * (pixel.column - c.centreColumn),
                -c.rowPitchMm * (pixel.row - c.centreRow)};
    if (flipsX(c.flip))
        p.xMm = -p.xMm;
    if (flipsY(c.flip))
        p.yMm = -p.yMm;
    return turnCounterClockwise(p, c.rotationDegrees);
}

PixelPoint filmToPixel(const ImageCalibration& c, FilmPoint film) {
    FilmPoint p = turnCounterClockwise(film, -c.rotationDegrees);
    if (flipsX(c.flip))
        p.xMm = -p.xMm;
    if (flipsY(c.flip))
        p.yMm = -p.yMm;
    return {c.centreColumn + p.xMm / c.columnPitchMm, c.centreRow - p.yMm / c.rowPitchMm};
}

std::string_view flipName(ImageFlip flip) {
    switch (flip) {
    case ImageFlip::Horizontal:
        return "h";
    case ImageFlip::Vertical:
        return "v";
    case ImageFlip::Both:
        return "hv";
    case ImageFlip::None:
        break;
    }
    return "none";
}

std::optional<ImageFlip> flipFromName(std::string_view name) {
    for (ImageFlip flip :
         {ImageFlip::None, ImageFlip::Horizontal, ImageFlip::Vertical, ImageFlip::Both})
        if (flipName(flip) == name)
            return flip;
    return std::nullopt;
}

bool isQuarterTurn(int degrees) {
    return degrees == 0 || degrees == 90 || degrees == 180 || degrees == 270;
}

} // namespace xtalsp
