// Indexing: the orientations of a crystal that explain measured spots, found without any
// starting orientation.
#pragma once

#include "core/computation/spotcomputation.h"
#include "core/image/peaklist.h"
#include "core/platform/result.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace xtalsp {

// Told the share of the search done so far, from 0 to 1; returns false to stop it.
using IndexingProgress = std::function<bool(double fraction)>;

struct IndexingRequest {
    // The structure, spectrum, geometry, distance, index limits, film size and minimum
    // intensity of the pattern to explain. Its planes and tilts are ignored.
    SpotComputationInput pattern;
    std::vector<FilmPeak> measured; // mm on the film; the strongest by intensity anchor the search
    double toleranceMm = 0.5;       // farthest a measured spot may lie from its simulated partner
    // The strongest simulated spots that may pair with measured ones: in a dense pattern any
    // orientation finds some weak spot near each measured one. The search, too, lets a lattice
    // direction explain a measured spot only when its spot there would be about as strong as
    // these. 0: four times as many as are measured, at least 30.
    std::size_t strongestSimulated = 0;
    double maxRotation = 89.9999; // the tilts of a solution stay within +-this, degrees
    std::size_t maxSolutions = 10;
    // The search stops trying anchor pairs at half this time and begins no refinement that
    // would, by the slowest so far, end past it; it returns the best found by then (at least
    // one refined candidate). 0: no limit.
    double timeLimitSeconds = 2.0;
    IndexingProgress progress; // none: the search runs to its end unobserved
};

struct IndexingSolution {
    // The pattern's settings with the found orientation: a low-index surface plane near the
    // beam, a real-valued side plane and the tilts X and Y.
    DiffractionSettings settings;
    std::size_t matchedSpots = 0; // measured spots paired one-to-one with simulated spots
    double rmsMm = 0.0;           // sqrt(sum(dx^2 + dy^2) / matchedSpots)
};

struct IndexingResult {
    // Best first: most matched spots, then smallest rms. Orientations that the lattice's own
    // symmetry maps onto each other appear once.
    std::vector<IndexingSolution> solutions;
    bool cancelled = false; // the progress callback stopped the search; no solutions then
};

// Matches angles between the scattering directions of the strongest measured spots with
// angles between primitive reciprocal-lattice directions, scores each resulting rotation by
// the measured spots lying along a lattice direction whose spot would be strong at that Bragg
// angle, and refines the best with the orientation fit. Refuses with a message when fewer than
// three spots are measured or the pattern cannot be computed.
Result<IndexingResult> indexSpots(const IndexingRequest& request);

} // namespace xtalsp
