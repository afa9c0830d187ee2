// Pictures from the command line: the pattern's picture as a metafile, SVG, PDF or PNG, and
// the merge of a pattern with merging files.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"
#include "cli/pictureformats.h"
#include "cli/progressline.h"

#include "core/document/xtalspdoc.h"
#include "core/io/filebytes.h"
#include "core/platform/settingsstore.h"
#include "render/emfcanvas.h"
#include "render/pictureexport.h"

#include <array>
#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr FieldRange kDpiField{kMinPictureDpi, kMaxPictureDpi, false};
constexpr FieldRange kScaleField{kMinPictureScale, kMaxPictureScale, false};

constexpr std::string_view kMergeUsage =
    "usage: xtalsp-cli merge --pattern FILE.ptn --out OUT.wmf --file1 A.mrg\n"
    "                        [--color1 gray|red|blue] [--file2 B.mrg [--color2 gray|red|blue]]\n"
    "\n"
    "Draws the pattern of FILE.ptn (computed again, with its crossline, spot size and grey\n"
    "levels) together with the spots of one or two merging files, each in its colour, into\n"
    "one picture. The picture is an enhanced metafile unless OUT ends in .svg, .pdf or .png.\n"
    "\n"
    "  --color1, --color2 C     gray (grey levels or black, the default), red or blue; with\n"
    "                           blue the beam-centre mark is drawn green\n"
    "  --crossline 0|1          override the pattern's crossline\n"
    "  --dpi N                  resolution of a PNG picture, 10 to 1200 (default 300)\n"
    "  --scale S                size of an SVG, PDF or PNG picture: 0.5 half the film's size\n"
    "                           (default), 1 true size; 0.1 to 2\n";

bool flagOption(const ParsedArguments& parsed, const std::string& option, bool current) {
    if (!parsed.has(option))
        return current;
    const std::string& value = parsed.value(option);
    if (value != "0" && value != "1")
        throw UsageError{option + " must be 0 or 1"};
    return value == "1";
}

double dpiOption(const ParsedArguments& parsed) {
    return parsed.has("--dpi") ? optionNumber(parsed, "--dpi", kDpiField) : kDefaultPictureDpi;
}

double scaleOption(const ParsedArguments& parsed) {
    return parsed.has("--scale") ? optionNumber(parsed, "--scale", kScaleField)
                                 : kDefaultPictureScale;
}

// The drawing options of a freshly opened view of the document.
ViewDrawingOptions pictureOptions(const CXtalspDoc& doc, const ParsedArguments& parsed) {
    ViewDrawingOptions options;
    options.spotWidth = doc.spotWidth();
    options.spotHeight = doc.spotHeight();
    options.showCrossline = flagOption(parsed, "--crossline", doc.showCrossline());
    options.showIndex = flagOption(parsed, "--labels", doc.showIndex());
    options.grayscaleSpots = doc.grayscaleSpots();
    return options;
}

void requireFilePath(const std::string& option, const std::string& path) {
    if (path == "-")
        throw UsageError{option + " needs a file name: pictures are not written to "
                                  "standard output"};
}

struct PictureOutput {
    std::string option;
    std::optional<ImageKind> kind; // nothing: enhanced metafile
};

const std::array<PictureOutput, 4> kPictureOutputs = {{{"--emf", std::nullopt},
                                                       {"--svg", ImageKind::Svg},
                                                       {"--pdf", ImageKind::Pdf},
                                                       {"--png", ImageKind::Png}}};

std::optional<PictureFormat> formatOf(const PictureOutput& output, double dpi, double scale) {
    if (!output.kind)
        return metafileFormat();
    return imageFormat(*output.kind, dpi, scale);
}

std::string unavailable(const std::string& option) {
    return option + " is not available: this xtalsp-cli was built without Qt";
}

} // namespace

const std::vector<OptionSpec>& pictureOutputOptions() {
    static const std::vector<OptionSpec> specs = {
        {"--emf", 1}, {"--svg", 1},   {"--pdf", 1},    {"--png", 1},
        {"--dpi", 1}, {"--scale", 1}, {"--labels", 1}, {"--crossline", 1}};
    return specs;
}

bool hasPictureOutput(const ParsedArguments& parsed) {
    for (const PictureOutput& output : kPictureOutputs) {
        if (parsed.has(output.option))
            return true;
    }
    return false;
}

std::optional<std::string> checkPictureOptions(const ParsedArguments& parsed) {
    try {
        dpiOption(parsed);
        scaleOption(parsed);
        flagOption(parsed, "--crossline", true);
        flagOption(parsed, "--labels", true);
        for (const PictureOutput& output : kPictureOutputs) {
            if (!parsed.has(output.option))
                continue;
            requireFilePath(output.option, parsed.value(output.option));
            if (!formatOf(output, kDefaultPictureDpi, kDefaultPictureScale))
                return unavailable(output.option);
        }
    } catch (const UsageError& error) {
        return error.text;
    }
    return std::nullopt;
}

bool writePictureOutputs(const CXtalspDoc& doc, const ParsedArguments& parsed, std::ostream& out,
                         std::ostream& err, const ImageUnderlay* underlay) {
    ViewDrawingOptions options = pictureOptions(doc, parsed);
    if (underlay) {
        options.underlay = underlay;
        options.spotOutlines = true; // the measured spots stay visible under the simulated ones
    }
    const double dpi = dpiOption(parsed);
    const double scale = scaleOption(parsed);
    CliPrompt prompt(err, &out);
    for (const PictureOutput& output : kPictureOutputs) {
        if (!parsed.has(output.option))
            continue;
        const std::optional<PictureFormat> format = formatOf(output, dpi, scale);
        if (!format || !exportPatternPicture(*format, parsed.value(output.option),
                                             patternContent(doc), options, prompt))
            return false;
    }
    return true;
}

namespace {

int mergeColour(const ParsedArguments& parsed, const std::string& option) {
    if (!parsed.has(option))
        return MergeGreyLevels;
    const std::string& name = parsed.value(option);
    if (name == "gray" || name == "grey" || name == "black")
        return MergeGreyLevels;
    if (name == "red")
        return MergeRed;
    if (name == "blue")
        return MergeBlue;
    throw UsageError{option + " must be gray, red or blue"};
}

MergeRequest readMergeRequest(const ParsedArguments& parsed) {
    if (!parsed.positional.empty())
        throw UsageError{"unexpected argument '" + parsed.positional.front() + "'"};
    for (const char* option : {"--pattern", "--out", "--file1"}) {
        if (!parsed.has(option))
            throw UsageError{std::string("missing ") + option};
    }
    if (parsed.has("--color2") && !parsed.has("--file2"))
        throw UsageError{"--color2 needs --file2"};
    MergeRequest request;
    request.outputPath = parsed.value("--out");
    request.file1 = parsed.value("--file1");
    request.colour1 = mergeColour(parsed, "--color1");
    if (parsed.has("--file2"))
        request.file2 = parsed.value("--file2");
    request.colour2 = mergeColour(parsed, "--color2");
    requireFilePath("--out", request.outputPath);
    return request;
}

int merge(const ParsedArguments& parsed, std::ostream& out, std::ostream& err) {
    MergeRequest request = readMergeRequest(parsed);
    if (const auto problem = checkMergeRequest(request))
        throw UsageError{problem->message.text};
    if (mergeOutputIsAnInput(request))
        throw UsageError{differentOutputMessage().text};
    const double dpi = dpiOption(parsed);
    const std::optional<PictureFormat> format =
        pictureFormatForPath(request.outputPath, dpi, scaleOption(parsed));
    if (!format)
        throw UsageError{unavailable("an SVG, PDF or PNG picture")};
    CliPrompt prompt(err, &out);
    MemorySettingsStore settings;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, settings, progressLine));
    if (!loadPatternFile(doc, parsed.value("--pattern"), err))
        return kExitFileError;
    return mergePatternPicture(*format, request, patternContent(doc), pictureOptions(doc, parsed),
                               prompt)
               ? kExitSuccess
               : kExitFileError;
}

} // namespace

int runMergeCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    const std::vector<OptionSpec> specs = {{"--pattern", 1}, {"--out", 1},       {"--file1", 1},
                                           {"--color1", 1},  {"--file2", 1},     {"--color2", 1},
                                           {"--dpi", 1},     {"--crossline", 1}, {"--scale", 1}};
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kMergeUsage, out, err, parsed, status))
        return status;
    try {
        return merge(parsed, out, err);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kMergeUsage;
        return kExitUsageError;
    }
}

} // namespace xtalsp::cli
