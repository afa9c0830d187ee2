// xtalsp-cli: the simulation and file conversions of Xtalspotter without a window.
#include "cli/clicommands.h"
#ifdef XTALSP_CLI_IMAGES
#include "cli/qt/cliimageformats.h"
#endif

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
#ifdef XTALSP_CLI_IMAGES
    xtalsp::cli::installQtImageFormats();
#endif
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = xtalsp::cli::runCli(arguments, std::cout, std::cerr);
    std::cout.flush();
    return std::cout.fail() && status == xtalsp::cli::kExitSuccess ? xtalsp::cli::kExitFileError
                                                                   : status;
}
