// The orientation commands: align a plane with the beam, fit the orientation to measured spots.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"
#include "cli/progressline.h"

#include "core/computation/diffractiondialogrules.h"
#include "core/computation/filmunits.h"
#include "core/computation/geometry.h"
#include "core/document/fieldranges.h"
#include "core/document/patternstorable.h"
#include "core/document/textexport.h"
#include "core/document/xtalspdoc.h"
#include "core/io/filebytes.h"
#include "core/orientation/indexing.h"
#include "core/orientation/measuredspots.h"
#include "core/orientation/orientation.h"
#include "core/orientation/orientationfit.h"
#include "core/text/numbertext.h"

#include <cmath>
#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kAlignUsage =
    "usage: xtalsp-cli align --pattern FILE.ptn --hkl H K L [--ptn OUT]\n"
    "\n"
    "Tilts the crystal (X and Y) so that the normal of plane (H K L) lies along the beam,\n"
    "keeping the surface and side planes, and prints the new X and Y and the corrections\n"
    "in degrees. Exits with status 1 when no tilts within +-89.9999 degrees can do it.\n"
    "\n"
    "  --pattern FILE.ptn  the pattern to start from\n"
    "  --hkl H K L         the plane to bring onto the beam\n"
    "  --ptn OUT           write the aligned pattern\n";

constexpr std::string_view kFitUsage =
    "usage: xtalsp-cli fit --pattern START.ptn --spots MEASURED.csv [--tolerance-mm T]\n"
    "                      [--refine distance] [--ptn OUT] [--text OUT]\n"
    "\n"
    "Pairs each measured spot with the nearest simulated spot above 1 % of saturation,\n"
    "refines the rotation about the beam and the tilts X and Y (and the distance) by least\n"
    "squares, and repeats until the pairs no longer change. Prints pairs, rms_mm, max_mm,\n"
    "dX, dY, dpsi (degrees) and distance_cm when refined, then one line per pair:\n"
    "pair INDEX H K L RESIDUAL_MM.\n"
    "\n"
    "  --pattern START.ptn  the pattern whose orientation the fit starts from\n"
    "  --spots MEASURED.csv measured spots, header x_mm,y_mm or x_mm,y_mm,intensity\n"
    "  --tolerance-mm T     farthest a measured spot may lie from its partner (default 2)\n"
    "  --refine distance    refine the film distance as well\n"
    "  --ptn OUT            write the fitted pattern\n"
    "  --text OUT           write the listing of the fitted pattern (- for standard output)\n";

constexpr std::string_view kIndexUsage =
    "usage: xtalsp-cli index --structure FILE --geometry transmission|back --distance-cm D\n"
    "                        --spots MEASURED.csv [--block NAME] [--film-cm W H]\n"
    "                        [--spectrum FILE|builtin] [--hkl-max H K L] [--min-intensity V]\n"
    "                        [--tolerance-mm T] [--ptn OUT] [--text OUT]\n"
    "\n"
    "Finds the crystal orientations that explain the measured spots, without a starting\n"
    "orientation, and prints one line per solution, best first: rank, matched spots, rms\n"
    "in mm, surface plane, side plane, X and Y in degrees. Orientations that the lattice's\n"
    "symmetry maps onto each other count as one. Exits with status 1 when none is found.\n"
    "\n"
    "  --structure FILE         structure file (.struct, .structure/.old or .cif)\n"
    "  --block NAME             CIF data block (default: the first with a cell and atoms)\n"
    "  --geometry G             transmission or back (back reflection)\n"
    "  --distance-cm D          sample-to-film distance, 0.02 to 500 cm\n"
    "  --spots MEASURED.csv     measured spots, header x_mm,y_mm or x_mm,y_mm,intensity; the\n"
    "                           strongest anchor the search\n"
    "  --film-cm W H            film size, 2 to 500 cm (default 20 x 15)\n"
    "  --spectrum FILE|builtin  incident spectrum, as for simulate\n"
    "  --hkl-max H K L          index limits, 1 to 999 (default: about 3 per Angstrom of a, b, c)\n"
    "  --min-intensity V        spots at or below V are not simulated (default 1)\n"
    "  --tolerance-mm T         farthest a measured spot may lie from its partner (default 0.5)\n"
    "  --ptn OUT                write the pattern of the first solution\n"
    "  --text OUT               write the listing of the first solution (- for standard output)\n";

constexpr FieldRange kToleranceMmField{0.001, 1000.0, false};

// Fixed-point text without a sign on a value that rounds to zero ("-0.000000" reads badly).
std::string fixedText(double value, int decimals) {
    std::string text = formatFixed(value, 0, decimals);
    if (!text.empty() && text.front() == '-' &&
        text.find_first_not_of("0.", 1) == std::string::npos)
        text.erase(0, 1);
    return text;
}

std::string degreesText(double value) {
    return fixedText(value, 6);
}

// A pattern whose spots can be computed: a defined crystal and an established distance.
bool loadComputablePattern(CXtalspDoc& doc, const std::string& path, std::ostream& err) {
    if (!loadPatternFile(doc, path, err))
        return false;
    if (!doc.isCrystalDefined() || !doc.hasEstablishedSettings()) {
        err << "xtalsp-cli: the pattern " << path
            << " has no crystal or no established diffraction settings\n";
        return false;
    }
    return true;
}

bool writePattern(const CXtalspDoc& doc, const std::string& path, std::ostream& out,
                  std::ostream& err) {
    if (const Status refusal = unstorablePattern(doc); !refusal.ok()) {
        reportMessage(err, refusal.failure());
        return false;
    }
    return writeOutput(path, doc.serialize(), out, err);
}

std::optional<std::vector<FilmPeak>> readSpots(const std::string& path, std::ostream& err) {
    const FileBytes bytes = readFileBytes(path);
    if (!bytes.ok()) {
        err << "xtalsp-cli: cannot read the spot file " << path << "\n";
        return std::nullopt;
    }
    Result<std::vector<FilmPeak>> spots = readMeasuredSpotsCsv(bytes.value());
    if (!spots.ok()) {
        reportMessage(err, spots.failure());
        return std::nullopt;
    }
    return std::move(spots.value());
}

void printFit(const FitResult& fit, bool distanceRefined, std::ostream& out) {
    out << "pairs " << fit.pairs.size() << "\n";
    out << "rms_mm " << fixedText(fit.rmsMm, 4) << "\n";
    out << "max_mm " << fixedText(fit.maxMm, 4) << "\n";
    out << "dX " << degreesText(fit.deltaX) << "\n";
    out << "dY " << degreesText(fit.deltaY) << "\n";
    out << "dpsi " << degreesText(fit.deltaPsi) << "\n";
    if (distanceRefined)
        out << "distance_cm " << fixedText(fit.settings.distance / kFilmUnitsPerCm, 5) << "\n";
    for (const FitPair& pair : fit.pairs)
        out << "pair " << pair.measured + 1 << " " << pair.h << " " << pair.k << " " << pair.l
            << " " << fixedText(std::hypot(pair.dxMm, pair.dyMm), 4) << "\n";
}

// What the index command was asked for, every number within its field's range.
struct IndexRequestOptions {
    std::string structurePath, spotsPath, spectrumPath = "builtin";
    DiffractionGeometry geometry = DiffractionGeometry::Transmission;
    double distanceCm = 0.0, minimumIntensity = 1.0, toleranceMm = 0.5;
    std::optional<std::vector<double>> filmCm, indexLimits;
};

IndexRequestOptions readIndexOptions(const ParsedArguments& parsed) {
    if (!parsed.positional.empty())
        throw UsageError{"unexpected argument " + parsed.positional.front()};
    for (const char* required : {"--structure", "--geometry", "--distance-cm", "--spots"})
        if (!parsed.has(required))
            throw UsageError{std::string("missing ") + required};
    IndexRequestOptions options;
    options.structurePath = parsed.value("--structure");
    options.spotsPath = parsed.value("--spots");
    const std::string& geometry = parsed.value("--geometry");
    if (geometry != "transmission" && geometry != "back")
        throw UsageError{"--geometry must be transmission or back"};
    options.geometry = geometry == "back" ? DiffractionGeometry::BackReflection
                                          : DiffractionGeometry::Transmission;
    options.distanceCm = optionNumber(parsed, "--distance-cm", kDistanceCmField);
    if (parsed.has("--film-cm"))
        options.filmCm = optionNumbers(parsed, "--film-cm", kFilmSizeCmField);
    if (parsed.has("--hkl-max"))
        options.indexLimits = optionNumbers(parsed, "--hkl-max", kIndexLimitField);
    if (parsed.has("--spectrum"))
        options.spectrumPath = parsed.value("--spectrum");
    if (parsed.has("--min-intensity"))
        options.minimumIntensity = optionNumber(parsed, "--min-intensity", kMinimumIntensityField);
    if (parsed.has("--tolerance-mm"))
        options.toleranceMm = optionNumber(parsed, "--tolerance-mm", kToleranceMmField);
    return options;
}

// The settings dialog filled for indexing: any surface plane with a side plane perpendicular
// to it, since the solutions bring their own.
DiffractionSettingsEditor indexingSettings(const IndexRequestOptions& options, CliPrompt& prompt) {
    return [&options, &prompt](const CXtalspDoc& doc) -> std::optional<DiffractionSettings> {
        DiffractionDialogValues values = initialDiffractionDialogValues(
            doc.settings(), doc.structure().a, doc.structure().b, doc.structure().c);
        values.geometry = options.geometry;
        values.surfacePlane = {0, 0, 1};
        values.sidePlane = checkSidePlane({0, 0, 1}, {1, 0, 0}, doc.reciprocalBasis()).sidePlane;
        values.distanceCm = options.distanceCm;
        if (options.indexLimits) {
            values.Hmax = (*options.indexLimits)[0];
            values.Kmax = (*options.indexLimits)[1];
            values.Lmax = (*options.indexLimits)[2];
        }
        return acceptDiffractionDialog(values, doc.settings(), doc.reciprocalBasis(), prompt);
    };
}

// A pattern with the structure, spectrum, film and geometry of the request.
bool prepareIndexingPattern(CXtalspDoc& doc, const IndexRequestOptions& options,
                            const ParsedArguments& parsed, CliPrompt& prompt, std::ostream& err) {
    std::optional<Spectrum> spectrum;
    if (options.spectrumPath != "builtin" &&
        !(spectrum = importSpectrum(options.spectrumPath, err)))
        return false;
    const std::optional<FlatStructure> structure =
        importCheckedStructure(options.structurePath, parsed, err);
    if (!structure)
        return false;
    PatternInputs inputs = doc.inputs();
    if (spectrum)
        inputs.spectrum = *spectrum;
    if (options.filmCm) {
        inputs.filmWidth = filmUnitsFromCm((*options.filmCm)[0]);
        inputs.filmHeight = filmUnitsFromCm((*options.filmCm)[1]);
    }
    inputs.intensityScale.minimumIntensity = options.minimumIntensity;
    doc.restoreInputs(std::move(inputs));
    doc.takeStructure(*structure, indexingSettings(options, prompt));
    return doc.hasEstablishedSettings();
}

std::string planeText(const std::array<double, 3>& plane) {
    return "(" + formatG(plane[0]) + " " + formatG(plane[1]) + " " + formatG(plane[2]) + ")";
}

void printSolutions(const std::vector<IndexingSolution>& solutions, std::ostream& out) {
    out << "rank matched rms_mm surface side X Y\n";
    for (std::size_t i = 0; i < solutions.size(); ++i) {
        const IndexingSolution& s = solutions[i];
        out << i + 1 << " " << s.matchedSpots << " " << fixedText(s.rmsMm, 4) << " "
            << planeText(s.settings.surfacePlane) << " " << planeText(s.settings.sidePlane) << " "
            << degreesText(s.settings.rotationX) << " " << degreesText(s.settings.rotationY)
            << "\n";
    }
}

bool writeFittedOutputs(CXtalspDoc& doc, const DiffractionSettings& settings,
                        const ParsedArguments& parsed, std::ostream& out, std::ostream& err) {
    if (!parsed.has("--ptn") && !parsed.has("--text"))
        return true;
    if (!doc.takeRefinedSettings(settings))
        return false;
    if (parsed.has("--text")) {
        const PatternListingInput listing{doc.structure().name, doc.settings(),
                                          doc.intensityScale().saturationIntensity, &doc.spots()};
        if (!writeOutput(parsed.value("--text"), formatPatternListing(listing), out, err))
            return false;
    }
    return !parsed.has("--ptn") || writePattern(doc, parsed.value("--ptn"), out, err);
}

} // namespace

int runAlignCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    const std::vector<OptionSpec> specs = {{"--pattern", 1}, {"--hkl", 3}, {"--ptn", 1}};
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kAlignUsage, out, err, parsed, status))
        return status;
    std::vector<double> hkl;
    try {
        if (!parsed.positional.empty())
            throw UsageError{"unexpected argument " + parsed.positional.front()};
        for (const char* required : {"--pattern", "--hkl"})
            if (!parsed.has(required))
                throw UsageError{std::string("missing ") + required};
        hkl = optionNumbers(parsed, "--hkl", kSurfaceIndexField);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kAlignUsage;
        return kExitUsageError;
    }
    CliPrompt prompt(err);
    MemorySettingsStore store;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, store, progressLine));
    if (!loadComputablePattern(doc, parsed.value("--pattern"), err))
        return kExitFileError;
    const auto tilts = alignPlaneWithBeam(doc.settings(), doc.reciprocalBasis(),
                                          {hkl[0], hkl[1], hkl[2]}, kMaxRotation);
    if (!tilts) {
        err << "xtalsp-cli: no tilts within +-89.9999 degrees bring the normal of ("
            << formatG(hkl[0]) << " " << formatG(hkl[1]) << " " << formatG(hkl[2])
            << ") onto the beam\n";
        return kExitFileError;
    }
    const double deltaX = tilts->rotationX - doc.settings().rotationX;
    const double deltaY = tilts->rotationY - doc.settings().rotationY;
    out << "X " << degreesText(tilts->rotationX) << "\xC2\xB0\n";
    out << "Y " << degreesText(tilts->rotationY) << "\xC2\xB0\n";
    out << "\xCE\x94X " << degreesText(deltaX) << "\xC2\xB0\n";
    out << "\xCE\x94Y " << degreesText(deltaY) << "\xC2\xB0\n";
    if (!parsed.has("--ptn"))
        return kExitSuccess;
    doc.takeRotation(tilts->rotationX, tilts->rotationY);
    return writePattern(doc, parsed.value("--ptn"), out, err) ? kExitSuccess : kExitFileError;
}

int runFitCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const std::vector<OptionSpec> specs = {{"--pattern", 1}, {"--spots", 1}, {"--tolerance-mm", 1},
                                           {"--refine", 1},  {"--ptn", 1},   {"--text", 1}};
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kFitUsage, out, err, parsed, status))
        return status;
    FitOptions options;
    try {
        if (!parsed.positional.empty())
            throw UsageError{"unexpected argument " + parsed.positional.front()};
        for (const char* required : {"--pattern", "--spots"})
            if (!parsed.has(required))
                throw UsageError{std::string("missing ") + required};
        if (parsed.has("--tolerance-mm"))
            options.toleranceMm = optionNumber(parsed, "--tolerance-mm", kToleranceMmField);
        if (parsed.has("--refine")) {
            if (parsed.value("--refine") != "distance")
                throw UsageError{"--refine takes only distance"};
            options.refineDistance = true;
        }
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kFitUsage;
        return kExitUsageError;
    }
    CliPrompt prompt(err);
    MemorySettingsStore store;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, store, progressLine));
    if (!loadComputablePattern(doc, parsed.value("--pattern"), err))
        return kExitFileError;
    const auto measured = readSpots(parsed.value("--spots"), err);
    if (!measured)
        return kExitFileError;
    options.saturationIntensity = doc.intensityScale().saturationIntensity;
    options.maxRotation = kMaxRotation;
    const Result<FitResult> fit = fitOrientation(doc.computationInput(), *measured, options);
    if (!fit.ok()) {
        reportMessage(err, fit.failure());
        return kExitFileError;
    }
    printFit(fit.value(), options.refineDistance, out);
    return writeFittedOutputs(doc, fit.value().settings, parsed, out, err) ? kExitSuccess
                                                                           : kExitFileError;
}

int runIndexCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err) {
    const std::vector<OptionSpec> specs = {
        {"--structure", 1},     {"--block", 1},        {"--geometry", 1}, {"--distance-cm", 1},
        {"--spots", 1},         {"--film-cm", 2},      {"--spectrum", 1}, {"--hkl-max", 3},
        {"--min-intensity", 1}, {"--tolerance-mm", 1}, {"--ptn", 1},      {"--text", 1}};
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, specs, kIndexUsage, out, err, parsed, status))
        return status;
    IndexRequestOptions options;
    try {
        options = readIndexOptions(parsed);
    } catch (const UsageError& error) {
        err << "xtalsp-cli: " << error.text << "\n" << kIndexUsage;
        return kExitUsageError;
    }
    CliPrompt prompt(err);
    MemorySettingsStore store;
    ProgressLine progressLine(err);
    CXtalspDoc doc(documentServices(prompt, store, progressLine));
    if (!prepareIndexingPattern(doc, options, parsed, prompt, err))
        return kExitFileError;
    const auto measured = readSpots(options.spotsPath, err);
    if (!measured)
        return kExitFileError;
    IndexingRequest request;
    request.pattern = doc.computationInput();
    request.measured = *measured;
    request.toleranceMm = options.toleranceMm;
    request.maxRotation = kMaxRotation;
    request.progress = terminalProgress(stderr, progressLine);
    const Result<IndexingResult> indexed = indexSpots(request);
    if (!indexed.ok()) {
        reportMessage(err, indexed.failure());
        return kExitFileError;
    }
    const std::vector<IndexingSolution>& solutions = indexed.value().solutions;
    if (solutions.empty()) {
        err << "xtalsp-cli: no orientation explains the measured spots\n";
        return kExitFileError;
    }
    printSolutions(solutions, out);
    return writeFittedOutputs(doc, solutions.front().settings, parsed, out, err) ? kExitSuccess
                                                                                 : kExitFileError;
}

} // namespace xtalsp::cli
