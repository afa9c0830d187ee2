// Conversion of image peaks to film coordinates and the peaks CSV.
#include "core/image/peaklist.h"

#include <charconv>

namespace xtalsp {

std::vector<FilmPeak> peaksOnFilm(const std::vector<ImagePeak>& peaks,
                                  const ImageCalibration& calibration) {
    std::vector<FilmPeak> onFilm;
    onFilm.reserve(peaks.size());
    for (const ImagePeak& peak : peaks) {
        const FilmPoint at = pixelToFilm(calibration, {peak.column, peak.row});
        onFilm.push_back({at.xMm, at.yMm, peak.intensity});
    }
    return onFilm;
}

std::string shortestNumberText(double value) {
    if (value == 0.0)
        return "0";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string formatPeaksCsv(const std::vector<FilmPeak>& peaks) {
    std::string text = "x_mm,y_mm,intensity\n";
    for (const FilmPeak& peak : peaks)
        text += shortestNumberText(peak.xMm) + ',' + shortestNumberText(peak.yMm) + ',' +
                shortestNumberText(peak.intensity) + '\n';
    return text;
}

} // namespace xtalsp
