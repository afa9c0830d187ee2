// The picture formats the command-line tool can write. Enhanced metafiles are always there;
// SVG, PDF and PNG need Qt, which the tool's main program provides when it is built with it.
#pragma once

#include "core/image/detectorimage.h"
#include "render/picturefile.h"

#include <functional>
#include <optional>
#include <string>

namespace xtalsp::cli {

using ImageFormatProvider = std::function<PictureFormat(ImageKind kind, double dpi, double scale)>;

// Installed once by main() before any command runs.
void setImageFormatProvider(ImageFormatProvider provider);

// The format of an image kind at `scale` times the film's size; nothing when this build cannot
// write it.
std::optional<PictureFormat> imageFormat(ImageKind kind, double dpi,
                                         double scale = kDefaultPictureScale);

// The format a picture path asks for by its extension (".svg", ".pdf", ".png", else a
// metafile, which keeps its size); nothing when this build cannot write it.
std::optional<PictureFormat> pictureFormatForPath(const std::string& path, double dpi,
                                                  double scale = kDefaultPictureScale);

// Reads an image for the image commands: TIFF and CBF always, PNG and JPEG when the tool's
// main program installed a reader for them.
void setImageFileReader(ImageReader reader);
Result<DetectorImage> readImageFile(const std::string& path);

} // namespace xtalsp::cli
