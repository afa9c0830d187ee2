// Reciprocal basis, laboratory frame of the crystal and the side-plane correction.
#include "core/computation/geometry.h"

#include "core/computation/angles.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {
namespace {

// Largest |cos| between the surface and side reciprocal vectors still taken as perpendicular.
constexpr double kPerpendicularTolerance = 1e-10;

// Products with an exact zero cosine give -0; keep +0 so that no "-0" reaches a display.
double positiveZero(double value) {
    return value == 0.0 ? 0.0 : value;
}

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

double norm(const Vector3& v) {
    return std::sqrt(dot(v, v));
}

Vector3 cross(const Vector3& u, const Vector3& v) {
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

// s*u + t*v
Vector3 combine(double s, const Vector3& u, double t, const Vector3& v) {
    return {s * u[0] + t * v[0], s * u[1] + t * v[1], s * u[2] + t * v[2]};
}

std::array<Vector3, 3> starVectors(const ReciprocalBasis& basis) {
    return {Vector3{basis.aStarX, basis.aStarY, basis.aStarZ},
            Vector3{0.0, basis.bStarY, basis.bStarZ}, Vector3{0.0, 0.0, basis.cStarZ}};
}

// The power of two that brings the largest index magnitude into [0.5, 1). Scaling a triple by it
// is exact, so directions, cosines and solved indices come out bit for bit as from the entered
// triple, while a side index typed as large as 1e308 can no longer overflow a square or a
// product (an overflowed |Gh| would make every side plane look perpendicular).
int indexExponent(const Vector3& hkl) {
    const double largest = std::max({std::fabs(hkl[0]), std::fabs(hkl[1]), std::fabs(hkl[2])});
    int exponent = 0;
    if (largest > 0.0 && std::isfinite(largest))
        std::frexp(largest, &exponent);
    return exponent;
}

Vector3 scaleByPowerOfTwo(const Vector3& v, int exponent) {
    return {std::ldexp(v[0], exponent), std::ldexp(v[1], exponent), std::ldexp(v[2], exponent)};
}

// Unit vector along G(hkl); the zero vector for the zero plane.
Vector3 planeNormal(const ReciprocalBasis& basis, const Vector3& hkl) {
    const Vector3 g = reciprocalVector(basis, scaleByPowerOfTwo(hkl, -indexExponent(hkl)));
    const double length = norm(g);
    if (length == 0.0)
        return {};
    return {g[0] / length, g[1] / length, g[2] / length};
}

// The index whose share t = index * (basis vector . Gs) of Gs.Gh is largest; ties go to h, then k.
int indexToSolve(const Vector3& shares) {
    int chosen = std::fabs(shares[0]) >= std::fabs(shares[1]) ? 0 : 1;
    if (std::fabs(shares[2]) > std::fabs(shares[chosen]))
        chosen = 2;
    return chosen;
}

// Solving for the only non-zero index gives 0, i.e. the null plane. Propose instead the plane
// perpendicular to Gs that mixes the solved index with one other: (B/A, -1, 0) when h was
// solved, (1, -A/B, 0) when k was, (1, 0, -A/C) when l was, with (A, B, C) = (a*, b*, c*).Gs.
Vector3 replacementForNullPlane(int solved, const Vector3& coefficients) {
    switch (solved) {
    case 0:
        return {coefficients[1] / coefficients[0], -1.0, 0.0};
    case 1:
        return {1.0, -coefficients[0] / coefficients[1], 0.0};
    default:
        return {1.0, 0.0, -coefficients[0] / coefficients[2]};
    }
}

// Recomputes one index of the side plane so that Gs.Gh = 0, keeping the other two. The work is
// done on the power-of-two scaled triple; should the solved index exceed the double range when
// scaled back, the scaled triple (the same plane, smaller indices) is proposed instead.
Vector3 correctedSidePlane(const Vector3& gs, const Vector3& side, const ReciprocalBasis& basis) {
    const auto stars = starVectors(basis);
    const Vector3 coefficients{dot(stars[0], gs), dot(stars[1], gs), dot(stars[2], gs)};
    const int exponent = indexExponent(side);
    Vector3 scaled = scaleByPowerOfTwo(side, -exponent);
    const Vector3 shares{scaled[0] * coefficients[0], scaled[1] * coefficients[1],
                         scaled[2] * coefficients[2]};
    const int solved = indexToSolve(shares);
    const int first = solved == 0 ? 1 : 0;
    const int second = solved == 2 ? 1 : 2;
    scaled[solved] = -(shares[first] + shares[second]) / coefficients[solved];

    Vector3 corrected = scaleByPowerOfTwo(scaled, exponent);
    if (scaled[solved] == 0.0 && side[first] == 0.0 && side[second] == 0.0)
        corrected = replacementForNullPlane(solved, coefficients);
    else if (!std::isfinite(corrected[0]) || !std::isfinite(corrected[1]) ||
             !std::isfinite(corrected[2]))
        corrected = scaled;
    return {positiveZero(corrected[0]), positiveZero(corrected[1]), positiveZero(corrected[2])};
}

} // namespace

// Direct vectors a = (a, 0, 0), b = (b cos g, b sin g, 0), c = (c cos b, X, Z) with V their
// volume; the reciprocal vectors follow from a* = (b x c)/V and its cyclic companions.
ReciprocalBasis computeReciprocalBasis(double a, double b, double c, double alpha, double beta,
                                       double gamma) {
    const double cosAlpha = cosDegrees(alpha);
    const double cosBeta = cosDegrees(beta);
    const double cosGamma = cosDegrees(gamma);
    const double sinGamma = sinDegrees(gamma);
    const double x = c * (cosAlpha - cosBeta * cosGamma) / sinGamma;
    const double z = std::sqrt(c * c - (c * cosBeta) * (c * cosBeta) - x * x);
    const double volume = a * (b * sinGamma) * z;

    ReciprocalBasis basis;
    basis.aStarX = z * b * sinGamma / volume;
    basis.aStarY = positiveZero(-z * b * cosGamma / volume);
    basis.aStarZ = positiveZero((x * b * cosGamma - c * cosBeta * b * sinGamma) / volume);
    basis.bStarY = a * z / volume;
    basis.bStarZ = positiveZero(-a * x / volume);
    basis.cStarZ = a * b * sinGamma / volume;
    return basis;
}

Vector3 reciprocalVector(const ReciprocalBasis& basis, double h, double k, double l) {
    return {h * basis.aStarX, h * basis.aStarY + k * basis.bStarY,
            h * basis.aStarZ + k * basis.bStarZ + l * basis.cStarZ};
}

Vector3 reciprocalVector(const ReciprocalBasis& basis, const Vector3& hkl) {
    return reciprocalVector(basis, hkl[0], hkl[1], hkl[2]);
}

// With no rotation e1 is the surface normal n, e2 the side-plane direction m and e3 = n x m.
// rotationX turns the crystal about m, tilting e1 towards +e3; rotationY then turns it about the
// new e3, tilting e1 away from +e2.
std::array<Vector3, 3> laboratoryAxes(const DiffractionSettings& settings,
                                      const ReciprocalBasis& basis) {
    const Vector3 n = planeNormal(basis, settings.surfacePlane);
    const Vector3 m = planeNormal(basis, settings.sidePlane);
    const Vector3 w = cross(n, m); // unit length once the side plane passed the check
    const double s1 = sinDegrees(settings.rotationX);
    const double c1 = cosDegrees(settings.rotationX);
    const double s2 = sinDegrees(settings.rotationY);
    const double c2 = cosDegrees(settings.rotationY);

    const Vector3 v = combine(c1, n, s1, w);
    const Vector3 e3 = combine(c1, w, -s1, n);
    const Vector3 e1 = combine(c2, v, -s2, m);
    const Vector3 e2 = combine(s2, v, c2, m);
    return {e1, e2, e3};
}

CrystalOrientation computeOrientation(const DiffractionSettings& settings,
                                      const ReciprocalBasis& basis) {
    const auto axes = laboratoryAxes(settings, basis);
    const auto stars = starVectors(basis);
    CrystalOrientation orientation;
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            orientation.rows[i][j] = dot(axes[i], stars[j]);
    return orientation;
}

Vector3 labComponents(const CrystalOrientation& orientation, int h, int k, int l) {
    Vector3 g{};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto& row = orientation.rows[i];
        g[i] = h * row[0] + k * row[1] + l * row[2];
    }
    return g;
}

SidePlaneCheck checkSidePlane(const std::array<double, 3>& surface,
                              const std::array<double, 3>& side, const ReciprocalBasis& basis) {
    const Vector3 gs = reciprocalVector(basis, surface);
    const Vector3 gh = reciprocalVector(basis, scaleByPowerOfTwo(side, -indexExponent(side)));
    if (std::fabs(dot(gs, gh)) / (norm(gs) * norm(gh)) <= kPerpendicularTolerance)
        return {true, side};
    return {false, correctedSidePlane(gs, side, basis)};
}

} // namespace xtalsp
