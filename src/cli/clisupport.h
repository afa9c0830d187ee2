// Shared pieces of the command-line commands: reporting messages and writing outputs.
#pragma once

#include "cli/argumentparser.h"
#include "core/document/xtalspdoc.h"
#include "core/image/calibration.h"
#include "core/image/filmraster.h"
#include "core/platform/userprompt.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp::cli {

// Writes a message box text to the error stream: caption first when it has one.
void reportMessage(std::ostream& err, const Message& message);

// Messages go to the error stream (information to `information` when one is given); questions
// are answered with Yes, which keeps rotation angles and takes a proposed side plane.
class CliPrompt : public UserPrompt {
public:
    explicit CliPrompt(std::ostream& err, std::ostream* information = nullptr)
        : m_err(err), m_information(information) {}
    MessageAnswer show(const Message& message) override;

private:
    std::ostream& m_err;
    std::ostream* m_information;
};

class ProgressLine;

// What the tool's documents get from it: messages through `prompt`, an in-memory settings store
// (the user's own settings stay untouched), no files beside the program, and a progress line
// on a terminal's standard error for a long computation.
DocumentServices documentServices(CliPrompt& prompt, SettingsStore& settings, ProgressLine& line);

// Opens a pattern file as the program does, computing its spots again. Failures are reported.
bool loadPatternFile(CXtalspDoc& doc, const std::string& path, std::ostream& err);

// The picture outputs of simulate and pattern: --emf, --svg, --pdf, --png, --dpi, --scale,
// --labels, --crossline.
const std::vector<OptionSpec>& pictureOutputOptions();
bool hasPictureOutput(const ParsedArguments& parsed);
// The first problem of the picture options, before anything is computed.
std::optional<std::string> checkPictureOptions(const ParsedArguments& parsed);
// Writes the requested pictures of the document as its view would draw them; over the image
// of `underlay` when one is given, the spots then drawn as outlines.
bool writePictureOutputs(const CXtalspDoc& doc, const ParsedArguments& parsed, std::ostream& out,
                         std::ostream& err, const ImageUnderlay* underlay = nullptr);

// The image calibration options shared by the image commands: --pixel-mm, --pixel-mm-y,
// --centre, --flip, --rotate.
const std::vector<OptionSpec>& imageCalibrationOptions();
// The calibration they give; throws a UsageError for a missing or wrong one.
ImageCalibration readImageCalibration(const ParsedArguments& parsed);

// A spectrum from --spectrum (a tube name, a .Spectrum file or wavelength/intensity text),
// normalised as the spectrum editor hands it back. Failures are reported.
std::optional<Spectrum> importSpectrum(const std::string& path, std::ostream& err);

// A checked structure from a structure file; a CIF file's data block is the one --block names,
// or the first with a structure. Failures are reported.
std::optional<FlatStructure>
importCheckedStructure(const std::string& path, const ParsedArguments& parsed, std::ostream& err);

// Writes bytes to a file, or to `out` when the path is "-". Reports failures on `err`.
bool writeOutput(const std::string& path, std::string_view bytes, std::ostream& out,
                 std::ostream& err);

// Parses a command's arguments; on a usage error reports it with the command's usage text.
// Returns false when the command should stop with `status`.
bool parseCommandLine(const std::vector<std::string>& arguments,
                      const std::vector<OptionSpec>& specs, std::string_view usage,
                      std::ostream& out, std::ostream& err, ParsedArguments& parsed, int& status);

int runStructureCommand(const std::vector<std::string>& arguments, std::ostream& out,
                        std::ostream& err);
int runSpectrumCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err);
int runSimulateCommand(const std::vector<std::string>& arguments, std::ostream& out,
                       std::ostream& err);
int runPatternCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);
int runStructureFactorCommand(const std::vector<std::string>& arguments, std::ostream& out,
                              std::ostream& err);
int runMergeCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
int runOverlayCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);
int runPeaksCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
int runAlignCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
int runFitCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
int runIndexCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
int runSampleStructureCommand(const std::vector<std::string>& arguments, std::ostream& out,
                              std::ostream& err);

} // namespace xtalsp::cli
