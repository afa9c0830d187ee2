// Finite-number check of every real a pattern file stores.
#include "core/document/patternstorable.h"

#include <cmath>
#include <initializer_list>

namespace xtalsp {
namespace {

bool allFinite(std::initializer_list<double> values) {
    for (const double value : values) {
        if (!std::isfinite(value))
            return false;
    }
    return true;
}

bool structureIsFinite(const CrystalStructure& s) {
    if (!allFinite(
            {s.a, s.b, s.c, s.alpha, s.beta, s.gamma, s.debyeTemperature, s.thermalExpansion}))
        return false;
    for (const ElementGroup& group : s.groups) {
        for (const SitePosition& site : group.sites) {
            if (!allFinite({site.x, site.y, site.z, site.occupancy}))
                return false;
        }
    }
    return true;
}

bool settingsAreFinite(const DiffractionSettings& d) {
    return allFinite({d.surfacePlane[0], d.surfacePlane[1], d.surfacePlane[2], d.sidePlane[0],
                      d.sidePlane[1], d.sidePlane[2], d.distance, d.rotationX, d.rotationY});
}

} // namespace

Status unstorablePattern(const CXtalspDoc& doc) {
    // What a save writes: the inputs of the spots on show.
    const PatternInputs in = doc.completedInputs();
    bool finite = structureIsFinite(in.structure) && settingsAreFinite(in.settings);
    for (const double sample : in.spectrum.intensity)
        finite = finite && std::isfinite(sample);
    const IntensityScale& scale = in.intensityScale;
    finite = finite && allFinite({in.filmWidth, in.filmHeight, in.spotWidth, in.spotHeight,
                                  scale.saturationIntensity, scale.strongestIntensity,
                                  scale.saturationFraction, scale.minimumIntensity, in.zoom});
    if (finite)
        return Status::success();
    return Message{"The pattern holds a number that is not finite; it was not saved.", "",
                   MessageIcon::Stop};
}

} // namespace xtalsp
