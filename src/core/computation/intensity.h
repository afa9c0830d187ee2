// The kinematic intensity model: structure factor, spectrum lookup, harmonic intensity and the
// saturation that scales the drawing of the spots.
#pragma once

#include "core/computation/intensityscale.h"
#include "core/spectrum/spectrum.h"
#include "core/structure/crystalstructure.h"

#include <complex>
#include <vector>

namespace xtalsp {

// F(hkl) = sum over all sites of occupancy * f(Z, s2) * exp(2 pi i (hx + ky + lz)), with s2 =
// (sin(theta) / lambda)^2 in 1/Angstrom^2. No temperature factor is applied. Groups without a
// valid element contribute nothing.
std::complex<double> structureFactor(int h, int k, int l, double s2,
                                     const std::vector<ElementGroup>& groups);

// The beam intensity at wavelength lambda (Angstrom), interpolated linearly between the samples
// at multiples of 0.01 Angstrom. The beam carries nothing outside 0 to 3 Angstrom.
double spectrumAt(const Spectrum& spectrum, double lambda);

// The integrated intensity of one harmonic (arbitrary units):
// |F|^2 * S(lambda) * lambda^3 * polarisation * Lorentz, with the unpolarised-beam factor
// (1 + cos^2 2theta) / 2 = 1 - 2 sin^2 + 2 sin^4 and the Laue Lorentz factor 1 / sin 2theta,
// taken as 1 / (sin cos), twice that, on this arbitrary scale. Bragg angles with sin(theta)
// outside (0, 1) cannot diffract and give 0.
double harmonicIntensity(double structureFactorSquared, double sinTheta, double lambda,
                         const Spectrum& spectrum);

// After a spot computation has set strongestIntensity: fix the absolute saturation on the first
// computation that finds a spot (or after a reset) and keep it afterwards, so spots darken or
// fade with their absolute intensity as the crystal is turned; the fraction follows.
void updateSaturation(IntensityScale& scale);

} // namespace xtalsp
