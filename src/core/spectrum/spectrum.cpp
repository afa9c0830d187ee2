// Validity and normalisation of the incident spectrum.
#include "core/spectrum/spectrum.h"

#include <cmath>

namespace xtalsp {

double largestIntensity(const Spectrum& spectrum) {
    // A NaN entry in front stays the result (every comparison with it fails), which makes the
    // spectrum invalid instead of hiding the NaN.
    double largest = spectrum.intensity.front();
    for (const double value : spectrum.intensity)
        if (value > largest)
            largest = value;
    return largest;
}

bool isValidSpectrum(const Spectrum& spectrum) {
    for (const double value : spectrum.intensity)
        if (!std::isfinite(value) || value < 0.0)
            return false;
    return largestIntensity(spectrum) >= kMinSpectrumMaximum;
}

Message invalidSpectrumMessage() {
    return Message{"At least one item should be greater than 1e-8.\n"
                   "Please check the spectrum data again!",
                   ""};
}

Status NormalizeSpectrum(Spectrum& spectrum) {
    if (!isValidSpectrum(spectrum))
        return invalidSpectrumMessage();
    const double largest = largestIntensity(spectrum);
    for (double& value : spectrum.intensity)
        value /= largest;
    return Status::success();
}

} // namespace xtalsp
