// The sample structure text file (silicon) that start-up places beside the program as a model
// for users' own structure files.
#pragma once

#include <string>
#include <string_view>

namespace xtalsp {

inline constexpr std::string_view kSampleStructureFileName = "Sample.struct";

// The file's bytes: Windows-1252, CR LF line ends, the last line without one.
extern const std::string_view kSampleStructureText;

// Writes the sample file into the application directory unless a file of that name is already
// there; an existing file, even an empty or edited one, is never replaced. Returns whether a
// file was written. Failures are silent: the program runs on without the sample.
bool ensureSampleStructureFile(const std::string& applicationDirectory);

} // namespace xtalsp
