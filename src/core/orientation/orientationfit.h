// Refining the orientation (and optionally the film distance) against measured spots.
#pragma once

#include "core/computation/spotcomputation.h"
#include "core/image/peaklist.h"
#include "core/platform/result.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xtalsp {

struct FitOptions {
    double toleranceMm = 2.0;         // farthest a measured spot may lie from its partner
    bool refineDistance = false;      // refine the film distance as well
    double saturationIntensity = 0.0; // only simulated spots above 1 % of it take part
    double maxRotation = 89.9999;     // the tilts must stay within +-this, degrees
};

// One measured spot and the simulated spot it was paired with, after the fit.
struct FitPair {
    std::size_t measured = 0; // index into the measured spots
    std::int32_t h = 0, k = 0, l = 0;
    double dxMm = 0.0, dyMm = 0.0; // simulated minus measured position
};

struct FitResult {
    DiffractionSettings settings; // fitted; the beam rotation is folded into the planes
    double deltaX = 0.0, deltaY = 0.0, deltaPsi = 0.0; // corrections, degrees
    std::vector<FitPair> pairs;
    double rmsMm = 0.0; // sqrt(sum(dx^2 + dy^2) / pairs)
    double maxMm = 0.0; // largest pair distance
};

// Turns the start onto the measured spots by their scattering directions (matched against the
// strongest simulated spots, a few degrees around the start), then pairs each measured spot (mm
// on the film) one-to-one with the nearest strong simulated spot within the tolerance, refines psi,
// X, Y (and the distance) by least squares, and repeats with new pairs until they no longer change.
// Refuses when twice the number of pairs does not exceed the number of refined parameters, or when
// the fit leaves the tilt range. `start` supplies the structure, spectrum, film and settings to
// start from.
Result<FitResult> fitOrientation(const SpotComputationInput& start,
                                 const std::vector<FilmPeak>& measured, const FitOptions& options);

} // namespace xtalsp
