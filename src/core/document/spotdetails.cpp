// The texts of the selected-spot details.
#include "core/document/spotdetails.h"

#include "core/computation/filmunits.h"
#include "core/text/numbertext.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

// The Angstrom sign of the Windows-1252 code page.
constexpr const char* kAngstrom = "\xC5";

// part / whole x 100, or 0 where the quotient means nothing.
double percentOf(double part, double whole) {
    if (!(whole > 0.0) || !std::isfinite(whole))
        return 0.0;
    const double percent = part / whole * 100.0;
    return std::isfinite(percent) ? percent : 0.0;
}

std::string indexTriple(const LaueSpot& spot, long long order, const char* separator) {
    return formatInt(order * spot.h) + separator + formatInt(order * spot.k) + separator +
           formatInt(order * spot.l);
}

HarmonicDetails harmonicDetails(const LaueSpot& spot, const HarmonicComponent& harmonic) {
    // Harmonic n diffracts the reflection (n h, n k, n l) at wavelength / n from planes d / n.
    const double n = harmonic.order;
    HarmonicDetails row;
    row.indices = indexTriple(spot, harmonic.order, " ");
    row.intensityShare = formatFixed(percentOf(harmonic.intensity, spot.intensity), 0, 2) + "%";
    row.wavelength = formatFixed(spot.wavelength / n, 0, 4);
    row.dSpacing = formatFixed(spot.dSpacing / n, 0, 4);
    row.structureFactor =
        formatFixed(std::sqrt(std::max(harmonic.structureFactorSquared, 0.0)), 0, 4);
    return row;
}

} // namespace

SpotDetails spotDetails(const LaueSpot& spot, std::span<const HarmonicComponent> harmonics,
                        double saturationIntensity) {
    const long long n = spot.labelOrder;
    SpotDetails details;
    details.baseReflection = indexTriple(spot, n, "  ");
    details.spotPosition = "x = " + formatFixed(mmFromFilmUnits(spot.x), 0, 1) +
                           " mm,   y = " + formatFixed(mmFromFilmUnits(spot.y), 0, 1) + " mm";
    details.baseWavelength =
        formatFixed(spot.wavelength / static_cast<double>(n), 0, 4) + " " + kAngstrom;
    details.baseDSpacing = formatG(spot.dSpacing / static_cast<double>(n)) + " " + kAngstrom;
    details.absoluteIntensity = formatG(spot.intensity);
    details.relativeIntensity = formatFixed(percentOf(spot.intensity, saturationIntensity), 0, 2);
    details.harmonics.reserve(harmonics.size());
    for (const HarmonicComponent& harmonic : harmonics)
        details.harmonics.push_back(harmonicDetails(spot, harmonic));
    return details;
}

} // namespace xtalsp
