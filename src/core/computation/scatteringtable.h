// Atomic X-ray scattering factors from the four-Gaussian analytic fit, indexed by atomic number.
#pragma once

#include "core/structure/elements.h"

#include <array>

namespace xtalsp {

// f(s^2) = a1 exp(-b1 s^2) + a2 exp(-b2 s^2) + a3 exp(-b3 s^2) + a4 exp(-b4 s^2) + c, with
// s = sin(theta) / lambda in 1/Angstrom; f is in electrons and f(0) is close to Z.
struct ScatteringCoefficients {
    double a1, b1, a2, b2, a3, b3, a4, b4, c;
};

// Rows 0 to 92; row 0 (no element) is all zero.
extern const std::array<ScatteringCoefficients, kMaxAtomicNumber + 1> kScatteringTable;

// The scattering factor of element Z at s2 = (sin(theta) / lambda)^2 in 1/Angstrom^2. An atomic
// number outside 0 to 92 scatters nothing.
double scatteringFactor(int Z, double s2);

} // namespace xtalsp
