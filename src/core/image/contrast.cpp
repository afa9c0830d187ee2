// Contrast mapping and the proposal of black and white levels from percentiles.
#include "core/image/contrast.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

double scaled(double fraction, ContrastScale scale) {
    switch (scale) {
    case ContrastScale::SquareRoot:
        return std::sqrt(fraction);
    case ContrastScale::Logarithmic: {
        const double range = std::pow(10.0, kLogarithmicDecades) - 1.0;
        return std::log1p(range * fraction) / std::log1p(range);
    }
    case ContrastScale::Linear:
        break;
    }
    return fraction;
}

double fractionBetweenLevels(double value, const ContrastSettings& s) {
    if (!(s.whiteLevel > s.blackLevel))
        return value >= s.whiteLevel ? 1.0 : 0.0;
    return std::clamp((value - s.blackLevel) / (s.whiteLevel - s.blackLevel), 0.0, 1.0);
}

} // namespace

std::uint8_t greyLevel(double value, const ContrastSettings& settings) {
    if (std::isnan(value))
        return settings.invert ? 255 : 0;
    const double fraction = scaled(fractionBetweenLevels(value, settings), settings.scale);
    const auto grey = static_cast<std::uint8_t>(std::lround(255.0 * fraction));
    return settings.invert ? static_cast<std::uint8_t>(255 - grey) : grey;
}

ContrastSettings proposedContrast(const DetectorImage& image, ContrastScale scale) {
    ContrastSettings settings;
    settings.scale = scale;
    if (image.pixels.empty())
        return settings;
    constexpr std::size_t kSampleSize = std::size_t{1} << 20;
    const std::size_t step = std::max<std::size_t>(1, image.pixels.size() / kSampleSize);
    std::vector<float> sample;
    sample.reserve(image.pixels.size() / step + 1);
    for (std::size_t i = 0; i < image.pixels.size(); i += step)
        sample.push_back(image.pixels[i]);
    const auto percentile = [&sample](double fraction) {
        const auto at = sample.begin() + static_cast<std::ptrdiff_t>(
                                             fraction * static_cast<double>(sample.size() - 1));
        std::nth_element(sample.begin(), at, sample.end());
        return static_cast<double>(*at);
    };
    settings.blackLevel = percentile(0.005);
    settings.whiteLevel = percentile(0.995);
    if (!(settings.whiteLevel > settings.blackLevel))
        settings.whiteLevel = settings.blackLevel + 1.0;
    return settings;
}

std::string_view contrastScaleName(ContrastScale scale) {
    switch (scale) {
    case ContrastScale::SquareRoot:
        return "sqrt";
    case ContrastScale::Logarithmic:
        return "log";
    case ContrastScale::Linear:
        break;
    }
    return "linear";
}

std::optional<ContrastScale> contrastScaleFromName(std::string_view name) {
    for (ContrastScale scale :
         {ContrastScale::Linear, ContrastScale::SquareRoot, ContrastScale::Logarithmic})
        if (contrastScaleName(scale) == name)
            return scale;
    return std::nullopt;
}

} // namespace xtalsp
