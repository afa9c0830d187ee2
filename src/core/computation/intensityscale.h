// The intensity bookkeeping of a pattern: the minimum-intensity cut and the saturation that
// decides how dark each spot is drawn.
#pragma once

namespace xtalsp {

// The minimum intensities the Adjust Intensity dialog accepts.
inline constexpr double kMinMinimumIntensity = 1e-8;
inline constexpr double kMaxMinimumIntensity = 10000.0;

struct IntensityScale {
    double minimumIntensity = 1.0;    // harmonics and spots at or below it are dropped
    double saturationIntensity = 0.0; // drawn fully dark at and above this
    double saturationFraction = 1.0;  // saturationIntensity / strongestIntensity; 1 = 100 %
    bool resetSaturation = true;      // the next computation takes the strongest spot
    double strongestIntensity = 0.0;  // total intensity of the last computation's strongest spot

    bool operator==(const IntensityScale&) const = default;
};

} // namespace xtalsp
