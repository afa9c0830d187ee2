// Atomic X-ray scattering factors from the four-Gaussian analytic fit, indexed by atomic number.
#pragma once

#include "core/structure/elements.h"

#include <array>
#include <cstddef>
#include <vector>

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

// Unit roundoff of double arithmetic, the unit of the computations' error bounds.
inline constexpr double kRoundoff = 0x1p-53;

// How far a factor of ScatteringFactorSet may lie from scatteringFactor()'s, in roundoffs of
// its spread |a1| exp(-b1 s^2) + ... + |a4| exp(-b4 s^2) + |c|.
inline constexpr double kScatteringFactorDeviation = 16.0;

// The factors of a few elements at one s2 at a time, for walks that need them for millions of
// s2: their exponentials go through the vector units together, each within an ulp or so of the
// library's, and each factor is summed in scatteringFactor()'s order. A factor thus lies within
// kScatteringFactorDeviation roundoffs of its spread of scatteringFactor()'s.
class ScatteringFactorSet {
public:
    explicit ScatteringFactorSet(std::vector<int> elements);

    std::size_t size() const { return m_elements.size(); }
    // The factor of each element at s2 into factors, and its spread into spreads.
    void evaluate(double s2, double* factors, double* spreads);

private:
    std::vector<int> m_elements;
    std::vector<double> m_b;            // b1 to b4 of each element, padded to whole sets of lanes
    std::vector<double> m_exponentials; // exp(-b s2) of each of them
    double m_largestB = 0.0;            // of their sizes
};

} // namespace xtalsp
