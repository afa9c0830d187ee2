#include "core/computation/geometry.h"
#include "core/computation/spotcomputation.h"
#include "core/computation/structurefactortables.h"
#include "core/spectrum/builtinspectrum.h"
#include "support/silicon.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <span>
#include <sstream>
#include <string>

namespace xtalsp {
namespace {

constexpr double kAgreement = 1e-12;

bool agrees(double expected, double actual) {
    return std::fabs(actual - expected) <= kAgreement * std::fabs(expected);
}

std::string describe(const LaueSpot& spot) {
    std::ostringstream text;
    text << "(" << spot.h << " " << spot.k << " " << spot.l << ")";
    return text.str();
}

// The same spots in the same order, positions, wavelengths and d-spacings identical, the
// intensities and |F|^2 within 1e-12 relative.
::testing::AssertionResult sameSpots(const SpotComputationResult& expected,
                                     const SpotComputationResult& actual) {
    if (expected.spots.size() != actual.spots.size())
        return ::testing::AssertionFailure()
               << expected.spots.size() << " spots expected, got " << actual.spots.size();
    for (std::size_t n = 0; n < expected.spots.size(); ++n) {
        const LaueSpot& e = expected.spots[n];
        const LaueSpot& a = actual.spots[n];
        const auto failure = [&](const char* what) {
            return ::testing::AssertionFailure() << "spot " << n << " " << describe(e) << ": "
                                                 << what << " differs in " << describe(a);
        };
        if (e.h != a.h || e.k != a.k || e.l != a.l)
            return failure("indices");
        if (e.x != a.x || e.y != a.y || e.wavelength != a.wavelength || e.dSpacing != a.dSpacing)
            return failure("position, wavelength or d-spacing");
        if (!agrees(e.intensity, a.intensity))
            return failure("intensity");
        const std::span<const HarmonicComponent> eHarmonics = expected.spots.harmonicsOf(e);
        const std::span<const HarmonicComponent> aHarmonics = actual.spots.harmonicsOf(a);
        if (eHarmonics.size() != aHarmonics.size() || e.harmonicCount != a.harmonicCount ||
            e.labelOrder != a.labelOrder)
            return failure("harmonic count or label");
        for (std::size_t m = 0; m < eHarmonics.size(); ++m) {
            const HarmonicComponent& eh = eHarmonics[m];
            const HarmonicComponent& ah = aHarmonics[m];
            if (eh.order != ah.order || !agrees(eh.intensity, ah.intensity) ||
                !agrees(eh.structureFactorSquared, ah.structureFactorSquared))
                return failure("a harmonic");
        }
    }
    if (!agrees(expected.strongestIntensity, actual.strongestIntensity))
        return ::testing::AssertionFailure() << "strongest intensity differs";
    return ::testing::AssertionSuccess();
}

// Thread counts besides one: two, more than some cases have outer indices, automatic.
constexpr int kThreadCounts[] = {2, 17, 0};

// Runs the fast walk at every thread count and checks it against the straightforward walk; the
// fast walk's results must not depend on the thread count at all.
void expectFastMatchesReference(SpotComputationInput input) {
    const SpotComputationResult reference = computeLaueSpotsReference(input);
    ASSERT_FALSE(reference.spots.empty());
    input.threadCount = 1;
    const SpotComputationResult single = computeLaueSpots(input);
    EXPECT_TRUE(sameSpots(reference, single));
    for (const int threads : kThreadCounts) {
        input.threadCount = threads;
        const SpotComputationResult threaded = computeLaueSpots(input);
        EXPECT_EQ(threaded.spots, single.spots) << threads << " threads";
        EXPECT_EQ(threaded.strongestIntensity, single.strongestIntensity) << threads << " threads";
    }
}

SpotComputationInput makeInput(const CrystalStructure& structure, std::array<double, 3> surface,
                               std::array<double, 3> side) {
    SpotComputationInput input;
    input.groups = &structure.groups;
    input.spectrum = &builtinSpectrum();
    input.basis = computeReciprocalBasis(structure.a, structure.b, structure.c, structure.alpha,
                                         structure.beta, structure.gamma);
    input.settings.surfacePlane = surface;
    input.settings.sidePlane = checkSidePlane(surface, side, input.basis).sidePlane;
    input.settings.distance = 300;
    input.halfFilmWidth = 1000;
    input.halfFilmHeight = 750;
    return input;
}

TEST(FastSpotWalk, SiliconMatchesTheStraightforwardWalk) {
    const CrystalStructure silicon = test::silicon();
    SpotComputationInput input = makeInput(silicon, {0, 0, 1}, {1, 0, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 16;
    for (const DiffractionGeometry geometry :
         {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
        SCOPED_TRACE(static_cast<int>(geometry));
        input.settings.geometry = geometry;
        expectFastMatchesReference(input);
    }
    // Tilted, so that no mirror symmetry of the film pairs the spots.
    input.settings.rotationX = 7.5;
    input.settings.rotationY = -12.25;
    expectFastMatchesReference(input);
}

// A triclinic 12 Angstrom cell with 60 atoms of four elements at pseudo-random positions, some
// partly occupied.
CrystalStructure randomCell() {
    std::mt19937_64 random(1234567);
    const auto fraction = [&random] { return static_cast<double>(random() >> 11) * 0x1.0p-53; };
    constexpr std::int32_t kElements[] = {8, 14, 26, 82};
    std::vector<AtomSite> atoms;
    for (int n = 0; n < 60; ++n) {
        AtomSite atom;
        atom.element = kElements[random() % 4];
        atom.x = fraction();
        atom.y = fraction();
        atom.z = fraction();
        atom.occupancy = n % 7 == 0 ? 0.5 : 1.0;
        atoms.push_back(atom);
    }
    CrystalStructure cell;
    cell.a = 12.0;
    cell.b = 11.0;
    cell.c = 12.5;
    cell.alpha = 88.0;
    cell.beta = 95.0;
    cell.gamma = 101.0;
    cell.groups = groupAtoms(atoms);
    return cell;
}

TEST(FastSpotWalk, RandomCellMatchesInEveryOrientationAndGeometry) {
    const CrystalStructure cell = randomCell();
    struct Orientation {
        std::array<double, 3> surface, side;
        double rotationX, rotationY;
    };
    const Orientation orientations[] = {
        {{0, 0, 1}, {1, 0, 0}, 0, 0},
        {{1, 1, 1}, {1, -1, 0}, 10, -5},
        {{-2, 1, 3}, {3, 0, 2}, -20, 33},
    };
    for (const Orientation& o : orientations) {
        SpotComputationInput input = makeInput(cell, o.surface, o.side);
        input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 10;
        input.settings.rotationX = o.rotationX;
        input.settings.rotationY = o.rotationY;
        for (const DiffractionGeometry geometry :
             {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
            SCOPED_TRACE(::testing::Message()
                         << "surface " << o.surface[0] << o.surface[1] << o.surface[2]
                         << " geometry " << static_cast<int>(geometry));
            input.settings.geometry = geometry;
            expectFastMatchesReference(input);
        }
    }
}

// Processors with narrower or fewer vector registers sum along a row, and screen, in passes
// over part of the lanes; each lane must still see the same sites in the same order. Processors
// with and without fused multiply-add round the row sums differently, both within the bound.
// The higher minimum puts the screen to work.
TEST(FastSpotWalk, SumsInPassesOfEveryWidthGiveTheSameSpots) {
    const CrystalStructure cell = randomCell();
    SpotComputationInput input = makeInput(cell, {1, 1, 1}, {1, -1, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 10;
    input.settings.rotationX = 10;
    input.settings.geometry = DiffractionGeometry::BackReflection;
    input.threadCount = 1;
    for (const double minimum : {input.minimumIntensity, 20.0}) {
        input.minimumIntensity = minimum;
        const SpotComputationResult reference = computeLaueSpotsReference(input);
        for (const bool fused : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "minimum " << minimum << " fused " << fused);
            chooseRowSumFusion(fused);
            std::vector<SpotComputationResult> results;
            for (const std::size_t width : {8, 4, 2}) {
                chooseRowPassWidth(width);
                results.push_back(computeLaueSpots(input));
            }
            chooseRowPassWidth(0);
            EXPECT_TRUE(sameSpots(reference, results[0]));
            EXPECT_EQ(results[1].spots, results[0].spots);
            EXPECT_EQ(results[2].spots, results[0].spots);
        }
        chooseRowSumFusion(std::nullopt);
    }
}

// A long c axis puts hundreds of triples of one row (i j) in the window, more than one plan of
// the row's structure factors holds.
TEST(FastSpotWalk, RowsLongerThanOnePlanMatch) {
    std::vector<AtomSite> atoms(2);
    atoms[0].element = 14;
    atoms[1].element = 8;
    atoms[1].x = 0.31;
    atoms[1].y = 0.47;
    atoms[1].z = 0.123;
    CrystalStructure cell;
    cell.a = cell.b = 4.0;
    cell.c = 100.0;
    cell.alpha = cell.beta = cell.gamma = 90.0;
    cell.groups = groupAtoms(atoms);
    SpotComputationInput input = makeInput(cell, {0, 0, 1}, {1, 0, 0});
    input.settings.Hmax = input.settings.Kmax = 2;
    input.settings.Lmax = 600;
    input.settings.rotationX = 3;
    // A film wide enough for every reflection in the window, the last triples of a row included.
    input.halfFilmWidth = input.halfFilmHeight = 1e6;
    for (const DiffractionGeometry geometry :
         {DiffractionGeometry::Transmission, DiffractionGeometry::BackReflection}) {
        SCOPED_TRACE(static_cast<int>(geometry));
        input.settings.geometry = geometry;
        expectFastMatchesReference(input);
    }
}

// Once the spots so far predict a total beyond the spot limit, the walk first counts the spots
// it is sure of; whatever the limit, it either passes it or gives the straightforward walk's
// spots.
TEST(FastSpotWalk, LimitsNearTheSpotCountAreKeptOrReportedAtEveryThreadCount) {
    const CrystalStructure cell = randomCell();
    SpotComputationInput input = makeInput(cell, {1, 1, 1}, {1, -1, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 10;
    input.minimumIntensity = 20.0;
    const SpotComputationResult reference = computeLaueSpotsReference(input);
    const std::size_t count = reference.spots.size();
    ASSERT_GT(count, 100u);
    for (const int threads : {1, 2, 17}) {
        input.threadCount = threads;
        input.spotLimit = count;
        EXPECT_TRUE(sameSpots(reference, computeLaueSpots(input))) << threads << " threads";
        for (const std::size_t tooFew : {count - 1, count / 3}) {
            input.spotLimit = tooFew;
            const SpotComputationResult stopped = computeLaueSpots(input);
            EXPECT_TRUE(stopped.tooManySpots) << threads << " threads, limit " << tooFew;
            EXPECT_TRUE(stopped.spots.empty());
        }
    }
}

TEST(FastSpotWalk, UnequalLimitsAndADistantFilmMatch) {
    const CrystalStructure cell = randomCell();
    SpotComputationInput input = makeInput(cell, {0, 1, 1}, {1, 0, 0});
    input.settings.Hmax = 3;
    input.settings.Kmax = 12;
    input.settings.Lmax = 7;
    input.settings.distance = 2000;
    expectFastMatchesReference(input);
}

// Two equal atoms half a cell diagonal apart, but for 1e-7 along a: every reflection with an
// odd index sum is nearly extinct, |F| about 6e-7 |h| f out of 2 f, and the atoms' terms cancel
// to that. With the minimum intensity low enough to keep such harmonics, the fast walk must
// still match, which it can only by evaluating them directly.
TEST(FastSpotWalk, NearlyExtinctReflectionsMatch) {
    CrystalStructure pair;
    pair.a = pair.b = pair.c = 4.0;
    pair.alpha = pair.beta = pair.gamma = 90.0;
    pair.groups = {{26, {{0.1, 0.2, 0.3, 1.0}, {0.6 + 1e-7, 0.7, 0.8, 1.0}}}};
    SpotComputationInput input = makeInput(pair, {1, 2, 5}, {2, -1, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 12;
    input.settings.rotationX = 4;
    input.minimumIntensity = 1e-20;
    const SpotComputationResult reference = computeLaueSpotsReference(input);
    int nearlyExtinct = 0;
    for (const LaueSpot& spot : reference.spots)
        for (const HarmonicComponent& harmonic : reference.spots.harmonicsOf(spot))
            if ((harmonic.order * (spot.h + spot.k + spot.l)) % 2 != 0 &&
                harmonic.structureFactorSquared < 1e-6)
                ++nearlyExtinct;
    ASSERT_GT(nearlyExtinct, 10);
    expectFastMatchesReference(input);
}

TEST(FastSpotWalk, StructuresTheTablesCannotHoldAreEvaluatedDirectly) {
    // Coordinates far outside the cell, as a hand-made group might hold them.
    CrystalStructure far = randomCell();
    far.groups.front().sites.front().x = 40.25;
    SpotComputationInput input = makeInput(far, {0, 0, 1}, {1, 0, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 8;
    const SpotComputationResult reference = computeLaueSpotsReference(input);
    input.threadCount = 2;
    const SpotComputationResult fast = computeLaueSpots(input);
    EXPECT_EQ(fast.spots, reference.spots);
}

// A flat beam over [first, last] Angstrom and nothing outside it.
Spectrum flatSpectrum(double first, double last) {
    Spectrum spectrum;
    for (std::size_t i = 0; i < kSpectrumSize; ++i) {
        const double lambda = static_cast<double>(i) * kSpectrumStep;
        spectrum.intensity[i] = lambda >= first - 1e-9 && lambda <= last + 1e-9 ? 1.0 : 0.0;
    }
    return spectrum;
}

TEST(FastSpotWalk, BeamsThatCutTheWalkShortOrReachHighHarmonicsMatch) {
    const CrystalStructure silicon = test::silicon();
    SpotComputationInput input = makeInput(silicon, {0, 0, 1}, {1, 0, 0});
    input.settings.rotationX = 6;
    input.settings.rotationY = -3;
    input.minimumIntensity = 1e-6;
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 30;

    // No reflection beyond |G| = 2 sin(theta) / 0.79 can find the beam: most of the walk lies
    // beyond it. The same beam with dark gaps, and in back reflection.
    const Spectrum hard = flatSpectrum(0.8, 2.0);
    input.spectrum = &hard;
    expectFastMatchesReference(input);
    Spectrum gapped = hard;
    for (std::size_t i = 100; i < 150; ++i)
        gapped.intensity[i] = 0.0;
    input.spectrum = &gapped;
    expectFastMatchesReference(input);
    input.settings.geometry = DiffractionGeometry::BackReflection;
    expectFastMatchesReference(input);

    // A beam down to 0.02 Angstrom lights harmonics of high order.
    const Spectrum wide = flatSpectrum(0.02, 2.9);
    input.spectrum = &wide;
    input.settings.geometry = DiffractionGeometry::Transmission;
    int highestOrder = 0;
    const SpotComputationResult lit = computeLaueSpotsReference(input);
    for (const LaueSpot& spot : lit.spots)
        highestOrder = std::max(highestOrder, lit.spots.harmonicsOf(spot).back().order);
    ASSERT_GE(highestOrder, 20);
    expectFastMatchesReference(input);
}

TEST(FastSpotWalk, ProgressRisesToTheEndAndAStopLeavesNoSpots) {
    const CrystalStructure cell = randomCell();
    SpotComputationInput input = makeInput(cell, {1, 1, 1}, {1, -1, 0});
    input.settings.Hmax = input.settings.Kmax = input.settings.Lmax = 10;
    const SpotComputationResult unobserved = computeLaueSpots(input);
    for (const int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        input.threadCount = threads;
        std::vector<double> reported;
        input.progress = [&reported](double done) {
            reported.push_back(done);
            return true;
        };
        const SpotComputationResult observed = computeLaueSpots(input);
        EXPECT_EQ(observed.spots, unobserved.spots);
        EXPECT_FALSE(observed.cancelled);
        ASSERT_FALSE(reported.empty());
        EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
        EXPECT_GE(reported.front(), 0.0);
        EXPECT_LE(reported.back(), 1.0);

        int calls = 0;
        input.progress = [&calls](double) {
            ++calls;
            return false;
        };
        const SpotComputationResult stopped = computeLaueSpots(input);
        EXPECT_TRUE(stopped.cancelled);
        EXPECT_TRUE(stopped.spots.empty());
        EXPECT_EQ(calls, 1);
        input.progress = nullptr;
    }
}

} // namespace
} // namespace xtalsp
