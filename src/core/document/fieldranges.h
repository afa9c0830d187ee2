// Ranges of the numeric fields of the settings dialogs and the structure factor calculator, in
// the units those fields show. The dialogs, the command-line tool and the pattern reader share
// them, so a value refused in one place is refused everywhere.
#pragma once

#include "computation/diffractiondialogrules.h"
#include "document/xtalspdoc.h"

namespace xtalsp {

// The document keeps lengths in film units of 0.1 mm.
inline constexpr double kFilmUnitsPerCm = 100.0;
inline constexpr double kFilmUnitsPerMm = 10.0;

inline constexpr FieldRange kFilmSizeCmField{kMinFilmSize / kFilmUnitsPerCm,
                                             kMaxFilmSize / kFilmUnitsPerCm, false};
inline constexpr FieldRange kSpotSizeMmField{kMinSpotSize / kFilmUnitsPerMm,
                                             kMaxSpotSize / kFilmUnitsPerMm, false};
inline constexpr FieldRange kRotationDegreesField{-kMaxRotation, kMaxRotation, false};
// Saturation level in percent of the strongest spot.
inline constexpr FieldRange kSaturationPercentField{0.001, 10000.0, false};
// Harmonics and spots at or below this intensity are dropped.
inline constexpr FieldRange kMinimumIntensityField{1e-8, 10000.0, false};
// Indices of one reflection in the structure factor calculator.
inline constexpr FieldRange kReflectionIndexField{-999.0, 999.0, true};

} // namespace xtalsp
