// Runs the command-line tool in-process and keeps its exit status and both output streams.
#pragma once

#include "cli/clicommands.h"

#include <sstream>
#include <string>
#include <vector>

namespace xtalsp::test {

struct CliRun {
    int status = -1;
    std::string out, err;
};

inline CliRun run(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    CliRun result;
    result.status = cli::runCli(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

} // namespace xtalsp::test
