// The calibration that places an image's pixels on the film: pitch, beam centre, flip and
// rotation.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

enum class ImageFlip { None, Horizontal, Vertical, Both };

// Column and row count from the centre of the top-left pixel of the image as stored, rows
// growing downwards. Film coordinates are in mm from the beam centre, seen from the source,
// x to the right and y up. A pixel lies on the film at
//     (x, y) = Rot(R) · Flip · (px·(col − cx), −py·(row − cy)),
// where Flip turns the sign of x (Horizontal), of y (Vertical) or both, and Rot(R) turns by
// R degrees counter-clockwise as seen from the source.
struct ImageCalibration {
    double columnPitchMm = 0.1; // px
    double rowPitchMm = 0.1;    // py
    double centreColumn = 0.0;  // cx
    double centreRow = 0.0;     // cy
    ImageFlip flip = ImageFlip::None;
    int rotationDegrees = 0; // 0, 90, 180 or 270

    bool operator==(const ImageCalibration&) const = default;
};

struct FilmPoint {
    double xMm = 0.0;
    double yMm = 0.0;
};

struct PixelPoint {
    double column = 0.0;
    double row = 0.0;
};

FilmPoint pixelToFilm(const ImageCalibration& calibration, PixelPoint pixel);
// The inverse of pixelToFilm; the pitches must be positive.
PixelPoint filmToPixel(const ImageCalibration& calibration, FilmPoint film);

// "none", "h", "v", "hv": the names the command line and the image file use.
std::string_view flipName(ImageFlip flip);
std::optional<ImageFlip> flipFromName(std::string_view name);
bool isQuarterTurn(int degrees);

} // namespace xtalsp
