// The pattern most drawing tests draw: a 20 x 15 cm film with silicon's lattice, an established
// 3 cm distance and a saturation intensity of 1000.
#pragma once

#include "render/patterndrawing.h"

#include <span>

namespace xtalsp::test {

// The spots are borrowed, as by every PatternContent.
inline PatternContent filmContent(std::span<const LaueSpot> spots, int selectedSpot = -1) {
    PatternContent content;
    content.filmWidth = 2000;
    content.filmHeight = 1500;
    content.saturationIntensity = 1000;
    content.latticeA = 5.4305;
    content.distance = 300;
    content.spots = spots;
    content.selectedSpot = selectedSpot;
    return content;
}

} // namespace xtalsp::test
