// The spectrum of an X-ray tube from its anode and voltage: Kramers' continuum, the anode's
// characteristic lines and the beryllium window, named "tube:ANODE:KV[:nolines][:be=MM]".
#pragma once

#include "core/platform/result.h"
#include "core/spectrum/spectrum.h"

#include <array>
#include <string>
#include <string_view>

namespace xtalsp {

inline constexpr double kMinTubeKilovolts = 5.0;
inline constexpr double kMaxTubeKilovolts = 100.0;
inline constexpr double kDefaultBerylliumMm = 0.25;
inline constexpr double kMaxBerylliumMm = 5.0;
inline constexpr double kPlanckTimesLightSpeed = 12.39842; // keV Angstrom

// Anodes a tube may have, by atomic number: W, Mo, Cu, Ag, Rh, Cr.
inline constexpr std::array<int, 6> kTubeAnodes{74, 42, 29, 47, 45, 24};

struct TubeSettings {
    int anode = 74; // atomic number, one of kTubeAnodes
    double kilovolts = 30.0;
    bool withLines = true;
    double berylliumMm = kDefaultBerylliumMm; // window thickness

    bool operator==(const TubeSettings&) const = default;
};

// The short-wavelength limit hc/eV in Angstrom: no photon carries more than the electron's
// energy.
double shortWavelengthLimit(double kilovolts);

// The first problem of the settings (anode, voltage, window), if any.
Status checkTubeSettings(const TubeSettings& settings);

// Energy intensity per unit wavelength at the 301 wavelengths of a spectrum, largest = 1.
// Settings that checkTubeSettings refuses give its message.
Result<Spectrum> tubeSpectrum(const TubeSettings& settings);

// True when the text names a tube spectrum (starts with "tube:", any letter case).
bool isTubeSpectrumName(std::string_view name);

// Reads "tube:ANODE:KV" with the optional parts ":nolines" and ":be=MM" in any order.
Result<TubeSettings> parseTubeSpectrumName(std::string_view name);

} // namespace xtalsp
