// The diffraction settings of a pattern, and the reciprocal basis and crystal orientation the
// spot computation derives from them.
#pragma once

#include <array>
#include <cstdint>

namespace xtalsp {

// Which side of the crystal the film is on. Files and the settings store keep it as a 32-bit
// integer with these values.
enum class DiffractionGeometry : std::int32_t {
    Transmission = 0,   // film behind the crystal
    BackReflection = 1, // film between source and crystal
};

// Lengths in film units (tenths of a millimetre), angles in degrees.
struct DiffractionSettings {
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    std::array<double, 3> surfacePlane{}; // (H K L) facing the beam; may be non-integer
    std::array<double, 3> sidePlane{};    // (h k l), the horizontal film direction
    double distance = 0.0;                // sample to film; below 1 = not yet established
    double savedDistance = 0.0;           // parked while a lattice change is re-confirmed
    std::int32_t Hmax = 0, Kmax = 0, Lmax = 0;
    double rotationX = 0.0; // about the horizontal film axis
    double rotationY = 0.0; // about the vertical film axis

    bool operator==(const DiffractionSettings&) const = default;
};

// Settings count as established once the distance is at least one film unit.
inline bool areSettingsEstablished(const DiffractionSettings& settings) {
    return settings.distance >= 1.0;
}

// Cartesian components (1/Angstrom, without 2 pi) of a*, b*, c* in the cell frame, in which
// b* has no x component and c* lies along z.
struct ReciprocalBasis {
    double aStarX = 0.0, aStarY = 0.0, aStarZ = 0.0;
    double bStarY = 0.0, bStarZ = 0.0;
    double cStarZ = 0.0;

    bool operator==(const ReciprocalBasis&) const = default;
};

// Rows for the laboratory axes e1 (beam), e2 (horizontal film axis), e3 (vertical film axis);
// row i holds (ei.a*, ei.b*, ei.c*), so the laboratory components of G(hkl) are
// gi = h*rows[i][0] + k*rows[i][1] + l*rows[i][2].
struct CrystalOrientation {
    std::array<std::array<double, 3>, 3> rows{};
};

} // namespace xtalsp
