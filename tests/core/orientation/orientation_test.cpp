#include "core/orientation/orientation.h"

#include "core/computation/angles.h"
#include "core/computation/spotcomputation.h"
#include "core/document/xtalspdoc.h"
#include "core/spectrum/builtinspectrum.h"
#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

double dot(const Vector3& u, const Vector3& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

// A cell without right angles, so that every off-diagonal term of the basis counts.
ReciprocalBasis triclinicBasis() {
    return computeReciprocalBasis(5.1, 6.3, 7.2, 81.0, 97.0, 104.0);
}

DiffractionSettings tiltedSettings() {
    DiffractionSettings settings;
    settings.geometry = DiffractionGeometry::BackReflection;
    settings.surfacePlane = {0, 0, 1};
    settings.sidePlane = {1, 0, 0};
    settings.distance = 300;
    settings.Hmax = settings.Kmax = settings.Lmax = 12;
    settings.rotationX = 6.5;
    settings.rotationY = -3.25;
    return settings;
}

void expectSameAxes(const std::array<Vector3, 3>& a, const std::array<Vector3, 3>& b) {
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j)
            EXPECT_NEAR(a[i][j], b[i][j], 1e-12) << i << "," << j;
}

TEST(BeamRotation, FoldedIntoPlanesGivesTheRotatedFrameWithTheSameTilts) {
    const ReciprocalBasis basis = triclinicBasis();
    DiffractionSettings settings = tiltedSettings();
    settings.surfacePlane = {1, 2, -1};
    settings.sidePlane = checkSidePlane(settings.surfacePlane, {1, 0, 0}, basis).sidePlane;
    const DiffractionSettings folded = foldBeamRotation(settings, basis, 23.5);
    EXPECT_EQ(folded.rotationX, settings.rotationX);
    EXPECT_EQ(folded.rotationY, settings.rotationY);
    for (const auto& plane : {folded.surfacePlane, folded.sidePlane})
        EXPECT_DOUBLE_EQ(std::max({std::fabs(plane[0]), std::fabs(plane[1]), std::fabs(plane[2])}),
                         1.0);
    EXPECT_TRUE(checkSidePlane(folded.surfacePlane, folded.sidePlane, basis).perpendicular);
    expectSameAxes(laboratoryAxes(folded, basis), orientedAxes(settings, basis, 23.5));

    // Splitting the rotated frame again recovers the tilts and the beam rotation.
    const OrientationAngles angles =
        decomposeOrientation(settings, basis, orientedAxes(settings, basis, -41.0));
    EXPECT_NEAR(angles.rotationX, settings.rotationX, 1e-10);
    EXPECT_NEAR(angles.rotationY, settings.rotationY, 1e-10);
    EXPECT_NEAR(angles.psi, -41.0, 1e-10);
}

// A rotation about the beam turns every spot about the film centre, counter-clockwise for a
// positive angle; the folded planes must carry that through the pattern file.
TEST(BeamRotation, SurvivesThePatternFileAsTheRotatedPattern) {
    test::RecordingPrompt prompt;
    MemorySettingsStore store;
    CXtalspDoc doc(DocumentServices{&prompt, &store, std::nullopt});
    test::editInputs(doc, [&](PatternInputs& in) {
        in.structure = test::silicon();
        in.spectrum = builtinSpectrum();
        in.settings = tiltedSettings();
    });
    ASSERT_TRUE(doc.computeSpots());
    const SpotList unrotated = doc.spots();
    ASSERT_GT(unrotated.size(), 20u);

    const double psi = 17.0;
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings = foldBeamRotation(in.settings, doc.reciprocalBasis(), psi);
    });
    ASSERT_TRUE(doc.computeSpots());
    CXtalspDoc reread(DocumentServices{&prompt, &store, std::nullopt});
    ASSERT_TRUE(reread.deserialize(doc.serialize()).ok());
    EXPECT_EQ(reread.settings().rotationX, 6.5);
    EXPECT_EQ(reread.settings().rotationY, -3.25);

    const double c = std::cos(psi * kPi / 180.0), s = std::sin(psi * kPi / 180.0);
    std::size_t inside = 0;
    for (const LaueSpot& before : unrotated) {
        const double x = c * before.x - s * before.y, y = s * before.x + c * before.y;
        const bool wellInside =
            std::fabs(x) < reread.halfFilmWidth() - 1 && std::fabs(y) < reread.halfFilmHeight() - 1;
        const auto after =
            std::find_if(reread.spots().begin(), reread.spots().end(), [&](const LaueSpot& spot) {
                return spot.h == before.h && spot.k == before.k && spot.l == before.l;
            });
        if (after == reread.spots().end()) {
            EXPECT_FALSE(wellInside) << before.h << " " << before.k << " " << before.l;
            continue;
        }
        ++inside;
        EXPECT_NEAR(after->x, x, 1e-8); // film units: 1e-9 mm
        EXPECT_NEAR(after->y, y, 1e-8);
        EXPECT_NEAR(after->intensity, before.intensity, 1e-9 * before.intensity);
    }
    EXPECT_GT(inside, 20u);
}

TEST(Alignment, BringsThePlaneNormalOntoTheBeamOrRefuses) {
    const ReciprocalBasis basis = triclinicBasis();
    DiffractionSettings settings = tiltedSettings();
    settings.sidePlane = checkSidePlane(settings.surfacePlane, {1, 0, 0}, basis).sidePlane;
    const Vector3 hkl{1, 1, 3};
    const auto tilts = alignPlaneWithBeam(settings, basis, hkl, 89.9999);
    ASSERT_TRUE(tilts.has_value());
    DiffractionSettings aligned = settings;
    aligned.rotationX = tilts->rotationX;
    aligned.rotationY = tilts->rotationY;
    const Vector3 g = reciprocalVector(basis, hkl);
    const double cosine = dot(laboratoryAxes(aligned, basis)[0], g) / std::sqrt(dot(g, g));
    EXPECT_GT(cosine, std::cos(0.001 * kPi / 180.0));

    // The surface plane itself needs no tilt; one at a right angle to it cannot be reached.
    const auto home = alignPlaneWithBeam(settings, basis, settings.surfacePlane, 89.9999);
    ASSERT_TRUE(home.has_value());
    EXPECT_NEAR(home->rotationX, 0.0, 1e-12);
    EXPECT_NEAR(home->rotationY, 0.0, 1e-12);
    const ReciprocalBasis cubic = computeReciprocalBasis(4, 4, 4, 90, 90, 90);
    settings.sidePlane = {1, 0, 0};
    EXPECT_FALSE(alignPlaneWithBeam(settings, cubic, {1, 0, 0}, 89.9999).has_value());
    EXPECT_FALSE(alignPlaneWithBeam(settings, cubic, {0, 0, -1}, 89.9999).has_value());
    EXPECT_FALSE(alignPlaneWithBeam(settings, cubic, {0, 0, 0}, 89.9999).has_value());
}

// Every simulated spot lies on the ray its scattering vector predicts, and its gnomonic point
// lies on the same side of the centre.
TEST(SpotDirections, ScatteringVectorAndGnomonicPointFollowFromThePosition) {
    const CrystalStructure silicon = test::silicon();
    SpotComputationInput input;
    input.groups = &silicon.groups;
    input.spectrum = &builtinSpectrum();
    input.basis = computeReciprocalBasis(silicon.a, silicon.b, silicon.c, silicon.alpha,
                                         silicon.beta, silicon.gamma);
    input.settings = tiltedSettings();
    for (const DiffractionGeometry geometry :
         {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
        input.settings.geometry = geometry;
        const auto axes = laboratoryAxes(input.settings, input.basis);
        const auto spots = computeLaueSpots(input).spots;
        ASSERT_GT(spots.size(), 10u);
        for (const LaueSpot& spot : spots) {
            const Vector3 hkl{double(spot.h), double(spot.k), double(spot.l)};
            const Vector3 cell = reciprocalVector(input.basis, hkl);
            const Vector3 lab{dot(axes[0], cell), dot(axes[1], cell), dot(axes[2], cell)};
            const Vector3 measured =
                scatteringDirection(geometry, input.settings.distance, {spot.x, spot.y});
            EXPECT_NEAR(dot(measured, lab) / std::sqrt(dot(lab, lab)), 1.0, 1e-12);
            const auto onFilm =
                reflectionOnFilm(axes, input.basis, hkl, geometry, input.settings.distance);
            ASSERT_TRUE(onFilm.has_value());
            EXPECT_NEAR(onFilm->x, spot.x, 1e-9);
            EXPECT_NEAR(onFilm->y, spot.y, 1e-9);
            const auto gnomonic = gnomonicPoint(axes, input.basis, hkl, input.settings.distance);
            ASSERT_TRUE(gnomonic.has_value());
            EXPECT_NEAR(gnomonic->x * spot.y, gnomonic->y * spot.x, 1e-6 * (1 + spot.x * spot.x));
            EXPECT_GE(gnomonic->x * spot.x + gnomonic->y * spot.y, 0.0);
        }
    }
    // Silicon along [001]: the normal of (1 1 1) meets the plane at D (1, 1).
    DiffractionSettings straight = input.settings;
    straight.rotationX = straight.rotationY = 0;
    const auto point =
        gnomonicPoint(laboratoryAxes(straight, input.basis), input.basis, {1, 1, 1}, 300);
    ASSERT_TRUE(point.has_value());
    EXPECT_NEAR(point->x, 300.0, 1e-9);
    EXPECT_NEAR(point->y, 300.0, 1e-9);
}

} // namespace
} // namespace xtalsp
