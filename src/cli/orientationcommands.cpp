// The orientation commands: align a plane with the beam, fit the orientation to measured spots.
#include "cli/clicommands.h"
#include "cli/clisupport.h"
#include "cli/numberoptions.h"
#include "cli/progressline.h"

#include "core/computation/diffractiondialogrules.h"
#include "core/computation/filmunits.h"
#include "core/document/patternstorable.h"
#include "core/document/textexport.h"
#include "core/document/xtalspdoc.h"
#include "core/io/filebytes.h"
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

SpotComputationInput computationInput(const CXtalspDoc& doc) {
    SpotComputationInput input;
    input.groups = &doc.structure().groups;
    input.spectrum = &doc.spectrum();
    input.settings = doc.settings();
    input.basis = doc.reciprocalBasis();
    input.halfFilmWidth = doc.halfFilmWidth();
    input.halfFilmHeight = doc.halfFilmHeight();
    input.minimumIntensity = doc.intensityScale().minimumIntensity;
    return input;
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
    const Result<FitResult> fit = fitOrientation(computationInput(doc), *measured, options);
    if (!fit.ok()) {
        reportMessage(err, fit.failure());
        return kExitFileError;
    }
    printFit(fit.value(), options.refineDistance, out);
    if (!parsed.has("--ptn") && !parsed.has("--text"))
        return kExitSuccess;
    if (!doc.takeRefinedSettings(fit.value().settings))
        return kExitFileError;
    if (parsed.has("--text")) {
        const PatternListingInput listing{doc.structure().name, doc.settings(),
                                          doc.intensityScale().saturationIntensity, &doc.spots()};
        if (!writeOutput(parsed.value("--text"), formatPatternListing(listing), out, err))
            return kExitFileError;
    }
    if (parsed.has("--ptn") && !writePattern(doc, parsed.value("--ptn"), out, err))
        return kExitFileError;
    return kExitSuccess;
}

} // namespace xtalsp::cli
