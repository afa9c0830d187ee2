// The full orientation of the crystal, U = Rbeam(psi) * Rtilt(X, Y) * F(surface, side), and what
// is derived from it: folding a beam rotation into the planes, aligning a plane normal with the
// beam, film and gnomonic positions of a reflection, and the scattering direction of a spot.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/geometry.h"

#include <array>
#include <optional>

namespace xtalsp {

// Rows of a rotation; row i holds the i-th new axis in the old frame.
using Matrix3 = std::array<Vector3, 3>;

// Rotation of the crystal about the beam axis e1 by psi degrees, counter-clockwise as seen from
// the source (e1 points back towards it). Spots on the film turn the same way about the centre.
Matrix3 beamRotation(double psi);

// The two tilts: rows are the tilted laboratory axes in the untilted frame (n, m, n x m).
Matrix3 tiltRotation(double rotationX, double rotationY);

// The laboratory axes e1, e2, e3 in the cell frame for the settings and a further rotation psi
// about the beam.
std::array<Vector3, 3> orientedAxes(const DiffractionSettings& settings,
                                    const ReciprocalBasis& basis, double psi);

// The settings with the beam rotation psi folded into real-valued surface and side planes (the
// largest absolute index of each scaled to 1); X, Y and everything else stay as they were. The
// result gives the same laboratory axes as (settings, psi) to rounding.
DiffractionSettings foldBeamRotation(const DiffractionSettings& settings,
                                     const ReciprocalBasis& basis, double psi);

// The tilt angles whose frame has the given laboratory axes at psi, together with that psi:
// any proper rotation of the untilted frame F splits into Rbeam(psi) * Rtilt(X, Y) with
// |Y| <= 90 degrees.
struct OrientationAngles {
    double rotationX = 0.0;
    double rotationY = 0.0;
    double psi = 0.0;
};
OrientationAngles decomposeOrientation(const DiffractionSettings& settings,
                                       const ReciprocalBasis& basis,
                                       const std::array<Vector3, 3>& axes);

// Settings that hold laboratory axes `axes` with the beam rotation at zero: the surface plane is
// the lattice plane of indices up to 3 whose normal lies nearest the beam, the side plane the
// real-valued one that completes the frame, and X and Y the tilts between them. Everything but
// the planes and tilts is taken from `base`.
DiffractionSettings settingsHoldingAxes(const DiffractionSettings& base,
                                        const ReciprocalBasis& basis,
                                        const std::array<Vector3, 3>& axes);

// The X and Y that bring G(hkl) onto the beam axis e1 with the planes unchanged, or nothing
// when that would need a tilt beyond maxRotation degrees.
struct TiltAngles {
    double rotationX = 0.0;
    double rotationY = 0.0;
};
std::optional<TiltAngles> alignPlaneWithBeam(const DiffractionSettings& settings,
                                             const ReciprocalBasis& basis, const Vector3& hkl,
                                             double maxRotation);

// A point on the film plane in film units from its centre (x along e2, y along e3).
struct FilmPosition {
    double x = 0.0;
    double y = 0.0;
};

// Where reflection hkl meets the film for laboratory axes `axes`, whatever its wavelength and
// without the film edges; nothing when it cannot reach the film side of the geometry.
std::optional<FilmPosition> reflectionOnFilm(const std::array<Vector3, 3>& axes,
                                             const ReciprocalBasis& basis, const Vector3& hkl,
                                             DiffractionGeometry geometry, double distance);

// Gnomonic point of hkl: where its plane normal meets the plane perpendicular to the beam at
// the film distance, on the same side of the centre as the spot. Nothing for a normal at or
// beyond a right angle to the beam.
std::optional<FilmPosition> gnomonicPoint(const std::array<Vector3, 3>& axes,
                                          const ReciprocalBasis& basis, const Vector3& hkl,
                                          double distance);

// Unit scattering vector (laboratory components) of a spot seen at film point (x, y): fixed by
// the position alone, whatever the wavelength.
Vector3 scatteringDirection(DiffractionGeometry geometry, double distance, FilmPosition point);

} // namespace xtalsp
