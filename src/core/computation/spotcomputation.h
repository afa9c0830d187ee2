// The Laue spot walk: every primitive reflection within the index limits that diffracts onto
// the film for some wavelength of the white beam, with its harmonics and intensities.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/lauespot.h"
#include "core/spectrum/spectrum.h"
#include "core/structure/crystalstructure.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace xtalsp {

// The most spots a pattern may hold. A spot list beyond it would take gigabytes and show nothing
// a user can tell apart; the walk stops and the user is asked for a larger minimum intensity or
// smaller index limits.
inline constexpr std::size_t kMaxSpotCount = 5'000'000;

// Told the share of the walk done so far, from 0 to 1, never decreasing; returns false to stop
// the walk. computeLaueSpots calls it often (once per row of index triples), and only from the
// thread that called it, so it should be cheap and need not be thread-safe.
using SpotProgress = std::function<bool(double done)>;

// A snapshot of everything the walk reads; the walk is a pure function of it.
struct SpotComputationInput {
    const std::vector<ElementGroup>* groups = nullptr;
    const Spectrum* spectrum = nullptr;
    DiffractionSettings settings;
    ReciprocalBasis basis;
    double halfFilmWidth = 1000.0; // film units
    double halfFilmHeight = 750.0; // film units
    double minimumIntensity = 1.0;
    int threadCount = 0; // worker threads for computeLaueSpots; 0 or less: one per hardware thread
    std::size_t spotLimit = kMaxSpotCount; // computeLaueSpots stops beyond it
    SpotProgress progress;                 // none: the walk runs to its end unobserved
};

struct SpotComputationResult {
    SpotList spots;                  // in enumeration order
    double strongestIntensity = 0.0; // total intensity of the strongest spot, 0 without spots
    bool tooManySpots = false;       // the walk stopped at the spot limit; no spots then
    bool cancelled = false;          // the progress callback stopped the walk; no spots then
};

// Harmonics with a longer wavelength than this are not computed.
inline constexpr double kLongestHarmonicWavelength = 2.9; // Angstrom
// Index limits beyond the settings dialog's range are clamped to it.
inline constexpr int kMaxIndexLimit = 999;

// The spot list, computed on up to threadCount threads. Membership and order of the spots are
// those of computeLaueSpotsReference, and every number agrees with it to 1e-12 relative (the
// positions, wavelengths and d-spacings exactly), whatever the thread count. The agreement of
// intensities rests on FastStructureFactor's error estimate, which keeps deviations below
// 5e-13 with a wide margin; results are identical at every thread count.
SpotComputationResult computeLaueSpots(const SpotComputationInput& input);

// The straightforward single-threaded walk: every harmonic's structure factor is evaluated
// directly with structureFactor(). Kept as the yardstick of the fast walk; it has no spot limit.
SpotComputationResult computeLaueSpotsReference(const SpotComputationInput& input);

} // namespace xtalsp
