// SVG, PDF and PNG pictures of a pattern, drawn through the QPainter canvas, and the choice of
// a picture format by file extension. Text needs a QGuiApplication.
#pragma once

#include "render/picturefile.h"

#include <string>

namespace xtalsp {

inline constexpr double kDefaultPictureDpi = 300.0;
// The range of raster resolutions: a 20 x 15 cm film at 1200 dpi is a 4818 x 3638 image.
inline constexpr double kMinPictureDpi = 10.0, kMaxPictureDpi = 1200.0;

// The picture at its physical size (half the film's size plus the margins). SVG and PDF are
// vector pictures; a PNG has `dpi` pixels per inch on a white background.
PictureFormat imageFormat(ImageKind kind, double dpi = kDefaultPictureDpi);

// ".svg", ".pdf" and ".png" (any letter case) give those formats; every other name gives an
// enhanced metafile.
PictureFormat pictureFormatFor(const std::string& path, double dpi = kDefaultPictureDpi);

} // namespace xtalsp
