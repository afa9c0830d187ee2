// The image shown behind a pattern and its calibration, kept beside the pattern file in
// NAME.ptn.image (JSON), so that the pattern file itself keeps its layout.
#pragma once

#include "core/image/calibration.h"
#include "core/image/contrast.h"
#include "core/image/detectorimage.h"
#include "core/image/peaklist.h"

#include <optional>
#include <string>
#include <vector>

namespace xtalsp {

inline constexpr int kPatternImageFormatVersion = 1;

struct PatternImageSettings {
    // In memory a path that opens the image (absolute, or relative to the working folder);
    // in the file relative to the pattern file's folder when the image lies on the same drive.
    std::string imagePath;
    ImageCalibration calibration;
    ContrastSettings contrast;
    double spotOpacity = 1.0; // of the simulated spots drawn over the image, 0 to 1
    std::vector<FilmPeak> peaks;
    std::vector<FilmPoint> markedSpots; // measured spots marked by hand, film mm

    bool operator==(const PatternImageSettings&) const;
};

// "NAME.ptn" -> "NAME.ptn.image".
std::string patternImageSettingsPath(const std::string& patternPath);

// The JSON text (UTF-8, LF) for a pattern saved at `patternPath`; fails only for an image path
// that is not UTF-8.
Result<std::string> formatPatternImageSettings(const PatternImageSettings& settings,
                                               const std::string& patternPath);
// Reads the text of `settingsPath`, the settings file of the pattern at `patternPath`. Every
// field is checked; a failure names the file and the field.
Result<PatternImageSettings> parsePatternImageSettings(const std::string& text,
                                                       const std::string& settingsPath,
                                                       const std::string& patternPath);

// Writes NAME.ptn.image beside the pattern; returns the failure message, if any.
Status writePatternImageSettings(const PatternImageSettings& settings,
                                 const std::string& patternPath);

// What opening a pattern finds beside it. No settings file: nullopt. Otherwise the settings,
// and the image when it could be read; when it could not, `imageProblem` says why and the
// calibration is kept so the user can point to the image again.
struct OpenedPatternImage {
    PatternImageSettings settings;
    std::optional<DetectorImage> image;
    std::optional<Message> imageProblem;
};
std::optional<Result<OpenedPatternImage>> openPatternImage(const std::string& patternPath,
                                                           const ImageReader& readImage);

} // namespace xtalsp
