#include "core/computation/angles.h"
#include "core/computation/geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace xtalsp {
namespace {

constexpr double kSilicon = 5.4305;

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

const ReciprocalBasis kTriclinic = computeReciprocalBasis(4.1, 5.3, 6.7, 78.0, 95.0, 104.0);

// 1/d^2 = h^T g^-1 h, g_ij = a_i.a_j the direct metric tensor, inverted by cofactors.
double inverseDSquaredOfTriclinic(const Vector3& hkl) {
    const double a[3] = {4.1, 5.3, 6.7};
    const double cosines[3] = {std::cos(78.0 * kPi / 180), std::cos(95.0 * kPi / 180),
                               std::cos(104.0 * kPi / 180)};
    double g[3][3], cof[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            g[i][j] = a[i] * a[j] * (i == j ? 1.0 : cosines[3 - i - j]);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            cof[i][j] = g[(i + 1) % 3][(j + 1) % 3] * g[(i + 2) % 3][(j + 2) % 3] -
                        g[(i + 1) % 3][(j + 2) % 3] * g[(i + 2) % 3][(j + 1) % 3];
    const double det = g[0][0] * cof[0][0] + g[0][1] * cof[0][1] + g[0][2] * cof[0][2];
    double sum = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            sum += hkl[i] * cof[i][j] * hkl[j] / det;
    return sum;
}

TEST(ReciprocalBasis, CubicCellIsExactlyDiagonal) {
    EXPECT_EQ(kPi, 4.0 * std::atan(1.0));
    EXPECT_EQ(cosDegrees(90.0), 0.0);
    EXPECT_EQ(sinDegrees(90.0), 1.0);
    const ReciprocalBasis basis = computeReciprocalBasis(kSilicon, kSilicon, kSilicon, 90, 90, 90);
    EXPECT_DOUBLE_EQ(basis.aStarX, 1.0 / kSilicon);
    EXPECT_DOUBLE_EQ(basis.bStarY, 1.0 / kSilicon);
    EXPECT_DOUBLE_EQ(basis.cStarZ, 1.0 / kSilicon);
    for (double offDiagonal : {basis.aStarY, basis.aStarZ, basis.bStarZ}) {
        EXPECT_EQ(offDiagonal, 0.0);
        EXPECT_FALSE(std::signbit(offDiagonal));
    }
}

TEST(ReciprocalBasis, LengthsAreInverseSpacingsOfNonOrthogonalCells) {
    for (const Vector3 hkl : {Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{0, 0, 1},
                              Vector3{1, 2, 3}, Vector3{-2, 1, 4}, Vector3{3, -1, -2}}) {
        const Vector3 g = reciprocalVector(kTriclinic, hkl);
        EXPECT_NEAR(dot(g, g) / inverseDSquaredOfTriclinic(hkl), 1.0, 1e-13) << hkl[0] << hkl[1];
    }
    // Hexagonal: 1/d^2 = 4 (h^2 + hk + k^2) / (3 a^2) + l^2 / c^2.
    const Vector3 g =
        reciprocalVector(computeReciprocalBasis(3.21, 3.21, 5.21, 90, 90, 120), 2, -1, 3);
    EXPECT_NEAR(dot(g, g), 4.0 * 3.0 / (3.0 * 3.21 * 3.21) + 9.0 / (5.21 * 5.21), 1e-14);
}

TEST(Orientation, CubicReferenceSettingPutsBeamAlongTheSurfaceNormal) {
    const ReciprocalBasis basis = computeReciprocalBasis(kSilicon, kSilicon, kSilicon, 90, 90, 90);
    DiffractionSettings settings;
    settings.surfacePlane = {0, 0, 1};
    settings.sidePlane = {1, 0, 0};
    const auto axes = laboratoryAxes(settings, basis);
    EXPECT_EQ(axes, (std::array{Vector3{0, 0, 1}, Vector3{1, 0, 0}, Vector3{0, 1, 0}}));

    const Vector3 g = labComponents(computeOrientation(settings, basis), 1, 2, 3);
    EXPECT_DOUBLE_EQ(g[0], 3.0 / kSilicon);
    EXPECT_DOUBLE_EQ(g[1], 1.0 / kSilicon);
    EXPECT_DOUBLE_EQ(g[2], 2.0 / kSilicon);
}

TEST(Orientation, RotationsTiltTheBeamAxisTheDocumentedWay) {
    DiffractionSettings settings;
    settings.surfacePlane = {1, 1, 0};
    settings.sidePlane = checkSidePlane(settings.surfacePlane, {0, 0, 1}, kTriclinic).sidePlane;
    const auto reference = laboratoryAxes(settings, kTriclinic);

    settings.rotationX = 30.0; // about e2, beam towards +e3
    const auto tiltedX = laboratoryAxes(settings, kTriclinic);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(tiltedX[0][i], std::sqrt(0.75) * reference[0][i] + 0.5 * reference[2][i],
                    1e-15);
    EXPECT_NEAR(dot(tiltedX[1], reference[1]), 1.0, 1e-15);

    settings.rotationX = 0.0;
    settings.rotationY = 30.0; // about e3, beam away from +e2
    const auto tiltedY = laboratoryAxes(settings, kTriclinic);
    EXPECT_NEAR(dot(tiltedY[0], reference[1]), -0.5, 1e-15);
    EXPECT_NEAR(dot(tiltedY[2], reference[2]), 1.0, 1e-15);
}

TEST(Orientation, PerpendicularPlanesGiveARightHandedOrthonormalFrame) {
    DiffractionSettings settings;
    settings.surfacePlane = {1, 2, 3};
    settings.sidePlane = checkSidePlane(settings.surfacePlane, {1, 0, 0}, kTriclinic).sidePlane;
    settings.rotationX = 12.5;
    settings.rotationY = -33.0;
    const auto e = laboratoryAxes(settings, kTriclinic);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(dot(e[i], e[j]), i == j ? 1.0 : 0.0, 1e-14) << i << j;
    const Vector3 e1xe2{e[0][1] * e[1][2] - e[0][2] * e[1][1],
                        e[0][2] * e[1][0] - e[0][0] * e[1][2],
                        e[0][0] * e[1][1] - e[0][1] * e[1][0]};
    EXPECT_NEAR(dot(e1xe2, e[2]), 1.0, 1e-14);

    // The rows give the laboratory components of G, so |G| = 1/d is kept.
    const CrystalOrientation orientation = computeOrientation(settings, kTriclinic);
    for (const std::array<int, 3> hkl : {std::array{1, 0, 0}, {-2, 3, 1}, {4, -1, -5}}) {
        const Vector3 g = reciprocalVector(kTriclinic, hkl[0], hkl[1], hkl[2]);
        const Vector3 lab = labComponents(orientation, hkl[0], hkl[1], hkl[2]);
        EXPECT_NEAR(dot(lab, lab), dot(g, g), 1e-14);
        EXPECT_NEAR(lab[0], dot(e[0], g), 1e-15);
    }
}

TEST(Orientation, ExtremeSideIndicesKeepTheirDirection) {
    DiffractionSettings settings;
    settings.surfacePlane = {0, 0, 1};
    settings.sidePlane = {1, 0, 0};
    const auto unit = laboratoryAxes(settings, kTriclinic);
    settings.sidePlane = {1e308, 0, 0};
    const auto huge = laboratoryAxes(settings, kTriclinic);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(huge[i][j], unit[i][j], 1e-15);
}

} // namespace
} // namespace xtalsp
