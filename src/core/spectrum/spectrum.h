// The incident white-beam spectrum: 301 intensities, entry i at wavelength i x 0.01 Angstrom.
#pragma once

#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <array>
#include <cstddef>
#include <optional>

namespace xtalsp {

inline constexpr std::size_t kSpectrumSize = 301;
inline constexpr double kSpectrumStep = 0.01;          // Angstrom per entry
inline constexpr double kMinSpectrumMaximum = 1e-8;    // a valid spectrum's largest entry
inline constexpr double kMaxSpectrumIntensity = 1e300; // the largest one entry may hold

struct Spectrum {
    std::array<double, kSpectrumSize> intensity{}; // arbitrary units, 0.00 to 3.00 Angstrom

    bool operator==(const Spectrum&) const = default;
};

// The largest of the 301 intensities.
double largestIntensity(const Spectrum& spectrum);

// Every intensity is finite and 0 or more, and the largest reaches kMinSpectrumMaximum, so the
// spectrum can be scaled to a largest value of 1.
bool isValidSpectrum(const Spectrum& spectrum);

// The refusal shown when an invalid spectrum is to be accepted or written.
Message invalidSpectrumMessage();

// Scales the spectrum so that its largest intensity is exactly 1. An invalid spectrum is
// refused with invalidSpectrumMessage() and left unchanged.
Status NormalizeSpectrum(Spectrum& spectrum);

} // namespace xtalsp
