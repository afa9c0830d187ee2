// SVG, PDF and PNG pictures of a pattern, drawn through the QPainter canvas, and the choice of
// a picture format by file extension. Text needs a QGuiApplication.
#pragma once

#include "render/picturefile.h"

#include <string>

namespace xtalsp {

// The picture at `scale` times the film's size (margins, lines and labels grow alike; 0.5 is
// the picture's own half size). SVG and PDF are vector pictures; a PNG has `dpi` pixels per
// inch on a white background.
PictureFormat imageFormat(ImageKind kind, double dpi = kDefaultPictureDpi,
                          double scale = kDefaultPictureScale);

// ".svg", ".pdf" and ".png" (any letter case) give those formats; every other name gives an
// enhanced metafile, which keeps half size.
PictureFormat pictureFormatFor(const std::string& path, double dpi = kDefaultPictureDpi,
                               double scale = kDefaultPictureScale);

} // namespace xtalsp
