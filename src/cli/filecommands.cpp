// The structure, spectrum and sample-structure commands: file conversions without a window.
#include "cli/clicommands.h"
#include "cli/clisupport.h"

#include "core/io/filebytes.h"
#include "core/spectrum/spectrumfile.h"
#include "core/spectrum/spectrumtext.h"
#include "core/spectrum/tubespectrum.h"
#include "core/structure/cifstructure.h"
#include "core/structure/samplestructure.h"
#include "core/structure/structurefile.h"

#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kStructureUsage =
    "usage: xtalsp-cli structure FILE [--block NAME]\n"
    "\n"
    "Reads a crystal structure file and writes it to standard output exactly as the\n"
    "program saves a copy of it (Windows-1252 text, CR LF line ends). A file whose\n"
    "extension is .structure or .old is read as an archived (binary) structure file,\n"
    "a .cif file as a Crystallographic Information File (its atoms expanded to the whole\n"
    "cell by its symmetry), any other as a structure text file.\n"
    "\n"
    "  --block NAME   the CIF data block to read (default: the first with a cell and atoms)\n";

constexpr std::string_view kSpectrumUsage =
    "usage: xtalsp-cli spectrum FILE|tube:ANODE:KV[:nolines][:be=MM] [--spectrum-out OUT]\n"
    "\n"
    "Reads a spectrum file (extension .Spectrum, any letter case) or a spectrum text\n"
    "file (any other extension: lines of \"wavelength intensity\") and writes the .dat\n"
    "text form, normalised to a largest intensity of 1, to standard output.\n"
    "tube:ANODE:KV generates the spectrum of an X-ray tube instead: anode W, Mo, Cu,\n"
    "Ag, Rh or Cr, 5 to 100 kV, characteristic lines unless :nolines, beryllium window\n"
    "of MM millimetres (default 0.25).\n"
    "\n"
    "  --spectrum-out OUT   also write the spectrum as a spectrum file\n";

constexpr std::string_view kSampleUsage =
    "usage: xtalsp-cli sample-structure\n"
    "\n"
    "Writes the sample structure file (silicon) to standard output.\n";

bool needsOneFile(const ParsedArguments& parsed, std::string_view usage, std::ostream& err) {
    if (parsed.positional.size() == 1)
        return true;
    err << "xtalsp-cli: expected exactly one FILE\n" << usage;
    return false;
}

Result<Spectrum> readAnySpectrum(const std::string& path, std::ostream& err) {
    if (isTubeSpectrumName(path)) {
        const Result<TubeSettings> tube = parseTubeSpectrumName(path);
        if (!tube.ok())
            return tube.failure();
        return tubeSpectrum(tube.value());
    }
    if (lowerExtensionOf(path) == "spectrum")
        return readSpectrumFile(path);
    Result<SpectrumImport> imported = readSpectrumText(path);
    if (!imported.ok())
        return imported.failure();
    if (const auto warning = spectrumItemCountWarning(imported.value().itemCount, path))
        reportMessage(err, *warning);
    return imported.value().spectrum;
}

} // namespace

int runStructureCommand(const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& err) {
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, {{"--block", 1}}, kStructureUsage, out, err, parsed, status))
        return status;
    if (!needsOneFile(parsed, kStructureUsage, err))
        return kExitUsageError;
    const Result<FlatStructure> structure = importAnyStructure(
        parsed.positional.front(), parsed.has("--block") ? parsed.value("--block") : "");
    if (!structure.ok()) {
        reportMessage(err, structure.failure());
        return kExitFileError;
    }
    if (const Status refusal = unstorableStructure(structure.value()); !refusal.ok()) {
        reportMessage(err, refusal.failure());
        return kExitFileError;
    }
    return writeOutput("-", writeStructureText(structure.value()), out, err) ? kExitSuccess
                                                                             : kExitFileError;
}

int runSpectrumCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err) {
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, {{"--spectrum-out", 1}}, kSpectrumUsage, out, err, parsed,
                          status))
        return status;
    if (!needsOneFile(parsed, kSpectrumUsage, err))
        return kExitUsageError;
    const Result<Spectrum> spectrum = readAnySpectrum(parsed.positional.front(), err);
    if (!spectrum.ok()) {
        reportMessage(err, spectrum.failure());
        return kExitFileError;
    }
    Spectrum normalised = spectrum.value();
    if (const Status refusal = NormalizeSpectrum(normalised); !refusal.ok()) {
        reportMessage(err, refusal.failure());
        return kExitFileError;
    }
    if (parsed.has("--spectrum-out")) {
        if (const Status failure = writeSpectrumFile(parsed.value("--spectrum-out"), normalised);
            !failure.ok()) {
            reportMessage(err, failure.failure());
            return kExitFileError;
        }
    }
    return writeOutput("-", formatSpectrumDat(normalised), out, err) ? kExitSuccess
                                                                     : kExitFileError;
}

int runSampleStructureCommand(const std::vector<std::string>& arguments, std::ostream& out,
                              std::ostream& err) {
    ParsedArguments parsed;
    int status = kExitSuccess;
    if (!parseCommandLine(arguments, {}, kSampleUsage, out, err, parsed, status))
        return status;
    if (!parsed.positional.empty()) {
        err << "xtalsp-cli: sample-structure takes no FILE\n" << kSampleUsage;
        return kExitUsageError;
    }
    return writeOutput("-", kSampleStructureText, out, err) ? kExitSuccess : kExitFileError;
}

} // namespace xtalsp::cli
