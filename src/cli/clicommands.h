// The commands of the command-line tool. They write to the given streams and return the exit
// status: 0 success, 1 a file could not be read or written, 2 the command line was wrong.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace xtalsp::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFileError = 1;
inline constexpr int kExitUsageError = 2;

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace xtalsp::cli
