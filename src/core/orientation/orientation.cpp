// Rotations of the crystal frame and the film positions they give.
#include "core/orientation/orientation.h"

#include "core/computation/angles.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {
namespace {

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

Vector3 normalized(const Vector3& v) {
    const double length = std::sqrt(dot(v, v));
    if (length == 0.0)
        return {};
    return {v[0] / length, v[1] / length, v[2] / length};
}

double radiansToDegrees(double radians) {
    return radians * 180.0 / kPi;
}

// Rows of left * right: each row of `left` combines the rows of `right`.
std::array<Vector3, 3> combineRows(const Matrix3& left, const std::array<Vector3, 3>& right) {
    std::array<Vector3, 3> result{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            for (std::size_t k = 0; k < 3; ++k)
                result[i][k] += left[i][j] * right[j][k];
    return result;
}

Matrix3 transposed(const Matrix3& matrix) {
    Matrix3 result{};
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            result[i][j] = matrix[j][i];
    return result;
}

// The frame (n, m, n x m) of the surface and side planes before any tilt.
std::array<Vector3, 3> untiltedFrame(const DiffractionSettings& settings,
                                     const ReciprocalBasis& basis) {
    DiffractionSettings untilted = settings;
    untilted.rotationX = 0.0;
    untilted.rotationY = 0.0;
    return laboratoryAxes(untilted, basis);
}

// Components of a cell-frame vector along the rows of a frame.
Vector3 componentsIn(const std::array<Vector3, 3>& frame, const Vector3& v) {
    return {dot(frame[0], v), dot(frame[1], v), dot(frame[2], v)};
}

// The indices whose reciprocal vector points along `direction`, the largest magnitude scaled to
// one. The basis is lower triangular (b* has no x, c* only z), so the solve is a substitution.
std::array<double, 3> indicesAlong(const ReciprocalBasis& basis, const Vector3& direction) {
    const double h = direction[0] / basis.aStarX;
    const double k = (direction[1] - h * basis.aStarY) / basis.bStarY;
    const double l = (direction[2] - h * basis.aStarZ - k * basis.bStarZ) / basis.cStarZ;
    const double largest = std::max({std::fabs(h), std::fabs(k), std::fabs(l)});
    // Keep +0 rather than -0 so that no "-0" is written or shown.
    auto scaled = [largest](double index) {
        const double value = index / largest;
        return value == 0.0 ? 0.0 : value;
    };
    return {scaled(h), scaled(k), scaled(l)};
}

} // namespace

Matrix3 beamRotation(double psi) {
    const double c = cosDegrees(psi);
    const double s = sinDegrees(psi);
    return {Vector3{1.0, 0.0, 0.0}, Vector3{0.0, c, -s}, Vector3{0.0, s, c}};
}

// Matches laboratoryAxes: X turns about m, tilting e1 towards +e3; Y then turns about the new
// e3, tilting e1 away from +e2.
Matrix3 tiltRotation(double rotationX, double rotationY) {
    const double s1 = sinDegrees(rotationX);
    const double c1 = cosDegrees(rotationX);
    const double s2 = sinDegrees(rotationY);
    const double c2 = cosDegrees(rotationY);
    return {Vector3{c2 * c1, -s2, c2 * s1}, Vector3{s2 * c1, c2, s2 * s1}, Vector3{-s1, 0.0, c1}};
}

std::array<Vector3, 3> orientedAxes(const DiffractionSettings& settings,
                                    const ReciprocalBasis& basis, double psi) {
    return combineRows(beamRotation(psi), laboratoryAxes(settings, basis));
}

// F' = Rtilt^T * Rbeam(psi) * Rtilt * F: the untilted frame that, tilted by the same X and Y,
// gives the rotated axes. Its first two rows are the new surface and side plane normals.
DiffractionSettings foldBeamRotation(const DiffractionSettings& settings,
                                     const ReciprocalBasis& basis, double psi) {
    if (psi == 0.0)
        return settings;
    const auto rotated = orientedAxes(settings, basis, psi);
    const auto frame =
        combineRows(transposed(tiltRotation(settings.rotationX, settings.rotationY)), rotated);
    DiffractionSettings folded = settings;
    folded.surfacePlane = indicesAlong(basis, frame[0]);
    folded.sidePlane = indicesAlong(basis, frame[1]);
    return folded;
}

OrientationAngles decomposeOrientation(const DiffractionSettings& settings,
                                       const ReciprocalBasis& basis,
                                       const std::array<Vector3, 3>& axes) {
    const auto frame = untiltedFrame(settings, basis);
    Matrix3 rotation{};
    for (std::size_t i = 0; i < 3; ++i)
        rotation[i] = componentsIn(frame, axes[i]);
    // Rbeam keeps e1, so the first row is that of Rtilt: (cos Y cos X, -sin Y, cos Y sin X).
    OrientationAngles angles;
    angles.rotationY =
        radiansToDegrees(std::atan2(-rotation[0][1], std::hypot(rotation[0][0], rotation[0][2])));
    angles.rotationX = radiansToDegrees(std::atan2(rotation[0][2], rotation[0][0]));
    const auto beam =
        combineRows(rotation, transposed(tiltRotation(angles.rotationX, angles.rotationY)));
    angles.psi = radiansToDegrees(std::atan2(beam[2][1], beam[1][1]));
    return angles;
}

namespace {

// The primitive triple of indices up to `limit` whose reciprocal vector lies nearest `direction`.
Vector3 nearestLowIndexPlane(const ReciprocalBasis& basis, const Vector3& direction, int limit) {
    Vector3 best{0.0, 0.0, 1.0};
    double bestCosine = -2.0;
    for (int h = -limit; h <= limit; ++h)
        for (int k = -limit; k <= limit; ++k)
            for (int l = -limit; l <= limit; ++l) {
                if (h == 0 && k == 0 && l == 0)
                    continue;
                const Vector3 hkl{double(h), double(k), double(l)};
                const double cosine = dot(normalized(reciprocalVector(basis, hkl)), direction);
                // Strictly greater keeps the first, lowest multiple of a direction.
                if (cosine > bestCosine + 1e-12) {
                    bestCosine = cosine;
                    best = hkl;
                }
            }
    return best;
}

} // namespace

// With psi = 0 the axes are Rtilt * F, so n = cos Y cos X e1 + sin Y cos X e2 - sin X e3 and
// m = -sin Y e1 + cos Y e2 in the cell frame; Y (radians here) follows from n alone.
DiffractionSettings settingsHoldingAxes(const DiffractionSettings& base,
                                        const ReciprocalBasis& basis,
                                        const std::array<Vector3, 3>& axes) {
    constexpr int kSurfaceIndexLimit = 3;
    const Vector3 surface = nearestLowIndexPlane(basis, axes[0], kSurfaceIndexLimit);
    const Vector3 n = normalized(reciprocalVector(basis, surface));
    const double rotationY = std::atan2(dot(n, axes[1]), dot(n, axes[0]));
    Vector3 side{};
    for (std::size_t i = 0; i < 3; ++i)
        side[i] = -std::sin(rotationY) * axes[0][i] + std::cos(rotationY) * axes[1][i];
    DiffractionSettings settings = base;
    settings.surfacePlane = surface;
    settings.sidePlane = indicesAlong(basis, side);
    // Let the decomposition settle the last rounding, so that the stored frame is the given one.
    const OrientationAngles angles = decomposeOrientation(settings, basis, axes);
    settings.rotationX = angles.rotationX;
    settings.rotationY = angles.rotationY;
    return foldBeamRotation(settings, basis, angles.psi);
}

// e1 = (cos Y cos X, -sin Y, cos Y sin X) in the untilted frame must equal the plane normal.
std::optional<TiltAngles> alignPlaneWithBeam(const DiffractionSettings& settings,
                                             const ReciprocalBasis& basis, const Vector3& hkl,
                                             double maxRotation) {
    const Vector3 normal = normalized(reciprocalVector(basis, hkl));
    if (dot(normal, normal) == 0.0)
        return std::nullopt;
    const Vector3 v = componentsIn(untiltedFrame(settings, basis), normal);
    const TiltAngles angles{radiansToDegrees(std::atan2(v[2], v[0])),
                            radiansToDegrees(std::atan2(-v[1], std::hypot(v[0], v[2])))};
    if (!(std::fabs(angles.rotationX) <= maxRotation && std::fabs(angles.rotationY) <= maxRotation))
        return std::nullopt;
    return angles;
}

// The diffracted ray of a beam travelling along -e1 is (2 sin^2 theta - 1, p, q) with
// (p, q) = 2 sin theta (g2, g3)/|G|; the film stands at e1 = -D in transmission, +D in back
// reflection.
std::optional<FilmPosition> reflectionOnFilm(const std::array<Vector3, 3>& axes,
                                             const ReciprocalBasis& basis, const Vector3& hkl,
                                             DiffractionGeometry geometry, double distance) {
    const Vector3 g = componentsIn(axes, reciprocalVector(basis, hkl));
    if (!(g[0] > 0.0))
        return std::nullopt;
    const double length = std::sqrt(dot(g, g));
    const double sinTheta = g[0] / length;
    const double e = 2.0 * sinTheta * sinTheta - 1.0;
    const bool transmission = geometry == DiffractionGeometry::Transmission;
    if (transmission ? !(e < 0.0) : !(e > 0.0))
        return std::nullopt;
    const double sign = transmission ? -1.0 : 1.0;
    const double scale = sign * distance * 2.0 * sinTheta / (length * e);
    return FilmPosition{scale * g[1], scale * g[2]};
}

std::optional<FilmPosition> gnomonicPoint(const std::array<Vector3, 3>& axes,
                                          const ReciprocalBasis& basis, const Vector3& hkl,
                                          double distance) {
    const Vector3 g = componentsIn(axes, reciprocalVector(basis, hkl));
    if (!(g[0] > 0.0))
        return std::nullopt;
    return FilmPosition{distance * g[1] / g[0], distance * g[2] / g[0]};
}

// G is along k_out - k_in with k_in = -e1 and k_out the unit vector from the crystal to the
// point on the film.
Vector3 scatteringDirection(DiffractionGeometry geometry, double distance, FilmPosition point) {
    const double along = geometry == DiffractionGeometry::Transmission ? -distance : distance;
    const Vector3 out = normalized({along, point.x, point.y});
    return normalized({out[0] + 1.0, out[1], out[2]});
}

} // namespace xtalsp
