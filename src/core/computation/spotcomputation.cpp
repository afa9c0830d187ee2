// The Laue spot walk over all index triples within the limits.
#include "computation/spotcomputation.h"

#include "computation/geometry.h"
#include "computation/intensity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>

namespace xtalsp {

namespace {

// The 168 primes below 1000: enough to test every triple within the largest index limit.
constexpr std::array<int, 168> kPrimes = {
    2,   3,   5,   7,   11,  13,  17,  19,  23,  29,  31,  37,  41,  43,  47,  53,  59,  61,  67,
    71,  73,  79,  83,  89,  97,  101, 103, 107, 109, 113, 127, 131, 137, 139, 149, 151, 157, 163,
    167, 173, 179, 181, 191, 193, 197, 199, 211, 223, 227, 229, 233, 239, 241, 251, 257, 263, 269,
    271, 277, 281, 283, 293, 307, 311, 313, 317, 331, 337, 347, 349, 353, 359, 367, 373, 379, 383,
    389, 397, 401, 409, 419, 421, 431, 433, 439, 443, 449, 457, 461, 463, 467, 479, 487, 491, 499,
    503, 509, 521, 523, 541, 547, 557, 563, 569, 571, 577, 587, 593, 599, 601, 607, 613, 617, 619,
    631, 641, 643, 647, 653, 659, 661, 673, 677, 683, 691, 701, 709, 719, 727, 733, 739, 743, 751,
    757, 761, 769, 773, 787, 797, 809, 811, 821, 823, 827, 829, 839, 853, 857, 859, 863, 877, 881,
    883, 887, 907, 911, 919, 929, 937, 941, 947, 953, 967, 971, 977, 983, 991, 997};

// Non-primitive triples (with a common prime factor) are harmonics of a smaller one.
bool isPrimitive(int i, int j, int k) {
    const int largest = std::max({i, j, k});
    for (const int p : kPrimes) {
        if (p > largest)
            break;
        if (i % p == 0 && j % p == 0 && k % p == 0)
            return false;
    }
    return true;
}

// The highest order n for which (n i, n j, n k) stays within the limits.
int highestHarmonic(int i, int j, int k, int hMax, int kMax, int lMax) {
    int order = kMaxIndexLimit;
    if (i > 0)
        order = std::min(order, hMax / i);
    if (j > 0)
        order = std::min(order, kMax / j);
    if (k > 0)
        order = std::min(order, lMax / k);
    return order;
}

// Range of sin(theta) whose diffracted ray can reach the film: the film corner at radius R
// is seen under a scattering angle 2 phi with tan 2 phi = R / D.
struct SinThetaWindow {
    double lowest = 0.0;
    double highest = 0.0;
};

SinThetaWindow sinThetaWindow(const SpotComputationInput& input) {
    const double cornerRadius = std::hypot(input.halfFilmWidth, input.halfFilmHeight);
    const double phi = std::atan(cornerRadius / input.settings.distance) / 2.0;
    if (input.settings.geometry == Transmission)
        return {0.0001, std::sin(phi)};
    return {std::cos(phi), 0.9999};
}

class SpotWalker {
public:
    explicit SpotWalker(const SpotComputationInput& input)
        : m_input(input), m_orientation(computeOrientation(input.settings, input.basis)),
          m_window(sinThetaWindow(input)) {}

    void visitTriple(int i, int j, int k, int nMax, SpotComputationResult& result) {
        const bool hi = i != 0, hj = j != 0, hk = k != 0;
        // Zero indices have no sign variant; the order of the variants fixes the list order.
        visitReflection(i, j, k, nMax, result);
        if (hi)
            visitReflection(-i, j, k, nMax, result);
        if (hj)
            visitReflection(i, -j, k, nMax, result);
        if (hk)
            visitReflection(i, j, -k, nMax, result);
        if (hi && hj)
            visitReflection(-i, -j, k, nMax, result);
        if (hi && hk)
            visitReflection(-i, j, -k, nMax, result);
        if (hj && hk)
            visitReflection(i, -j, -k, nMax, result);
        if (hi && hj && hk)
            visitReflection(-i, -j, -k, nMax, result);
    }

private:
    void visitReflection(int h, int k, int l, int nMax, SpotComputationResult& result) {
        const Vector3 g = labComponents(m_orientation, h, k, l);
        const double gLength = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        const double sinTheta = g[0] / gLength;
        if (!(sinTheta >= m_window.lowest && sinTheta <= m_window.highest))
            return;
        const double lambda1 = 2.0 * sinTheta / gLength;
        // Diffracted direction for a beam travelling along -e1.
        const double e = 2.0 * sinTheta * sinTheta - 1.0;
        const double p = 2.0 * sinTheta * g[1] / gLength;
        const double q = 2.0 * sinTheta * g[2] / gLength;
        const double d = m_input.settings.distance;
        const double sign = m_input.settings.geometry == Transmission ? -1.0 : 1.0;
        const double x = sign * d * p / e;
        const double y = sign * d * q / e;
        if (!(std::fabs(x) <= m_input.halfFilmWidth && std::fabs(y) <= m_input.halfFilmHeight))
            return;
        LaueSpot spot;
        for (int n = 1; n <= nMax; ++n) {
            const double lambda = lambda1 / n;
            if (lambda > kLongestHarmonicWavelength)
                continue;
            const double s = sinTheta / lambda;
            const double f2 =
                std::norm(structureFactor(n * h, n * k, n * l, s * s, *m_input.groups));
            const double intensity = harmonicIntensity(f2, sinTheta, lambda, *m_input.spectrum);
            if (intensity > m_input.minimumIntensity) {
                spot.harmonics.push_back({n, f2, intensity});
                spot.intensity += intensity;
            }
        }
        if (!(spot.intensity > m_input.minimumIntensity))
            return;
        spot.h = h;
        spot.k = k;
        spot.l = l;
        spot.x = x;
        spot.y = y;
        spot.wavelength = lambda1;
        spot.dSpacing = 1.0 / gLength;
        spot.harmonics.shrink_to_fit();
        result.strongestIntensity = std::max(result.strongestIntensity, spot.intensity);
        result.spots.push_back(std::move(spot));
    }

    const SpotComputationInput& m_input;
    CrystalOrientation m_orientation;
    SinThetaWindow m_window;
};

} // namespace

SpotComputationResult computeLaueSpots(const SpotComputationInput& input) {
    SpotComputationResult result;
    // Without an established distance there is no film to project onto.
    if (input.groups == nullptr || input.spectrum == nullptr || !(input.settings.distance >= 1.0))
        return result;
    const int hMax = std::clamp(input.settings.Hmax, 0, kMaxIndexLimit);
    const int kMax = std::clamp(input.settings.Kmax, 0, kMaxIndexLimit);
    const int lMax = std::clamp(input.settings.Lmax, 0, kMaxIndexLimit);
    SpotWalker walker(input);
    for (int i = 0; i <= hMax; ++i) {
        for (int j = 0; j <= kMax; ++j) {
            for (int k = 0; k <= lMax; ++k) {
                if ((i == 0 && j == 0 && k == 0) || !isPrimitive(i, j, k))
                    continue;
                walker.visitTriple(i, j, k, highestHarmonic(i, j, k, hMax, kMax, lMax), result);
            }
        }
    }
    return result;
}

} // namespace xtalsp
