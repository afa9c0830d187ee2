// SVG, PDF and PNG pictures of a pattern, drawn through the QPainter canvas, and the choice of
// a picture format by file extension. Text needs a QGuiApplication.
#pragma once

#include "render/picturefile.h"

#include <string>

namespace xtalsp {

// The picture at its physical size (half the film's size plus the margins). SVG and PDF are
// vector pictures; a PNG has `dpi` pixels per inch on a white background.
PictureFormat imageFormat(ImageKind kind, double dpi = kDefaultPictureDpi);

// ".svg", ".pdf" and ".png" (any letter case) give those formats; every other name gives an
// enhanced metafile.
PictureFormat pictureFormatFor(const std::string& path, double dpi = kDefaultPictureDpi);

} // namespace xtalsp
