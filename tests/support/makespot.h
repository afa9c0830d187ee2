// A Laue spot with chosen indices, position and intensity, for drawing and export tests, and a
// list of such spots with their harmonics.
#pragma once

#include "core/computation/lauespot.h"

#include <initializer_list>

namespace xtalsp::test {

// Labelled with `order` times (h k l), as a spot whose lowest kept harmonic is `order`.
inline LaueSpot makeSpot(int h, int k, int l, double x, double y, double intensity, int order = 1,
                         double wavelength = 1.0) {
    LaueSpot spot;
    spot.h = h;
    spot.k = k;
    spot.l = l;
    spot.x = x;
    spot.y = y;
    spot.intensity = intensity;
    spot.wavelength = wavelength;
    spot.labelOrder = order;
    spot.harmonicCount = 1;
    return spot;
}

// The spots in order, each with the one harmonic of its label order carrying all its intensity.
inline SpotList makeSpotList(std::initializer_list<LaueSpot> spots) {
    SpotList list;
    for (const LaueSpot& spot : spots) {
        const HarmonicComponent harmonic{spot.labelOrder, 1.0, spot.intensity};
        list.append(spot, {&harmonic, 1});
    }
    return list;
}

} // namespace xtalsp::test
