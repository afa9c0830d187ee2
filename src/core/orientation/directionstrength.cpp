// Spot intensities of lattice directions from structure factors computed once per direction.
#include "core/orientation/directionstrength.h"

#include "core/computation/intensity.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace xtalsp {
namespace {

// One sample step below the first lit sample, since the interpolation lights the step before it.
double darkWavelength(const Spectrum& spectrum) {
    for (std::size_t i = 0; i < kSpectrumSize; ++i)
        if (spectrum.intensity[i] > 0.0)
            return (double(i) - 1.0) * kSpectrumStep;
    return double(kSpectrumSize) * kSpectrumStep;
}

// Friedel's law gives (h k l) and (-h -k -l) the same |F|^2 and |G|: both share one entry.
std::uint64_t keyOf(std::array<int, 3> hkl) {
    const auto firstNonZero = std::find_if(hkl.begin(), hkl.end(), [](int v) { return v != 0; });
    if (firstNonZero != hkl.end() && *firstNonZero < 0)
        for (int& v : hkl)
            v = -v;
    // Index limits stay below 1000, so each index fits 11 bits after the offset.
    const auto field = [](int v) { return std::uint64_t(v + 1024); };
    return field(hkl[0]) << 22 | field(hkl[1]) << 11 | field(hkl[2]);
}

} // namespace

DirectionStrength::DirectionStrength(const SpotComputationInput& pattern)
    : m_pattern(pattern), m_darkWavelength(darkWavelength(*pattern.spectrum)) {}

const DirectionStrength::Harmonics& DirectionStrength::harmonicsOf(const std::array<int, 3>& hkl) {
    const auto [found, inserted] = m_harmonics.try_emplace(keyOf(hkl));
    Harmonics& harmonics = found->second;
    if (!inserted)
        return harmonics;
    const ReciprocalBasis& b = m_pattern.basis;
    const auto [h, k, l] = hkl;
    const double gx = b.aStarX * h;
    const double gy = b.aStarY * h + b.bStarY * k;
    const double gz = b.aStarZ * h + b.bStarZ * k + b.cStarZ * l;
    harmonics.reciprocalLength = std::sqrt(gx * gx + gy * gy + gz * gz);
    if (!(harmonics.reciprocalLength > 0.0))
        return harmonics; // (0 0 0) is no direction
    const DiffractionSettings& s = m_pattern.settings;
    const std::array<int, 3> limits{s.Hmax, s.Kmax, s.Lmax};
    for (int n = 1;; ++n) {
        bool inside = true;
        for (std::size_t i = 0; i < 3; ++i)
            inside = inside && n * std::abs(hkl[i]) <= std::clamp(limits[i], 1, kMaxIndexLimit);
        // Order n diffracts 2 sin(theta) / (n |G|) at most: beyond the dark limit no angle lights
        // it.
        if (!inside || n * harmonics.reciprocalLength * m_darkWavelength >= 2.0)
            break;
        const double s2 = std::pow(0.5 * n * harmonics.reciprocalLength, 2);
        harmonics.structureFactorsSquared.push_back(
            std::norm(structureFactor(n * h, n * k, n * l, s2, *m_pattern.groups)));
    }
    return harmonics;
}

double DirectionStrength::intensity(const std::array<int, 3>& hkl, double sinTheta) {
    const Harmonics& harmonics = harmonicsOf(hkl);
    if (!(harmonics.reciprocalLength > 0.0))
        return 0.0;
    const double firstWavelength = 2.0 * sinTheta / harmonics.reciprocalLength;
    double total = 0.0;
    for (std::size_t i = 0; i < harmonics.structureFactorsSquared.size(); ++i) {
        const double lambda = firstWavelength / double(i + 1);
        if (lambda > kLongestHarmonicWavelength)
            continue;
        const double one = harmonicIntensity(harmonics.structureFactorsSquared[i], sinTheta, lambda,
                                             *m_pattern.spectrum);
        if (one > m_pattern.minimumIntensity)
            total += one;
    }
    return total;
}

} // namespace xtalsp
