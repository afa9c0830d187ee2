// A small parser for "command [positional...] [--option value...]" command lines.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace xtalsp::cli {

struct OptionSpec {
    std::string name; // with the leading "--"
    int valueCount = 1;
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;
    bool help = false;

    bool has(const std::string& name) const { return options.count(name) != 0; }
    const std::string& value(const std::string& name, std::size_t index = 0) const {
        return options.at(name).at(index);
    }
};

// Parses the arguments after the command name. Unknown options, missing option values and
// repeated options are errors, and so is an option whose values are cut short by the end or by
// another option; "--help" and "-h" set the help flag. A lone "-" is a value
// (standard output or input), not an option.
std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& arguments,
                                              const std::vector<OptionSpec>& specs,
                                              std::string& error);

} // namespace xtalsp::cli
