#include "core/computation/structurefactorcalculator.h"

#include "core/text/numbertext.h"

#include <cmath>
#include <gtest/gtest.h>

namespace xtalsp {
namespace {

constexpr int kSilicon = 14;
constexpr double kSiliconA = 5.4305; // Angstrom

ReciprocalBasis cubicBasis(double a) {
    ReciprocalBasis basis;
    basis.aStarX = basis.bStarY = basis.cStarZ = 1.0 / a;
    return basis;
}

// Diamond structure: the face-centred cell and its copy shifted by (1/4, 1/4, 1/4).
std::vector<ElementGroup> siliconCell() {
    ElementGroup group{kSilicon, {}};
    for (const double shift : {0.0, 0.25})
        for (const auto& [x, y, z] : {std::array{0.0, 0.0, 0.0}, std::array{0.0, 0.5, 0.5},
                                      std::array{0.5, 0.0, 0.5}, std::array{0.5, 0.5, 0.0}})
            group.sites.push_back({x + shift, y + shift, z + shift, 1.0});
    return {group};
}

TEST(StructureFactorCalculator, SiliconOneOneOne) {
    const auto texts = computeStructureFactorTexts(1, 1, 1, cubicBasis(kSiliconA), siliconCell());
    // |F| = 4 sqrt(2) f(Si) at s^2 = 3 / (4 a^2), computed independently.
    EXPECT_NEAR(readReal(texts.magnitude), 58.72219580, 1e-7) << texts.magnitude;
    EXPECT_EQ(texts.phase, "315\xB0");
    EXPECT_EQ(texts.dSpacing, "3.135301 \xC5");
}

TEST(StructureFactorCalculator, ExtinctReflectionAndOriginHaveTheirOwnTexts) {
    const auto forbidden =
        computeStructureFactorTexts(2, 0, 0, cubicBasis(kSiliconA), siliconCell());
    EXPECT_EQ(forbidden.magnitude, "0");
    EXPECT_EQ(forbidden.phase, "0");
    EXPECT_EQ(forbidden.dSpacing, "2.71525 \xC5");

    const auto origin = computeStructureFactorTexts(0, 0, 0, cubicBasis(kSiliconA), siliconCell());
    EXPECT_EQ(origin.magnitude, "111.99248"); // 8 f(Si, 0)
    EXPECT_EQ(origin.phase, "0\xB0");
    EXPECT_EQ(origin.dSpacing, " N/A");
}

TEST(StructureFactorCalculator, DSpacingUsesEveryComponentOfTheBasis) {
    // Hexagonal a = 3, c = 5 Angstrom: a* = (1/a, 1/(a sqrt 3), 0), b* = (0, 2/(a sqrt 3), 0).
    ReciprocalBasis hexagonal;
    hexagonal.aStarX = 1.0 / 3.0;
    hexagonal.aStarY = 1.0 / (3.0 * std::sqrt(3.0));
    hexagonal.bStarY = 2.0 / (3.0 * std::sqrt(3.0));
    hexagonal.cStarZ = 1.0 / 5.0;
    const std::vector<ElementGroup> atom{{kSilicon, {{0, 0, 0, 1}}}};
    EXPECT_EQ(computeStructureFactorTexts(1, 0, 0, hexagonal, atom).dSpacing, "2.598076 \xC5");
    EXPECT_EQ(computeStructureFactorTexts(1, 1, 0, hexagonal, atom).dSpacing, "1.5 \xC5");
    EXPECT_EQ(computeStructureFactorTexts(0, 0, -1, hexagonal, atom).dSpacing, "5 \xC5");
    // A cell not yet defined has no planes to measure.
    EXPECT_EQ(computeStructureFactorTexts(1, 0, 0, ReciprocalBasis{}, atom).dSpacing, " N/A");
}

TEST(StructureFactorCalculator, PhaseFollowsTheQuadrant) {
    const struct {
        std::complex<double> F;
        double degrees;
    } cases[] = {{{1, 0}, 0},    {{1, 1}, 45}, {{-1, 1}, 135}, {{-1, 0}, 180},   {{-1, -1}, 225},
                 {{1, -1}, 315}, {{0, 2}, 90}, {{0, -2}, -90}, {{-0.0, -2}, -90}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(structureFactorPhase(c.F), c.degrees) << c.F;
}

TEST(StructureFactorCalculator, PurelyImaginaryNegativeShowsMinusNinety) {
    // A site at x = 3/4 gives F = f (cos 3pi/2 + i sin 3pi/2); a weak site at the origin cancels
    // the rounding residue of the cosine, leaving Re exactly 0 and Im = -f.
    const double residue = std::cos(2.0 * (4.0 * std::atan(1.0)) * 0.75);
    const std::vector<ElementGroup> groups{{kSilicon, {{0.75, 0, 0, 1}, {0, 0, 0, -residue}}}};
    const auto texts = computeStructureFactorTexts(1, 0, 0, cubicBasis(kSiliconA), groups);
    EXPECT_EQ(texts.phase, "-90\xB0");
}

} // namespace
} // namespace xtalsp
