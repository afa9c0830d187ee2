// Command dispatch of the command-line tool.
#include "cli/clicommands.h"

#include <ostream>

namespace xtalsp::cli {

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    (void)arguments;
    (void)out;
    err << "usage: xtalsp-cli COMMAND ...\n";
    return kExitUsageError;
}

} // namespace xtalsp::cli
