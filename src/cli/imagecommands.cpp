// The peaks command: the measured spots of a detector image or scanned film as CSV.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"

#include "core/image/calibration.h"
#include "core/image/detectorimage.h"
#include "core/image/peaklist.h"
#include "core/image/peaksearch.h"

#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kPeaksUsage =
    "usage: xtalsp-cli peaks IMAGE --pixel-mm P [--pixel-mm-y P2] --centre X Y\n"
    "                        [--flip h|v|hv] [--rotate 90|180|270] [--threshold SIGMA]\n"
    "                        [--csv OUT]\n"
    "\n"
    "Finds the spots in a TIFF or CBF image and writes them as CSV (header\n"
    "x_mm,y_mm,intensity): positions in mm from the beam centre on the film, x to the\n"
    "right and y up as seen from the source; intensity is the background-subtracted\n"
    "sum over the spot.\n"
    "\n"
    "  --pixel-mm P       pixel pitch along the image's columns, in mm\n"
    "  --pixel-mm-y P2    pitch along its rows (default: P)\n"
    "  --centre X Y       beam centre in pixels of the image as stored: column, row,\n"
    "                     from the centre of the top-left pixel, rows growing downwards\n"
    "  --flip h|v|hv      turn the sign of x, of y or of both\n"
    "  --rotate R         then turn by R degrees counter-clockwise, seen from the source\n"
    "  --threshold SIGMA  peak threshold in standard deviations of the background noise\n"
    "                     (default 5)\n"
    "  --csv OUT          write the CSV to OUT instead of standard output\n";

constexpr FieldRange kPixelMmField{1e-4, 100.0, false};
constexpr FieldRange kCentrePixelField{-1e6, 1e6, false};
constexpr FieldRange kThresholdSigmaField{1.0, 1000.0, false};

ImageCalibration readCalibration(const ParsedArguments& parsed) {
    for (const char* required : {"--pixel-mm", "--centre"})
        if (!parsed.has(required))
            throw UsageError{std::string("missing ") + required};
    ImageCalibration calibration;
    calibration.columnPitchMm = optionNumber(parsed, "--pixel-mm", kPixelMmField);
    calibration.rowPitchMm = parsed.has("--pixel-mm-y")
                                 ? optionNumber(parsed, "--pixel-mm-y", kPixelMmField)
                                 : calibration.columnPitchMm;
    const std::vector<double> centre = optionNumbers(parsed, "--centre", kCentrePixelField);
    calibration.centreColumn = centre[0];
    calibration.centreRow = centre[1];
    if (parsed.has("--flip")) {
        const auto flip = flipFromName(parsed.value("--flip"));
        if (!flip)
            throw UsageError{"--flip must be h, v or hv"};
        calibration.flip = *flip;
    }
    if (parsed.has("--rotate")) {
        const std::string& text = parsed.value("--rotate");
        if (text != "0" && text != "90" && text != "180" && text != "270")
            throw UsageError{"--rotate must be 90, 180 or 270"};
        calibration.rotationDegrees = std::stoi(text);
    }
    return calibration;
}

PeakSearchSettings readSearchSettings(const ParsedArguments& parsed) {
    PeakSearchSettings settings;
    if (parsed.has("--threshold"))
        settings.thresholdSigma = optionNumber(parsed, "--threshold", kThresholdSigmaField);
    return settings;
}

} // namespace

int runPeaksCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    const std::vector<OptionSpec> specs = {
        {"--pixel-mm", 1}, {"--pixel-mm-y", 1}, {"--centre", 2}, {"--flip", 1},
        {"--rotate", 1},   {"--threshold", 1},  {"--csv", 1}};
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kPeaksUsage, out, err, parsed, status))
        return status;
    ImageCalibration calibration;
    PeakSearchSettings search;
    try {
        if (parsed.positional.size() != 1)
            throw UsageError{"expected exactly one IMAGE"};
        calibration = readCalibration(parsed);
        search = readSearchSettings(parsed);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kPeaksUsage;
        return kExitUsageError;
    }
    const Result<DetectorImage> image = readDetectorImage(parsed.positional.front());
    if (!image.ok()) {
        reportMessage(err, image.failure());
        return kExitFileError;
    }
    const std::string csv =
        formatPeaksCsv(peaksOnFilm(findPeaks(image.value(), search), calibration));
    const std::string target = parsed.has("--csv") ? parsed.value("--csv") : "-";
    return writeOutput(target, csv, out, err) ? kExitSuccess : kExitFileError;
}

} // namespace xtalsp::cli
