// Mapping pixel values to 8-bit grey for display: scale, black and white levels, inversion.
#pragma once

#include "core/image/detectorimage.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace xtalsp {

enum class ContrastScale { Linear, SquareRoot, Logarithmic };

struct ContrastSettings {
    ContrastScale scale = ContrastScale::Linear;
    double blackLevel = 0.0; // this value and below are black
    double whiteLevel = 1.0; // this value and above are white
    bool invert = false;     // film negatives: dark is more exposure

    bool operator==(const ContrastSettings&) const = default;
};

// The logarithmic scale spans this many decades between the black and the white level,
// whatever the unit of the pixel values.
inline constexpr double kLogarithmicDecades = 3.0;

// The grey level (0 black, 255 white) of a pixel value. A white level at or below the black
// level makes a step at the white level; NaN is black.
std::uint8_t greyLevel(double value, const ContrastSettings& settings);

// Black and white levels at the 0.5 % and 99.5 % percentiles of the pixel values (of an even
// sample of at most about a million pixels, which decides the levels as well as all of them),
// so that a few hot or dead pixels do not wash out the picture. The white level is above the
// black level.
ContrastSettings proposedContrast(const DetectorImage& image,
                                  ContrastScale scale = ContrastScale::Linear);

std::string_view contrastScaleName(ContrastScale scale); // "linear", "sqrt", "log"
std::optional<ContrastScale> contrastScaleFromName(std::string_view name);

} // namespace xtalsp
