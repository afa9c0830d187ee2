// The picture formats the command-line tool can write. Enhanced metafiles are always there;
// SVG, PDF and PNG need Qt, which the tool's main program provides when it is built with it.
#pragma once

#include "render/picturefile.h"

#include <functional>
#include <optional>
#include <string>

namespace xtalsp::cli {

using ImageFormatProvider = std::function<PictureFormat(ImageKind kind, double dpi)>;

// Installed once by main() before any command runs.
void setImageFormatProvider(ImageFormatProvider provider);

// The format of an image kind; nothing when this build cannot write it.
std::optional<PictureFormat> imageFormat(ImageKind kind, double dpi);

// The format a picture path asks for by its extension (".svg", ".pdf", ".png", else a
// metafile); nothing when this build cannot write it.
std::optional<PictureFormat> pictureFormatForPath(const std::string& path, double dpi);

} // namespace xtalsp::cli
