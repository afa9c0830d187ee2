// The pattern file (.ptn) as bytes: a document's inputs, intensity scale and view options. The
// spots are not stored; they are computed again after reading.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/intensityscale.h"
#include "core/platform/result.h"
#include "core/spectrum/spectrum.h"
#include "core/structure/crystalstructure.h"

#include <string>
#include <string_view>

namespace xtalsp {

// Everything a pattern file holds, in the order it is written.
struct PatternContent {
    Spectrum spectrum;
    CrystalStructure structure;
    DiffractionSettings settings;
    double filmWidth = 0, filmHeight = 0, spotWidth = 0, spotHeight = 0; // film units
    double saturationIntensity = 0, strongestIntensity = 0, saturationFraction = 0;
    double minimumIntensity = 0;
    bool showCrossline = false, showIndex = false, grayscaleSpots = false;
    double zoom = 0;

    bool operator==(const PatternContent&) const = default;
};

// The messages of a file that cannot be taken. Opening either gives a new pattern.
Message patternSignatureMessage(); // not a pattern file at all
Message damagedPatternMessage();   // a pattern file that cannot be read

// The file's bytes. A file the program wrote reads back to content that writes the same bytes.
std::string encodePattern(const PatternContent& content);

// Reads a pattern file. A value the program's dialogs would not let through is brought into
// their range as they would bring it (the geometry, index limits, minimum intensity, film and
// spot sizes, rotations, a side plane that is not perpendicular to the surface plane, the
// zoom). What no dialog can mend makes the file damaged: a truncated or non-finite field, a
// negative spectrum sample, a cell whose angles close no volume, an atom outside the structure
// editor's ranges. Bytes without the signature fail with patternSignatureMessage(), a damaged
// file with damagedPatternMessage(). Nothing is allocated beyond what the bytes can hold.
Result<PatternContent> decodePattern(std::string_view bytes);

} // namespace xtalsp
