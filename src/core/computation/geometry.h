// Reciprocal lattice of the cell, orientation of the crystal in the laboratory, and the check
// that keeps the side plane perpendicular to the surface plane.
#pragma once

#include "core/computation/diffractionsettings.h"

#include <array>

namespace xtalsp {

using Vector3 = std::array<double, 3>;

// a*, b*, c* of a cell with edges in Angstrom and angles in degrees, in the cell frame where a
// lies along x and b in the xy plane. The cell must be a possible one (a real volume).
ReciprocalBasis computeReciprocalBasis(double a, double b, double c, double alpha, double beta,
                                       double gamma);

// G(hkl) = h a* + k b* + l c* in the cell frame, 1/Angstrom without 2 pi; |G| = 1/d(hkl).
Vector3 reciprocalVector(const ReciprocalBasis& basis, double h, double k, double l);
Vector3 reciprocalVector(const ReciprocalBasis& basis, const Vector3& hkl);

// The laboratory axes e1 (beam axis), e2 (horizontal film axis), e3 (vertical film axis) in the
// cell frame, for the settings' surface plane, side plane and two rotations. They form a
// right-handed orthonormal frame once the side plane has passed checkSidePlane. Both planes must
// be non-zero; a zero plane gives zero axes instead of NaN.
std::array<Vector3, 3> laboratoryAxes(const DiffractionSettings& settings,
                                      const ReciprocalBasis& basis);

// The same frame as rows (ei.a*, ei.b*, ei.c*), ready to turn indices into laboratory
// components.
CrystalOrientation computeOrientation(const DiffractionSettings& settings,
                                      const ReciprocalBasis& basis);

// Laboratory components (g1, g2, g3) of G(hkl).
Vector3 labComponents(const CrystalOrientation& orientation, int h, int k, int l);

// The side plane to use: the entered one when it is perpendicular to the surface plane (cosine
// of the angle between their reciprocal vectors within 1e-10), otherwise a corrected one.
struct SidePlaneCheck {
    bool perpendicular;
    std::array<double, 3> sidePlane;
};

// Both planes must be non-zero. A plane that fails the check is corrected by solving for the
// index with the largest share of Gs.Gh while keeping the other two; when that would leave the
// zero plane, a perpendicular plane in the a*b* or a*c* section is proposed instead.
SidePlaneCheck checkSidePlane(const std::array<double, 3>& surface,
                              const std::array<double, 3>& side, const ReciprocalBasis& basis);

} // namespace xtalsp
