// The spot CSV.
#include "core/document/spotcsv.h"

#include "core/computation/filmunits.h"
#include "core/image/peaklist.h"

namespace xtalsp {

namespace {

std::string spotLine(const LaueSpot& spot, double saturationIntensity) {
    const long long n = spot.labelOrder;
    return std::to_string(n * spot.h) + ',' + std::to_string(n * spot.k) + ',' +
           std::to_string(n * spot.l) + ',' + shortestNumberText(mmFromFilmUnits(spot.x)) + ',' +
           shortestNumberText(mmFromFilmUnits(spot.y)) + ',' +
           shortestNumberText(spot.wavelength / static_cast<double>(n)) + ',' +
           shortestNumberText(spot.intensity) + ',' +
           shortestNumberText(spot.intensity / saturationIntensity * 100.0) + '\n';
}

} // namespace

std::string formatSpotCsv(std::span<const LaueSpot> spots, double saturationIntensity) {
    std::string text = "h,k,l,x_mm,y_mm,wavelength,intensity,percent\n";
    for (auto spot = spots.rbegin(); spot != spots.rend(); ++spot)
        text += spotLine(*spot, saturationIntensity);
    return text;
}

} // namespace xtalsp
