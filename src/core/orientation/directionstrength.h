// How strong the spot along a lattice direction would be at a given Bragg angle: what lets the
// indexing tell a real match from a chance one in a lattice with many directions.
#pragma once

#include "core/computation/spotcomputation.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace xtalsp {

// The spot of a primitive reflection depends on the crystal's orientation only through its
// Bragg angle: that angle fixes the wavelengths of its harmonics, while their structure factors
// depend on the indices alone. So the structure factors are computed once per direction, and
// the intensity at any angle follows from them and the spectrum.
class DirectionStrength {
public:
    // Reads the structure, spectrum, reciprocal basis, index limits and minimum intensity of
    // `pattern`, which must outlive this object.
    explicit DirectionStrength(const SpotComputationInput& pattern);

    // The intensity of the spot of primitive direction (h k l) seen at Bragg angle theta: the
    // sum of its harmonics within the index limits, on the scale of computeLaueSpots. Harmonics
    // at or below the minimum intensity are left out as the spot computation leaves them out.
    double intensity(const std::array<int, 3>& hkl, double sinTheta);

private:
    struct Harmonics {
        double reciprocalLength = 0.0;               // |G| of the primitive reflection, 1/Angstrom
        std::vector<double> structureFactorsSquared; // of orders 1, 2, ...
    };
    const Harmonics& harmonicsOf(const std::array<int, 3>& hkl);

    const SpotComputationInput& m_pattern;
    double m_darkWavelength = 0.0; // the spectrum carries nothing at or below it
    std::unordered_map<std::uint64_t, Harmonics> m_harmonics;
};

} // namespace xtalsp
