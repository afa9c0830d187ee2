// Bringing a rough orientation onto the measured spots by their scattering directions, before
// any pairing on the film.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/geometry.h"
#include "core/image/peaklist.h"

#include <array>
#include <vector>

namespace xtalsp {

struct DirectionAlignmentInput {
    std::array<Vector3, 3> startAxes; // laboratory axes in the cell frame
    // Cell-frame reciprocal vectors of the strongest simulated reflections: the measured spots
    // are expected among them.
    std::vector<Vector3> reflections;
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    double distance = 0.0;      // film units
    double matchMm = 1.0;       // a spot lies along a reflection whose spot would be this close
    double searchDegrees = 6.0; // how far a spot's direction may lie from its start
};

// A spot's position fixes its scattering direction whatever its wavelength, so a rotation can be
// found from two spots and the two reflections they are. Tries every such rotation whose
// reflections lie within the search angle of the spots at the start, and returns the laboratory
// axes of the one that puts most measured spots along reflections (the smallest misfit among
// equals); the start unless some rotation explains more spots, or the same spots better.
std::array<Vector3, 3> alignDirections(const DirectionAlignmentInput& input,
                                       const std::vector<FilmPeak>& measured);

} // namespace xtalsp
