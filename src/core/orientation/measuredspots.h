// Measured spot positions from CSV: the peak search's output or spots listed by hand.
#pragma once

#include "core/image/peaklist.h"
#include "core/platform/result.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace xtalsp {

// A measured pattern never holds more spots than this; a longer file is refused.
inline constexpr std::size_t kMaxMeasuredSpots = 100'000;

// Reads UTF-8 CSV whose header names the columns x_mm and y_mm and optionally intensity, in any
// order; then one spot a line (LF or CR LF, blank lines ignored). Every field must be a finite
// decimal number. Spots without an intensity column get intensity 0. Any fault refuses the
// whole file with a message naming the line.
Result<std::vector<FilmPeak>> readMeasuredSpotsCsv(std::string_view text);

} // namespace xtalsp
