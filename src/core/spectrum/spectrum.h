// The incident white-beam spectrum: 301 intensities, entry i at wavelength i x 0.01 Angstrom.
#pragma once

#include <array>
#include <cstddef>

namespace xtalsp {

inline constexpr std::size_t kSpectrumSize = 301;
inline constexpr double kSpectrumStep = 0.01;       // Angstrom per entry
inline constexpr double kMinSpectrumMaximum = 1e-8; // a valid spectrum's largest entry

struct Spectrum {
    std::array<double, kSpectrumSize> intensity{}; // arbitrary units, 0.00 to 3.00 Angstrom

    bool operator==(const Spectrum&) const = default;
};

} // namespace xtalsp
