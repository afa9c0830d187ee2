// Measured spots made from a simulated pattern, and how far a solution's pattern lies from
// them: shared by the orientation tests and the orientation statistics programs.
#pragma once

#include "core/computation/filmunits.h"
#include "core/computation/spotcomputation.h"
#include "core/image/peaklist.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace xtalsp::test {

// The `count` strongest spots of a computed pattern, mm on the film, noise-free.
inline std::vector<FilmPeak> strongestSpots(std::span<const LaueSpot> computed, std::size_t count) {
    std::vector<LaueSpot> spots(computed.begin(), computed.end());
    std::sort(spots.begin(), spots.end(),
              [](const LaueSpot& a, const LaueSpot& b) { return a.intensity > b.intensity; });
    spots.resize(std::min(count, spots.size()));
    std::vector<FilmPeak> peaks;
    for (const LaueSpot& spot : spots)
        peaks.push_back({spot.x / kFilmUnitsPerMm, spot.y / kFilmUnitsPerMm, spot.intensity});
    return peaks;
}

inline std::vector<FilmPeak> strongestSpots(const SpotComputationInput& input, std::size_t count) {
    return strongestSpots(computeLaueSpots(input).spots, count);
}

// The largest distance from a measured spot to its nearest spot simulated with `settings`.
inline double worstDistanceMm(SpotComputationInput input, const DiffractionSettings& settings,
                              const std::vector<FilmPeak>& truth) {
    input.settings = settings;
    const SpotList spots = computeLaueSpots(input).spots;
    double worst = 0;
    for (const FilmPeak& peak : truth) {
        double nearest = 1e9;
        for (const LaueSpot& spot : spots)
            nearest = std::min(nearest, std::hypot(spot.x / kFilmUnitsPerMm - peak.xMm,
                                                   spot.y / kFilmUnitsPerMm - peak.yMm));
        worst = std::max(worst, nearest);
    }
    return worst;
}

} // namespace xtalsp::test
