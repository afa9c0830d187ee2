// Command-line parsing for the command-line tool.
#include "cli/argumentparser.h"

#include <algorithm>

namespace xtalsp::cli {

namespace {
bool looksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-' && argument != "-" &&
           !(argument[1] >= '0' && argument[1] <= '9') && argument[1] != '.';
}

bool isKnownOption(const std::string& argument, const std::vector<OptionSpec>& specs) {
    return argument == "--help" || argument == "-h" ||
           std::any_of(specs.begin(), specs.end(),
                       [&](const OptionSpec& s) { return s.name == argument; });
}

// The values of an option end early when the command line ends or the next option begins:
// "--surface 1 1 --side 1 0 0" lacks the third index rather than having "--side" as it.
bool hasValues(const std::vector<std::string>& arguments, std::size_t first, std::size_t count,
               const std::vector<OptionSpec>& specs) {
    if (arguments.size() - first < count)
        return false;
    return std::none_of(arguments.begin() + static_cast<std::ptrdiff_t>(first),
                        arguments.begin() + static_cast<std::ptrdiff_t>(first + count),
                        [&](const std::string& a) { return isKnownOption(a, specs); });
}
} // namespace

std::optional<ParsedArguments> parseArguments(const std::vector<std::string>& arguments,
                                              const std::vector<OptionSpec>& specs,
                                              std::string& error) {
    ParsedArguments parsed;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
            continue;
        }
        if (!looksLikeOption(argument)) {
            parsed.positional.push_back(argument);
            continue;
        }
        const auto option = std::find_if(specs.begin(), specs.end(),
                                         [&](const OptionSpec& s) { return s.name == argument; });
        if (option == specs.end()) {
            error = "unknown option " + argument;
            return std::nullopt;
        }
        if (parsed.has(argument)) {
            error = "option " + argument + " given twice";
            return std::nullopt;
        }
        const auto count = static_cast<std::size_t>(option->valueCount);
        if (!hasValues(arguments, i + 1, count, specs)) {
            error = "option " + argument + " needs " + std::to_string(count) +
                    (count == 1 ? " value" : " values");
            return std::nullopt;
        }
        std::vector<std::string> values(arguments.begin() + static_cast<std::ptrdiff_t>(i + 1),
                                        arguments.begin() +
                                            static_cast<std::ptrdiff_t>(i + 1 + count));
        parsed.options.emplace(argument, std::move(values));
        i += count;
    }
    return parsed;
}

} // namespace xtalsp::cli
