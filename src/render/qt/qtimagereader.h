// PNG and JPEG images (scanned films, photographs of a screen) read with Qt into the same
// numbers as the detector formats, and the one reader of every image the program opens.
#pragma once

#include "core/image/detectorimage.h"

#include <string>

namespace xtalsp {

// A PNG or JPEG image. Grey values are kept as they are (0 to 255, or 0 to 65535 for 16-bit
// PNG); colour becomes grey by luminance (Rec. 601 weights) on the same scale. A resolution
// stored in the file proposes the pixel pitch.
Result<DetectorImage> readQtImage(const std::string& path);

// TIFF and CBF through the core readers, PNG and JPEG through Qt, chosen by the file's content.
Result<DetectorImage> readAnyImage(const std::string& path);

} // namespace xtalsp
