// A detector image or scanned film held as numbers, and the readers that fill it.
#pragma once

#include "core/platform/result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace xtalsp {

// Images larger than this (a 16384 x 16384 detector) are refused before anything is allocated.
inline constexpr std::uint64_t kMaxImagePixels = std::uint64_t{1} << 28;

// The pixel pitch a file proposes for the calibration, in mm along columns (x) and rows (y).
struct ProposedPixelPitch {
    double columnMm = 0.0;
    double rowMm = 0.0;
};

// The beam centre a detector header proposes, in pixels: column then row from the centre of
// the top-left pixel, rows growing downwards.
struct ProposedCentre {
    double column = 0.0;
    double row = 0.0;
};

// The pixel values in row-major order, top row first, as stored in the file. Values are kept
// as float: counts are exact up to 2^24, which covers 16-bit images and photon-counting
// detectors; larger 32-bit integers keep seven significant digits.
struct DetectorImage {
    int width = 0;
    int height = 0;
    std::vector<float> pixels;
    std::optional<ProposedPixelPitch> proposedPitch;
    std::optional<ProposedCentre> proposedCentre;

    float at(int column, int row) const {
        return pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(column)];
    }
};

// A reader of one image format. The desktop program adds readers for the formats its toolkit
// reads (PNG, JPEG) that fill the same type.
using ImageReader = std::function<Result<DetectorImage>(const std::string& path)>;

// The failure "Cannot read the image PATH: WHAT." that every image reader reports.
Message imageReadFailure(const std::string& path, const std::string& what);
// Checks dimensions before pixels are allocated; returns the problem, if any.
std::optional<std::string> imageSizeProblem(std::uint64_t width, std::uint64_t height);

// TIFF: 8, 16 and 32-bit unsigned or signed integers and 32-bit floats, one sample per pixel.
// Resolution tags, when present, propose the pixel pitch. A float pixel that is NaN or
// infinite makes the whole file refused: a detector's masked pixels are not silently counted
// as zero.
Result<DetectorImage> readTiffImage(const std::string& path);
// CBF as photon-counting detectors write it (miniCBF): the first image array; the header's
// Pixel_size and Beam_xy propose the pitch and the centre.
Result<DetectorImage> readCbfImage(const std::string& path);

// Whether the file name is one that readDetectorImage reads (.tif, .tiff, .cbf, any case).
bool isCoreImageFile(const std::string& path);
// Reads a TIFF or CBF file, chosen by the file's first bytes.
Result<DetectorImage> readDetectorImage(const std::string& path);

} // namespace xtalsp
