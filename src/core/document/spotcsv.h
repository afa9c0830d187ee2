// The spots of a pattern as CSV, for scripts.
#pragma once

#include "core/computation/lauespot.h"

#include <span>
#include <string>

namespace xtalsp {

// Header "h,k,l,x_mm,y_mm,wavelength,intensity,percent", then one line per spot in the order of
// the text listing (the last computed spot first). h, k, l are the spot's label (the lowest
// kept harmonic times the primitive indices) and the wavelength is that harmonic's; positions
// in mm from the beam centre, x right and y up; the percent is of the saturation intensity.
// Numbers in the shortest form that reads back exactly; UTF-8 (plain ASCII), LF line ends.
std::string formatSpotCsv(std::span<const LaueSpot> spots, double saturationIntensity);

} // namespace xtalsp
