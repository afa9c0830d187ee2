// The simulate, pattern and sf commands: the whole computation without a window.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"
#include "cli/persontext.h"
#include "cli/progressline.h"

#include "core/computation/diffractiondialogrules.h"
#include "core/computation/geometry.h"
#include "core/computation/structurefactorcalculator.h"
#include "core/document/fieldranges.h"
#include "core/document/mergingfile.h"
#include "core/document/patternstorable.h"
#include "core/document/spotcsv.h"
#include "core/document/textexport.h"
#include "core/document/xtalspdoc.h"
#include "core/io/filebytes.h"
#include "core/spectrum/spectrumfile.h"
#include "core/spectrum/spectrumtext.h"
#include "core/spectrum/tubespectrum.h"
#include "core/structure/cifstructure.h"
#include "core/structure/structurecheck.h"
#include "core/structure/structurefile.h"
#include "core/text/numbertext.h"

#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kSimulateUsage =
    "usage: xtalsp-cli simulate --structure FILE --geometry transmission|back\n"
    "                           --surface H K L --side h k l --distance-cm D [options]\n"
    "\n"
    "Computes the Laue pattern of a crystal as a new pattern with these settings would,\n"
    "with the built-in spectrum unless --spectrum is given. Without an output option the\n"
    "text listing goes to standard output.\n"
    "\n"
    "  --structure FILE         structure file (.struct text, archived .structure/.old, or\n"
    "                           .cif, whose atoms are expanded by its symmetry)\n"
    "  --block NAME             CIF data block (default: the first with a cell and atoms)\n"
    "  --geometry G             transmission or back (back reflection)\n"
    "  --surface H K L          crystal plane facing the beam\n"
    "  --side h k l             vertical side plane (horizontal direction on the film); one\n"
    "                           that is not perpendicular to the surface plane is replaced\n"
    "                           by the perpendicular plane the program proposes\n"
    "  --distance-cm D          sample-to-film distance, 0.02 to 500 cm\n"
    "  --hkl-max H K L          index limits, 1 to 999 (default: about 3 per Angstrom of a, b, c)\n"
    "  --rotation X Y           tilt about the horizontal and vertical film axes, degrees\n"
    "  --film-cm W H            film size, 2 to 500 cm (default 20 x 15)\n"
    "  --spot-mm W H            drawn spot size, 0.5 to 20 mm (default 2 x 2)\n"
    "  --spectrum FILE|builtin  incident spectrum (.Spectrum file or wavelength/intensity text)\n"
    "                           or tube:ANODE:KV[:nolines][:be=MM], an X-ray tube's spectrum\n"
    "  --min-intensity V        harmonics and spots at or below V are dropped (1e-8 to 10000,\n"
    "                           default 1)\n"
    "  --saturation-percent P   saturation level in percent of the strongest spot\n"
    "  --grayscale 0|1          grey levels by intensity (1, default) or all spots dark (0)\n"
    "  --text OUT               write the text listing (- for standard output)\n"
    "  --ptn OUT                write the pattern file\n"
    "  --mrg OUT                write the merging file\n"
    "  --csv OUT                write the spots as CSV (h,k,l,x_mm,y_mm,wavelength,\n"
    "                           intensity,percent; - for standard output)\n"
    "  --emf OUT                write the picture as an enhanced metafile (half size)\n"
    "  --svg OUT, --pdf OUT     write the picture as an SVG or PDF vector picture\n"
    "  --png OUT                write the picture as a PNG image\n"
    "  --dpi N                  resolution of a PNG picture, 10 to 1200 (default 300)\n"
    "  --scale S                size of SVG, PDF and PNG pictures: 0.5 half the film's size\n"
    "                           (default), 1 true size; 0.1 to 2\n"
    "  --labels 0|1             index labels in pictures (default 0)\n"
    "  --crossline 0|1          crossline in pictures (default 1)\n";

constexpr std::string_view kPatternUsage =
    "usage: xtalsp-cli pattern FILE.ptn [--text OUT] [--mrg OUT] [--ptn OUT] [--csv OUT]\n"
    "                          [--emf OUT] [--svg OUT] [--pdf OUT] [--png OUT [--dpi N]]\n"
    "                          [--scale S] [--labels 0|1] [--crossline 0|1]\n"
    "\n"
    "Opens a pattern file as the program does, computing its spots again, and writes the\n"
    "requested outputs (- for standard output; pictures only to files). Without an output\n"
    "option the text listing goes to standard output. Pictures show the crossline, labels,\n"
    "spot size and grey levels stored in the pattern unless --labels or --crossline say\n"
    "otherwise. --csv writes the spots as CSV; --scale 1 draws SVG, PDF and PNG pictures\n"
    "at the film's true size (default 0.5, half size).\n";

constexpr std::string_view kSfUsage =
    "usage: xtalsp-cli sf --structure FILE [--block NAME] H K L\n"
    "\n"
    "Prints |F|, the phase and the d-spacing of reflection (H K L), one a line, as the\n"
    "structure factor calculator shows them.\n";

const std::vector<OptionSpec> kOutputOptions = {
    {"--text", 1}, {"--ptn", 1}, {"--mrg", 1}, {"--csv", 1}};

std::array<double, 3> triple(const ParsedArguments& parsed, const std::string& option,
                             const FieldRange& range) {
    const std::vector<double> v = optionNumbers(parsed, option, range);
    return {v[0], v[1], v[2]};
}

std::array<double, 2> pair(const ParsedArguments& parsed, const std::string& option,
                           const FieldRange& range) {
    const std::vector<double> v = optionNumbers(parsed, option, range);
    return {v[0], v[1]};
}

// Everything simulate takes from its command line, checked before any file is read.
struct SimulateRequest {
    std::string structurePath;
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    std::array<double, 3> surface{}, side{};
    double distanceCm = 0.0;
    std::optional<std::array<double, 3>> indexLimits;
    std::array<double, 2> rotation{};
    std::optional<std::array<double, 2>> filmCm, spotMm;
    std::string spectrumPath = "builtin";
    double minimumIntensity = 1.0;
    std::optional<double> saturationPercent;
    bool grayscale = true;
};

void require(const ParsedArguments& parsed, const char* option) {
    if (!parsed.has(option))
        throw UsageError{std::string("missing ") + option};
}

SimulateRequest readSimulateRequest(const ParsedArguments& parsed) {
    if (!parsed.positional.empty())
        throw UsageError{"unexpected argument '" + parsed.positional.front() + "'"};
    for (const char* option : {"--structure", "--geometry", "--surface", "--side", "--distance-cm"})
        require(parsed, option);
    SimulateRequest r;
    r.structurePath = parsed.value("--structure");
    const std::string& geometry = parsed.value("--geometry");
    if (geometry != "transmission" && geometry != "back")
        throw UsageError{"--geometry must be transmission or back"};
    r.geometry = geometry == "back" ? DiffractionGeometry::BackReflection
                                    : DiffractionGeometry::Transmission;
    r.surface = triple(parsed, "--surface", kSurfaceIndexField);
    r.side = triple(parsed, "--side", kSideIndexField);
    r.distanceCm = optionNumber(parsed, "--distance-cm", kDistanceCmField);
    if (parsed.has("--hkl-max"))
        r.indexLimits = triple(parsed, "--hkl-max", kIndexLimitField);
    if (parsed.has("--rotation"))
        r.rotation = pair(parsed, "--rotation", kRotationDegreesField);
    if (parsed.has("--film-cm"))
        r.filmCm = pair(parsed, "--film-cm", kFilmSizeCmField);
    if (parsed.has("--spot-mm"))
        r.spotMm = pair(parsed, "--spot-mm", kSpotSizeMmField);
    if (parsed.has("--spectrum"))
        r.spectrumPath = parsed.value("--spectrum");
    if (parsed.has("--min-intensity"))
        r.minimumIntensity = optionNumber(parsed, "--min-intensity", kMinimumIntensityField);
    if (parsed.has("--saturation-percent"))
        r.saturationPercent = optionNumber(parsed, "--saturation-percent", kSaturationPercentField);
    if (parsed.has("--grayscale")) {
        const std::string& flag = parsed.value("--grayscale");
        if (flag != "0" && flag != "1")
            throw UsageError{"--grayscale must be 0 or 1"};
        r.grayscale = flag == "1";
    }
    return r;
}

} // namespace

// A spectrum as the spectrum editor imports it, normalised as it hands it back.
std::optional<Spectrum> importSpectrum(const std::string& path, std::ostream& err) {
    Spectrum spectrum;
    if (isTubeSpectrumName(path)) {
        Result<TubeSettings> tube = parseTubeSpectrumName(path);
        Result<Spectrum> generated = tube.ok() ? tubeSpectrum(tube.value()) : tube.failure();
        if (!generated.ok()) {
            reportMessage(err, generated.failure());
            return std::nullopt;
        }
        spectrum = generated.value();
    } else if (lowerExtensionOf(path) == "spectrum") {
        Result<Spectrum> read = readSpectrumFile(path);
        if (!read.ok()) {
            reportMessage(err, read.failure());
            return std::nullopt;
        }
        spectrum = read.value();
    } else {
        Result<SpectrumImport> read = readSpectrumText(path);
        if (!read.ok()) {
            reportMessage(err, read.failure());
            return std::nullopt;
        }
        if (const auto warning = spectrumItemCountWarning(read.value().itemCount, path))
            reportMessage(err, *warning);
        spectrum = read.value().spectrum;
    }
    if (const Status refusal = NormalizeSpectrum(spectrum); !refusal.ok()) {
        reportMessage(err, refusal.failure());
        return std::nullopt;
    }
    return spectrum;
}

// A structure as the structure editor would hand it back.
// A CIF file's data block is the one --block names, or the first with a structure.
std::optional<FlatStructure>
importCheckedStructure(const std::string& path, const ParsedArguments& parsed, std::ostream& err) {
    Result<FlatStructure> read =
        importAnyStructure(path, parsed.has("--block") ? parsed.value("--block") : "");
    if (!read.ok()) {
        reportMessage(err, read.failure());
        return std::nullopt;
    }
    FlatStructure structure = read.value();
    structure.name = trimmedName(structure.name);
    if (const Status failure = checkStructure(structure); !failure.ok()) {
        reportMessage(err, failure.failure());
        return std::nullopt;
    }
    return structure;
}

namespace {

std::string sideText(const std::array<double, 3>& plane) {
    return "(" + formatG(plane[0]) + " " + formatG(plane[1]) + " " + formatG(plane[2]) + ")";
}

// The diffraction settings dialog as the user fills it from the command line.
DiffractionSettingsEditor commandLineSettings(const SimulateRequest& request, CliPrompt& prompt,
                                              std::ostream& err) {
    return [&request, &prompt, &err](const CXtalspDoc& doc) -> std::optional<DiffractionSettings> {
        DiffractionDialogValues values = initialDiffractionDialogValues(
            doc.settings(), doc.structure().a, doc.structure().b, doc.structure().c);
        values.geometry = request.geometry;
        values.surfacePlane = request.surface;
        values.sidePlane = request.side;
        values.distanceCm = request.distanceCm;
        if (request.indexLimits) {
            values.Hmax = (*request.indexLimits)[0];
            values.Kmax = (*request.indexLimits)[1];
            values.Lmax = (*request.indexLimits)[2];
        }
        const auto accepted =
            acceptDiffractionDialog(values, doc.settings(), doc.reciprocalBasis(), prompt);
        if (accepted && accepted->sidePlane != request.side)
            err << "xtalsp-cli: note: the side plane " << sideText(request.side)
                << " is not perpendicular to the surface plane; using "
                << sideText(accepted->sidePlane) << "\n";
        return accepted;
    };
}

bool writeDocumentOutputs(const CXtalspDoc& doc, const ParsedArguments& parsed, std::ostream& out,
                          std::ostream& err) {
    const bool any = parsed.has("--text") || parsed.has("--ptn") || parsed.has("--mrg") ||
                     parsed.has("--csv") || hasPictureOutput(parsed);
    const PatternListingInput listing{doc.structure().name, doc.settings(),
                                      doc.intensityScale().saturationIntensity, &doc.spots()};
    // The listing a person reads on the terminal is UTF-8; asked for as a file, even as "-",
    // it keeps the bytes of the file.
    if (!any && !writeOutput("-", personText(formatPatternListing(listing)), out, err))
        return false;
    if (parsed.has("--text") &&
        !writeOutput(parsed.value("--text"), formatPatternListing(listing), out, err))
        return false;
    if (parsed.has("--ptn")) {
        if (const Status refusal = unstorablePattern(doc); !refusal.ok()) {
            reportMessage(err, refusal.failure());
            return false;
        }
        if (!writeOutput(parsed.value("--ptn"), doc.serialize(), out, err))
            return false;
    }
    if (parsed.has("--mrg")) {
        if (const Status refusal =
                unstorableMergingData(doc.spotWidth(), doc.spotHeight(), doc.grayscaleSpots(),
                                      doc.intensityScale().saturationIntensity, doc.spots());
            !refusal.ok()) {
            reportMessage(err, refusal.failure());
            return false;
        }
        const std::string bytes =
            encodeMergingFile(doc.spotWidth(), doc.spotHeight(), doc.grayscaleSpots(),
                              doc.intensityScale().saturationIntensity, doc.spots());
        if (!writeOutput(parsed.value("--mrg"), bytes, out, err))
            return false;
    }
    if (parsed.has("--csv") &&
        !writeOutput(parsed.value("--csv"),
                     formatSpotCsv(doc.spots(), doc.intensityScale().saturationIntensity), out,
                     err))
        return false;
    return writePictureOutputs(doc, parsed, out, err);
}

// The inputs a new pattern takes before its first computation; the request holds them within
// the ranges of the dialog fields that set them.
void applyPatternOptions(CXtalspDoc& doc, const SimulateRequest& r,
                         const std::optional<Spectrum>& spectrum) {
    PatternInputs inputs = doc.inputs();
    if (spectrum)
        inputs.spectrum = *spectrum;
    if (r.filmCm) {
        inputs.filmWidth = filmUnitsFromCm((*r.filmCm)[0]);
        inputs.filmHeight = filmUnitsFromCm((*r.filmCm)[1]);
    }
    if (r.spotMm) {
        inputs.spotWidth = filmUnitsFromMm((*r.spotMm)[0]);
        inputs.spotHeight = filmUnitsFromMm((*r.spotMm)[1]);
    }
    inputs.settings.rotationX = r.rotation[0];
    inputs.settings.rotationY = r.rotation[1];
    inputs.intensityScale.minimumIntensity = r.minimumIntensity;
    inputs.grayscaleSpots = r.grayscale;
    doc.restoreInputs(std::move(inputs));
}

int simulate(const SimulateRequest& request, const ParsedArguments& parsed, std::ostream& out,
             std::ostream& err) {
    CliPrompt prompt(err);
    MemorySettingsStore settings; // the user's own settings stay untouched
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, settings, progressLine));
    std::optional<Spectrum> spectrum;
    if (request.spectrumPath != "builtin") {
        spectrum = importSpectrum(request.spectrumPath, err);
        if (!spectrum)
            return kExitFileError;
    }
    const std::optional<FlatStructure> structure =
        importCheckedStructure(request.structurePath, parsed, err);
    if (!structure)
        return kExitFileError;
    applyPatternOptions(doc, request, spectrum);
    doc.takeStructure(*structure, commandLineSettings(request, prompt, err));
    if (!doc.hasEstablishedSettings())
        return kExitUsageError; // the settings dialog refused the planes; its message is out
    if (request.saturationPercent)
        doc.takeIntensityAdjustment(*request.saturationPercent,
                                    doc.intensityScale().minimumIntensity);
    return writeDocumentOutputs(doc, parsed, out, err) ? kExitSuccess : kExitFileError;
}

} // namespace

int runSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err) {
    std::vector<OptionSpec> specs = {
        {"--structure", 1}, {"--geometry", 1},      {"--surface", 3},
        {"--side", 3},      {"--distance-cm", 1},   {"--hkl-max", 3},
        {"--rotation", 2},  {"--film-cm", 2},       {"--spot-mm", 2},
        {"--spectrum", 1},  {"--min-intensity", 1}, {"--saturation-percent", 1},
        {"--grayscale", 1}, {"--block", 1}};
    specs.insert(specs.end(), kOutputOptions.begin(), kOutputOptions.end());
    specs.insert(specs.end(), pictureOutputOptions().begin(), pictureOutputOptions().end());
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kSimulateUsage, out, err, parsed, status))
        return status;
    try {
        if (const auto problem = checkPictureOptions(parsed))
            throw UsageError{*problem};
        return simulate(readSimulateRequest(parsed), parsed, out, err);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kSimulateUsage;
        return kExitUsageError;
    }
}

int runPatternCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err) {
    std::vector<OptionSpec> specs = kOutputOptions;
    specs.insert(specs.end(), pictureOutputOptions().begin(), pictureOutputOptions().end());
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kPatternUsage, out, err, parsed, status))
        return status;
    std::optional<std::string> problem = checkPictureOptions(parsed);
    if (parsed.positional.size() != 1)
        problem = "expected exactly one FILE.ptn";
    if (problem) {
        err << "xtalsp-cli: " << *problem << "\n" << kPatternUsage;
        return kExitUsageError;
    }
    CliPrompt prompt(err);
    MemorySettingsStore settings;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, settings, progressLine));
    if (!loadPatternFile(doc, parsed.positional.front(), err))
        return kExitFileError;
    return writeDocumentOutputs(doc, parsed, out, err) ? kExitSuccess : kExitFileError;
}

bool loadPatternFile(CXtalspDoc& doc, const std::string& path, std::ostream& err) {
    const FileBytes bytes = readFileBytes(path);
    if (!bytes.ok()) {
        err << (bytes.failedWith(FileReadError::CannotOpen) ? "Cannot open the file "
                                                            : "Cannot read the file ")
            << path << "\n";
        return false;
    }
    const Status read = doc.deserialize(bytes.value());
    if (!read.ok())
        reportMessage(err, read.failure());
    return read.ok();
}

int runStructureFactorCommand(const std::vector<std::string>& arguments, std::ostream& out,
                              std::ostream& err) {
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, {{"--structure", 1}, {"--block", 1}}, kSfUsage, out, err,
                          parsed, status))
        return status;
    if (!parsed.has("--structure") || parsed.positional.size() != 3) {
        err << "xtalsp-cli: expected --structure FILE and three indices H K L\n" << kSfUsage;
        return kExitUsageError;
    }
    std::array<int, 3> hkl{};
    try {
        const std::vector<double> indices =
            numbersWithin(parsed.positional, "H K L", kReflectionIndexField);
        // Whole numbers within the calculator's range, so the conversions are exact.
        for (std::size_t i = 0; i < hkl.size(); ++i)
            hkl[i] = static_cast<int>(indices[i]);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kSfUsage;
        return kExitUsageError;
    }
    const std::optional<FlatStructure> flat =
        importCheckedStructure(parsed.value("--structure"), parsed, err);
    if (!flat)
        return kExitFileError;
    const CrystalStructure structure = fromFlatStructure(*flat);
    const ReciprocalBasis basis = computeReciprocalBasis(
        structure.a, structure.b, structure.c, structure.alpha, structure.beta, structure.gamma);
    const StructureFactorTexts texts =
        computeStructureFactorTexts(hkl[0], hkl[1], hkl[2], basis, structure.groups);
    out << personText(texts.magnitude + "\n" + texts.phase + "\n" + texts.dSpacing + "\n");
    return kExitSuccess;
}

} // namespace xtalsp::cli
