// A Laue spot with chosen indices, position and intensity, for drawing and export tests.
#pragma once

#include "core/computation/lauespot.h"

namespace xtalsp::test {

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
    spot.harmonics.push_back(HarmonicComponent{order, 1.0, intensity});
    return spot;
}

} // namespace xtalsp::test
