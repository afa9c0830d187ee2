// Lengths on the film. The document, the computation and every drawing keep them in film units
// of 0.1 mm; dialogs, listings and the command line show millimetres or centimetres. Each
// conversion multiplies by one fixed factor, so a value converted here gives the same bits
// wherever it is converted.
#pragma once

namespace xtalsp {

inline constexpr double kFilmUnitsPerMm = 10.0;
inline constexpr double kFilmUnitsPerCm = 100.0;
inline constexpr double kMmPerFilmUnit = 0.1;
inline constexpr double kCmPerFilmUnit = 0.01;

constexpr double filmUnitsFromMm(double millimetres) {
    return millimetres * kFilmUnitsPerMm;
}
constexpr double filmUnitsFromCm(double centimetres) {
    return centimetres * kFilmUnitsPerCm;
}
constexpr double mmFromFilmUnits(double filmUnits) {
    return filmUnits * kMmPerFilmUnit;
}
constexpr double cmFromFilmUnits(double filmUnits) {
    return filmUnits * kCmPerFilmUnit;
}

} // namespace xtalsp
