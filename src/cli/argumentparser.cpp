// Command-line parsing for the command-line tool.
#include "cli/argumentparser.h"

#include <algorithm>

namespace xtalsp::cli {

namespace {
bool looksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-' && argument != "-" &&
           !(argument[1] >= '0' && argument[1] <= '9') && argument[1] != '.';
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
        if (arguments.size() - i - 1 < count) {
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
