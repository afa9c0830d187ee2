// Atomic X-ray data (emission lines, absorption edges, attenuation) for the tube spectrum. The
// numbers come from xraylib; only xraydata.cpp includes it.
#pragma once

#include <vector>

namespace xtalsp {

enum class XrayShell { K, L3 };

// One emission line of a shell: its photon energy and its share of the shell's radiative
// transitions.
struct EmissionLine {
    double energyKeV = 0.0;
    double relativeRate = 0.0;
};

// The absorption edge of the shell in keV, 0 when the element has none.
double absorptionEdgeKeV(int atomicNumber, XrayShell shell);
// The shell's fluorescence yield (radiative share of its vacancies), 0 when unknown.
double fluorescenceYield(int atomicNumber, XrayShell shell);
// The diagram lines that fill a vacancy in the shell, with known energy and rate.
std::vector<EmissionLine> emissionLines(int atomicNumber, XrayShell shell);
// The total mass attenuation coefficient in cm^2/g (photoabsorption and scattering), 0 when
// the energy lies outside the tables.
double massAttenuation(int atomicNumber, double energyKeV);

} // namespace xtalsp
