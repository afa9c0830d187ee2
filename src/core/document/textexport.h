// The text listing of a pattern: the crystal and settings in a short header, then every spot
// with its position, intensity and harmonics.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/lauespot.h"
#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <optional>
#include <string>
#include <vector>

namespace xtalsp {

struct PatternListingInput {
    std::string crystalName;
    DiffractionSettings settings;
    double saturationIntensity = 0.0;
    const SpotList* spots = nullptr;
};

// The listing as Windows-1252 bytes with CR LF line ends; spots from the last to the first.
std::string formatPatternListing(const PatternListingInput& input);

// Writes the listing to a file; returns the message to show when the file cannot be written.
Status writePatternListing(const std::string& path, const PatternListingInput& input);

} // namespace xtalsp
