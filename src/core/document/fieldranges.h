// The ranges of a pattern's values, in one place: what new documents read from the settings
// store, what the document's operations clamp to, what the pattern reader brings a file into,
// and the ranges of the settings dialogs' and the command-line tool's fields, in the units those
// fields show. A value refused in one place is refused everywhere.
#pragma once

#include "core/computation/diffractiondialogrules.h"
#include "core/computation/filmunits.h"
#include "core/computation/intensityscale.h"

namespace xtalsp {

// Film and spot sizes in film units (0.1 mm).
inline constexpr double kDefaultFilmWidth = 2000.0;
inline constexpr double kDefaultFilmHeight = 1500.0;
inline constexpr double kMinFilmSize = 200.0;
inline constexpr double kMaxFilmSize = 50000.0;
inline constexpr double kDefaultSpotSize = 20.0;
inline constexpr double kMinSpotSize = 5.0;
inline constexpr double kMaxSpotSize = 200.0;
// Real size / nominal size of the screen.
inline constexpr double kMinCalibratedZoom = 0.1;
inline constexpr double kMaxCalibratedZoom = 5.0;
inline constexpr double kMinZoom = 0.1; // the zoom box's range, 10 % to 500 %
inline constexpr double kMaxZoom = 5.0;
// Sample-to-film distance in film units.
inline constexpr double kMaxDistance = 50000.0;
inline constexpr double kMaxRotation = 89.9999; // degrees

inline constexpr FieldRange kFilmSizeCmField{kMinFilmSize / kFilmUnitsPerCm,
                                             kMaxFilmSize / kFilmUnitsPerCm, false};
inline constexpr FieldRange kSpotSizeMmField{kMinSpotSize / kFilmUnitsPerMm,
                                             kMaxSpotSize / kFilmUnitsPerMm, false};
inline constexpr FieldRange kRotationDegreesField{-kMaxRotation, kMaxRotation, false};
// Saturation level in percent of the strongest spot.
inline constexpr FieldRange kSaturationPercentField{0.001, 10000.0, false};
// Harmonics and spots at or below this intensity are dropped.
inline constexpr FieldRange kMinimumIntensityField{kMinMinimumIntensity, kMaxMinimumIntensity,
                                                   false};
// Indices of one reflection in the structure factor calculator.
inline constexpr FieldRange kReflectionIndexField{-999.0, 999.0, true};

static_assert(kDistanceCmField.max * kFilmUnitsPerCm == kMaxDistance,
              "the distance field and the stepped distance share one upper limit");

} // namespace xtalsp
