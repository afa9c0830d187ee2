// Peaks placed on the film, and their CSV form.
#pragma once

#include "core/image/calibration.h"
#include "core/image/peaksearch.h"

#include <string>
#include <vector>

namespace xtalsp {

// A measured peak in film coordinates (mm from the beam centre, x right, y up).
struct FilmPeak {
    double xMm = 0.0;
    double yMm = 0.0;
    double intensity = 0.0;

    bool operator==(const FilmPeak&) const = default;
};

std::vector<FilmPeak> peaksOnFilm(const std::vector<ImagePeak>& peaks,
                                  const ImageCalibration& calibration);

// The shortest decimal text that reads back as exactly the same double (std::to_chars);
// negative zero is written as 0.
std::string shortestNumberText(double value);

// UTF-8 CSV: the header "x_mm,y_mm,intensity", then one peak a line, LF line ends.
std::string formatPeaksCsv(const std::vector<FilmPeak>& peaks);

} // namespace xtalsp
