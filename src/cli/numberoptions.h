// Numbers on the command line. Each must be a finite decimal number within the range of the
// dialog field it stands for, and a whole number where that field holds whole numbers: what a
// dialog would quietly clamp is refused here, so a script never computes something it did not
// ask for.
#pragma once

#include "cli/argumentparser.h"
#include "core/computation/diffractiondialogrules.h"

#include <string>
#include <vector>

namespace xtalsp::cli {

// A wrong command line; the command reports it with its usage text and exit status 2.
struct UsageError {
    std::string text;
};

// The numbers written as `texts` for `what` (an option name, or the names of positional
// values). Throws a UsageError that names `what` and the range when one is not acceptable.
std::vector<double> numbersWithin(const std::vector<std::string>& texts, const std::string& what,
                                  const FieldRange& range);

// Every value of `option`, which must have been given.
std::vector<double> optionNumbers(const ParsedArguments& parsed, const std::string& option,
                                  const FieldRange& range);
double optionNumber(const ParsedArguments& parsed, const std::string& option,
                    const FieldRange& range);

} // namespace xtalsp::cli
