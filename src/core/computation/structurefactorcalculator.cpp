// Display texts of the structure factor calculator.
#include "core/computation/structurefactorcalculator.h"

#include "core/computation/intensity.h"
#include "core/text/numbertext.h"

#include <cmath>

namespace xtalsp {
namespace {

// Below this |F|^2 the reflection is extinct and its phase is meaningless.
constexpr double kMinShownStructureFactorSquared = 1e-16;
const char* const kDegreeSign = "\xB0";
const char* const kAngstromSuffix = " \xC5";
const char* const kNoDSpacing = " N/A";

// |G|^2 of reflection (h k l) in 1/Angstrom^2, from a* = (x, y, z), b* = (0, y, z), c* = (0, 0, z)
// in the cell frame.
double reciprocalLengthSquared(int h, int k, int l, const ReciprocalBasis& basis) {
    const double gx = h * basis.aStarX;
    const double gy = h * basis.aStarY + k * basis.bStarY;
    const double gz = h * basis.aStarZ + k * basis.bStarZ + l * basis.cStarZ;
    return gx * gx + gy * gy + gz * gz;
}

std::string dSpacingText(double gSquared) {
    // A degenerate basis (no cell yet) has no lattice planes to measure.
    if (!(gSquared > 0.0) || !std::isfinite(gSquared))
        return kNoDSpacing;
    const double d = 1.0 / std::sqrt(gSquared);
    return trimFixedNumber(formatFixed(d, 20, 6)) + kAngstromSuffix;
}

} // namespace

double structureFactorPhase(std::complex<double> F) {
    const double re = F.real();
    const double im = F.imag();
    // Im / 0 would take its sign from a signed zero; a purely imaginary F is +-90 by definition.
    if (re == 0.0)
        return im < 0.0 ? -90.0 : 90.0;
    const double degreesPerRadian = 180.0 / (4.0 * std::atan(1.0));
    double phase = std::atan(im / re) * degreesPerRadian;
    if (re < 0.0)
        phase += 180.0;
    else if (im < 0.0)
        phase += 360.0;
    return phase;
}

StructureFactorTexts computeStructureFactorTexts(int h, int k, int l, const ReciprocalBasis& basis,
                                                 const std::vector<ElementGroup>& groups) {
    const bool isOrigin = h == 0 && k == 0 && l == 0;
    const double gSquared = isOrigin ? 0.0 : reciprocalLengthSquared(h, k, l, basis);
    // s = sin(theta) / lambda = 1 / (2d) = |G| / 2.
    const double s2 = std::isfinite(gSquared) ? gSquared / 4.0 : 0.0;
    const std::complex<double> F = structureFactor(h, k, l, s2, groups);
    const double fSquared = std::norm(F);

    StructureFactorTexts texts;
    if (fSquared > kMinShownStructureFactorSquared) {
        texts.magnitude = FormatNumber(std::sqrt(fSquared));
        texts.phase = FormatNumber(structureFactorPhase(F)) + kDegreeSign;
    } else {
        texts.magnitude = "0";
        texts.phase = "0";
    }
    texts.dSpacing = isOrigin ? kNoDSpacing : dSpacingText(gSquared);
    return texts;
}

} // namespace xtalsp
