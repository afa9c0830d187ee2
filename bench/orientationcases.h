// Random crystal orientations and their strongest spots, shared by the fit and indexing
// statistics programs.
#pragma once

#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/computation/spotcomputation.h"
#include "core/image/peaklist.h"
#include "core/orientation/orientation.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/structure/cifstructure.h"
#include "core/structure/crystalstructure.h"
#include "support/measuredspots.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace xtalsp::bench {

using test::strongestSpots;
using test::worstDistanceMm;

// A structure of the examples folder.
inline CrystalStructure exampleStructure(const std::string& file) {
    const Result<FlatStructure> read =
        importAnyStructure(std::string(XTALSP_EXAMPLES_DIR) + "/" + file);
    if (!read.ok())
        throw std::runtime_error("cannot read " + file);
    return fromFlatStructure(read.value());
}

// The input of a 20 x 15 cm film at 4 cm with the built-in spectrum and index limits of about
// three per Angstrom of the cell edges, as a new pattern gets them.
inline SpotComputationInput patternInput(const CrystalStructure& structure,
                                         DiffractionGeometry geometry) {
    SpotComputationInput input;
    input.groups = &structure.groups;
    input.spectrum = &builtinSpectrum();
    input.basis = computeReciprocalBasis(structure.a, structure.b, structure.c, structure.alpha,
                                         structure.beta, structure.gamma);
    input.settings.geometry = geometry;
    input.settings.surfacePlane = {0, 0, 1};
    input.settings.sidePlane = {1, 0, 0};
    input.settings.distance = 400;
    input.settings.Hmax = static_cast<int>(std::lround(3 * structure.a));
    input.settings.Kmax = static_cast<int>(std::lround(3 * structure.b));
    input.settings.Lmax = static_cast<int>(std::lround(3 * structure.c));
    return input;
}

// A rotation drawn uniformly (from a random unit quaternion), held by the settings.
inline DiffractionSettings randomOrientation(const SpotComputationInput& input,
                                             std::mt19937_64& random) {
    std::normal_distribution<double> normal;
    double q[4];
    double length = 0;
    for (double& component : q) {
        component = normal(random);
        length += component * component;
    }
    length = std::sqrt(length);
    const double w = q[0] / length, x = q[1] / length, y = q[2] / length, z = q[3] / length;
    const std::array<Vector3, 3> axes = {
        Vector3{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
        Vector3{2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
        Vector3{2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
    return settingsHoldingAxes(input.settings, input.basis, axes);
}

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace xtalsp::bench
