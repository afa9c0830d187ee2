// The white-beam spectrum compiled into the program, used when no default spectrum file exists.
#pragma once

#include "core/spectrum/spectrum.h"

namespace xtalsp {

// A white-beam curve rising from 0.11 Angstrom, peaking at exactly 1 at
// 0.80 Angstrom (entry 80) and falling to 0 at 2.10 Angstrom; already normalised.
const Spectrum& builtinSpectrum();

} // namespace xtalsp
