// One Laue spot: a primitive reflection that reaches the film, with the harmonics that
// diffract into the same direction.
#pragma once

#include <cstdint>
#include <vector>

namespace xtalsp {

// Harmonic n of a spot is the reflection (n h, n k, n l); its wavelength is the spot's
// wavelength / n and its d-spacing the spot's dSpacing / n.
struct HarmonicComponent {
    std::int32_t order = 1;
    double structureFactorSquared = 0.0; // |F|^2 of (n h, n k, n l)
    double intensity = 0.0;

    bool operator==(const HarmonicComponent&) const = default;
};

struct LaueSpot {
    std::int32_t h = 0, k = 0, l = 0; // primitive indices, no common factor
    double x = 0.0, y = 0.0;          // film units from the film centre, x along e2, y along e3
    double wavelength = 0.0;          // Angstrom, at which the primitive (n = 1) would diffract
    double intensity = 0.0;           // sum of the kept harmonics' intensities
    double dSpacing = 0.0;            // Angstrom, 1/|G| of the primitive reflection
    std::vector<HarmonicComponent> harmonics; // kept harmonics in increasing order, never empty

    std::int32_t harmonicCount() const { return static_cast<std::int32_t>(harmonics.size()); }
    // The lowest kept order: views and listings label the spot with it times (h k l).
    std::int32_t labelOrder() const { return harmonics.empty() ? 1 : harmonics.front().order; }

    bool operator==(const LaueSpot&) const = default;
};

} // namespace xtalsp
