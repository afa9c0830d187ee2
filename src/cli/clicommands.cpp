// Command dispatch of the command-line tool.
#include "cli/clicommands.h"

#include "cli/clisupport.h"

#include <functional>
#include <map>
#include <ostream>

namespace xtalsp::cli {

namespace {

constexpr std::string_view kUsage =
    "usage: xtalsp-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  structure FILE                 print a structure file as the program saves it\n"
    "  spectrum FILE [--spectrum-out OUT]\n"
    "                                 print a spectrum as .dat text, optionally convert it\n"
    "  sample-structure               print the sample structure file (silicon)\n"
    "  simulate --structure FILE ...  compute a Laue pattern and list or save it\n"
    "  pattern FILE.ptn [outputs]     open a pattern file and list or convert it\n"
    "  sf --structure FILE H K L      |F|, phase and d-spacing of one reflection\n"
    "  merge --pattern FILE.ptn --out OUT.wmf --file1 A.mrg ...\n"
    "                                 overlay merging files on a pattern's picture\n"
    "  peaks IMAGE --pixel-mm P --centre X Y ...\n"
    "                                 find the spots in a detector image, as CSV\n"
    "  overlay --pattern FILE.ptn --image IMAGE --pixel-mm P --centre X Y ...\n"
    "                                 draw a pattern over a detector image or scan\n"
    "  align --pattern FILE.ptn --hkl H K L [--ptn OUT]\n"
    "                                 tilt the normal of a plane onto the beam\n"
    "  fit --pattern START.ptn --spots MEASURED.csv ...\n"
    "                                 fit the orientation to measured spots\n"
    "\n"
    "Run 'xtalsp-cli COMMAND --help' for the options of one command.\n"
    "Exit status: 0 success, 1 a file could not be read or written, 2 wrong usage.\n";

using Command = std::function<int(const std::vector<std::string>&, std::ostream&, std::ostream&)>;

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"structure", runStructureCommand},
        {"spectrum", runSpectrumCommand},
        {"sample-structure", runSampleStructureCommand},
        {"simulate", runSimulateCommand},
        {"pattern", runPatternCommand},
        {"sf", runStructureFactorCommand},
        {"merge", runMergeCommand},
        {"peaks", runPeaksCommand},
        {"overlay", runOverlayCommand},
        {"align", runAlignCommand},
        {"fit", runFitCommand},
        {"index", runIndexCommand},
    };
    return table;
}

} // namespace

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    if (arguments.empty()) {
        err << kUsage;
        return kExitUsageError;
    }
    const std::string& name = arguments.front();
    if (name == "--help" || name == "-h" || name == "help") {
        out << kUsage;
        return kExitSuccess;
    }
    const auto command = commands().find(name);
    if (command == commands().end()) {
        err << "xtalsp-cli: unknown command '" << name << "'\n" << kUsage;
        return kExitUsageError;
    }
    return command->second({arguments.begin() + 1, arguments.end()}, out, err);
}

} // namespace xtalsp::cli
