// The texts of the selected-spot details: the spot's base reflection, position, wavelength,
// d-spacing and intensities, and one row per harmonic that diffracts onto it.
#pragma once

#include "core/computation/lauespot.h"

#include <span>
#include <string>
#include <vector>

namespace xtalsp {

// One harmonic n_j of the spot, as its list row shows it (Windows-1252 texts).
struct HarmonicDetails {
    std::string indices;         // n_j h, n_j k, n_j l
    std::string intensityShare;  // per cent of the spot's total intensity, with a '%' sign
    std::string wavelength;      // Angstrom, spot wavelength / n_j
    std::string dSpacing;        // Angstrom, spot d-spacing / n_j
    std::string structureFactor; // |F|
    bool operator==(const HarmonicDetails&) const = default;
};

// Values are given for the lowest kept harmonic n, the reflection the view labels the spot with.
struct SpotDetails {
    std::string baseReflection;    // n h, n k, n l
    std::string spotPosition;      // millimetres from the film centre
    std::string baseWavelength;    // Angstrom
    std::string baseDSpacing;      // Angstrom
    std::string absoluteIntensity; // total of the harmonics, arbitrary units
    std::string relativeIntensity; // per cent of the saturation intensity, without a '%' sign
    std::vector<HarmonicDetails> harmonics;
    bool operator==(const SpotDetails&) const = default;
};

// Shares and the relative intensity are 0 when their reference intensity is not positive (a
// spot of zero intensity, a scale without saturation), rather than a text of NaN or infinity.
// The harmonics are those the spot's list holds for it.
SpotDetails spotDetails(const LaueSpot& spot, std::span<const HarmonicComponent> harmonics,
                        double saturationIntensity);

} // namespace xtalsp
