// SVG, PDF and PNG pictures of a pattern, drawn through the QPainter canvas, and the choice of
// a picture format by file extension.
#pragma once

#include "render/picturefile.h"

#include <string>

namespace xtalsp {

inline constexpr double kDefaultPictureDpi = 300.0;

// ".svg", ".pdf" and ".png" (any letter case) give those formats, at the picture's physical
// size; a PNG has `dpi` pixels per inch. Every other name gives an enhanced metafile.
PictureFormat pictureFormatFor(const std::string& path, double dpi = kDefaultPictureDpi);

} // namespace xtalsp
