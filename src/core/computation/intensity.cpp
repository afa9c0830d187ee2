// Structure factor, spectrum lookup, harmonic intensity and saturation bookkeeping.
#include "core/computation/intensity.h"

#include "core/computation/scatteringtable.h"

#include <cmath>

namespace xtalsp {
namespace {

// A strongest spot at or below this means the computation found nothing to scale by.
constexpr double kMinStrongestIntensity = 1e-8;
// A saturation more than 100 times the strongest spot (10000 %) would leave every spot pale.
constexpr double kMaxSaturationFraction = 100.0;

} // namespace

std::complex<double> structureFactor(int h, int k, int l, double s2,
                                     const std::vector<ElementGroup>& groups) {
    const double twoPi = 2.0 * (4.0 * std::atan(1.0));
    double re = 0.0;
    double im = 0.0;
    for (const ElementGroup& group : groups) {
        // All sites of one element share f, so it is evaluated once per group.
        const double f = scatteringFactor(group.element, s2);
        double sumCos = 0.0;
        double sumSin = 0.0;
        for (const SitePosition& site : group.sites) {
            const double phase = twoPi * (h * site.x + k * site.y + l * site.z);
            sumCos += site.occupancy * std::cos(phase);
            sumSin += site.occupancy * std::sin(phase);
        }
        re += f * sumCos;
        im += f * sumSin;
    }
    return {re, im};
}

double spectrumAt(const Spectrum& spectrum, double lambda) {
    // Sample i lies at i * 0.01 Angstrom. The negated test also turns NaN away.
    const double position = 100.0 * lambda;
    const double lastSample = static_cast<double>(kSpectrumSize - 1);
    if (!(position >= 0.0 && position <= lastSample))
        return 0.0;
    const auto i = static_cast<std::size_t>(position);
    if (i == kSpectrumSize - 1)
        return spectrum.intensity[i];
    const double below = spectrum.intensity[i];
    const double above = spectrum.intensity[i + 1];
    return below + (above - below) * (position - static_cast<double>(i));
}

double harmonicIntensity(double structureFactorSquared, double sinTheta, double lambda,
                         const Spectrum& spectrum) {
    if (!(sinTheta > 0.0 && sinTheta < 1.0))
        return 0.0;
    const double sin2 = sinTheta * sinTheta;
    const double polarisation = 1.0 - 2.0 * sin2 + 2.0 * sin2 * sin2;
    const double sinTimesCos = sinTheta * std::sqrt(1.0 - sin2);
    return structureFactorSquared * spectrumAt(spectrum, lambda) * lambda * lambda * lambda *
           polarisation / sinTimesCos;
}

void updateSaturation(IntensityScale& scale) {
    if (!(scale.strongestIntensity > kMinStrongestIntensity))
        return;
    if (scale.resetSaturation) {
        scale.saturationIntensity = scale.strongestIntensity;
        scale.resetSaturation = false;
    }
    scale.saturationFraction = scale.saturationIntensity / scale.strongestIntensity;
    if (scale.saturationFraction > kMaxSaturationFraction) {
        scale.saturationFraction = 1.0;
        scale.saturationIntensity = scale.strongestIntensity;
    }
}

} // namespace xtalsp
