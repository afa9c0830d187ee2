// The image commands: the measured spots of a detector image or scanned film as CSV, and a
// pattern's picture drawn over the image.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"
#include "cli/pictureformats.h"
#include "cli/progressline.h"

#include "core/image/calibration.h"
#include "core/image/detectorimage.h"
#include "core/image/filmraster.h"
#include "core/image/peaklist.h"
#include "core/image/peaksearch.h"
#include "core/platform/settingsstore.h"

#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kPeaksUsage =
    "usage: xtalsp-cli peaks IMAGE --pixel-mm P [--pixel-mm-y P2] --centre X Y\n"
    "                        [--flip h|v|hv] [--rotate 90|180|270] [--threshold SIGMA]\n"
    "                        [--csv OUT]\n"
    "\n"
    "Finds the spots in a TIFF, CBF, PNG or JPEG image and writes them as CSV (header\n"
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

} // namespace

const std::vector<OptionSpec>& imageCalibrationOptions() {
    static const std::vector<OptionSpec> specs = {
        {"--pixel-mm", 1}, {"--pixel-mm-y", 1}, {"--centre", 2}, {"--flip", 1}, {"--rotate", 1}};
    return specs;
}

ImageCalibration readImageCalibration(const ParsedArguments& parsed) {
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

namespace {

PeakSearchSettings readSearchSettings(const ParsedArguments& parsed) {
    PeakSearchSettings settings;
    if (parsed.has("--threshold"))
        settings.thresholdSigma = optionNumber(parsed, "--threshold", kThresholdSigmaField);
    return settings;
}

} // namespace

int runPeaksCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    std::vector<OptionSpec> specs = imageCalibrationOptions();
    specs.insert(specs.end(), {{"--threshold", 1}, {"--csv", 1}});
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kPeaksUsage, out, err, parsed, status))
        return status;
    ImageCalibration calibration;
    PeakSearchSettings search;
    try {
        if (parsed.positional.size() != 1)
            throw UsageError{"expected exactly one IMAGE"};
        calibration = readImageCalibration(parsed);
        search = readSearchSettings(parsed);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kPeaksUsage;
        return kExitUsageError;
    }
    const Result<DetectorImage> image = readImageFile(parsed.positional.front());
    if (!image.ok()) {
        reportMessage(err, image.failure());
        return kExitFileError;
    }
    const std::string csv =
        formatPeaksCsv(peaksOnFilm(findPeaks(image.value(), search), calibration));
    const std::string target = parsed.has("--csv") ? parsed.value("--csv") : "-";
    return writeOutput(target, csv, out, err) ? kExitSuccess : kExitFileError;
}

namespace {

constexpr std::string_view kOverlayUsage =
    "usage: xtalsp-cli overlay --pattern FILE.ptn --image IMAGE --pixel-mm P [--pixel-mm-y P2]\n"
    "                          --centre X Y [--flip h|v|hv] [--rotate 90|180|270]\n"
    "                          [--png OUT] [--pdf OUT] [--svg OUT] [--emf OUT] [--scale S]\n"
    "                          [--dpi N] [--labels 0|1] [--crossline 0|1]\n"
    "\n"
    "Draws the pattern of FILE.ptn (computed again) over a TIFF, CBF, PNG or JPEG image of\n"
    "the film, placed by the calibration as in the peaks command, the simulated spots as red\n"
    "outlines. The image's grey levels run linearly between its 0.5 % and 99.5 % percentiles.\n"
    "\n"
    "  --png OUT, --pdf OUT, --svg OUT, --emf OUT  the pictures to write (at least one)\n"
    "  --scale S                0.5 half the film's size (default), 1 true size; 0.1 to 2;\n"
    "                           the metafile is always half size\n"
    "  --dpi N                  resolution of a PNG picture, 10 to 1200 (default 300)\n";

void checkOverlayRequest(const ParsedArguments& parsed) {
    if (!parsed.positional.empty())
        throw UsageError{"unexpected argument '" + parsed.positional.front() + "'"};
    for (const char* option : {"--pattern", "--image"})
        if (!parsed.has(option))
            throw UsageError{std::string("missing ") + option};
    if (!hasPictureOutput(parsed))
        throw UsageError{"give at least one of --png, --pdf, --svg and --emf"};
    if (const auto problem = checkPictureOptions(parsed))
        throw UsageError{*problem};
}

int overlay(const ParsedArguments& parsed, const ImageCalibration& calibration, std::ostream& out,
            std::ostream& err) {
    const Result<DetectorImage> image = readImageFile(parsed.value("--image"));
    if (!image.ok()) {
        reportMessage(err, image.failure());
        return kExitFileError;
    }
    CliPrompt prompt(err);
    MemorySettingsStore settings;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, settings, progressLine));
    if (!loadPatternFile(doc, parsed.value("--pattern"), err))
        return kExitFileError;
    const ImageUnderlay underlay =
        filmRaster(image.value(), calibration, proposedContrast(image.value()));
    return writePictureOutputs(doc, parsed, out, err, &underlay) ? kExitSuccess : kExitFileError;
}

} // namespace

int runOverlayCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    std::vector<OptionSpec> specs = imageCalibrationOptions();
    specs.insert(specs.end(), {{"--pattern", 1},
                               {"--image", 1},
                               {"--png", 1},
                               {"--pdf", 1},
                               {"--svg", 1},
                               {"--emf", 1},
                               {"--scale", 1},
                               {"--dpi", 1},
                               {"--labels", 1},
                               {"--crossline", 1}});
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kOverlayUsage, out, err, parsed, status))
        return status;
    ImageCalibration calibration;
    try {
        checkOverlayRequest(parsed);
        calibration = readImageCalibration(parsed);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kOverlayUsage;
        return kExitUsageError;
    }
    return overlay(parsed, calibration, out, err);
}

} // namespace xtalsp::cli
