// Shared pieces of the command-line commands: reporting messages and writing outputs.
#pragma once

#include "cli/argumentparser.h"
#include "platform/userprompt.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp::cli {

// Writes a message box text to the error stream: caption first when it has one.
void reportMessage(std::ostream& err, const Message& message);

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
int runSampleStructureCommand(const std::vector<std::string>& arguments, std::ostream& out,
                              std::ostream& err);

} // namespace xtalsp::cli
