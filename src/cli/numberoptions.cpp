// Reading and checking the numbers of a command line.
#include "cli/numberoptions.h"

#include "core/text/numbertext.h"

#include <cfloat>
#include <charconv>
#include <cmath>

namespace xtalsp::cli {

namespace {

// The whole argument must be a finite decimal number; a leading '+' is allowed.
bool parseNumber(const std::string& text, double& value) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    double parsed = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), parsed,
                                        std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() ||
        !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

// A range bound as a person writes it: all the digits it has (89.9999 stays 89.9999) and no
// padded exponent (1e-8, not 1e-08).
std::string boundText(double bound) {
    std::string text = formatG(bound, DBL_DIG);
    const std::size_t exponent = text.find('e');
    if (exponent != std::string::npos) {
        std::size_t digit = exponent + 1;
        if (digit < text.size() && text[digit] == '+')
            text.erase(digit, 1);
        else if (digit < text.size() && text[digit] == '-')
            ++digit;
        while (digit + 1 < text.size() && text[digit] == '0')
            text.erase(digit, 1);
    }
    return text;
}

std::string rangeText(const FieldRange& range) {
    return "between " + boundText(range.min) + " and " + boundText(range.max);
}

} // namespace

std::vector<double> numbersWithin(const std::vector<std::string>& texts, const std::string& what,
                                  const FieldRange& range) {
    std::vector<double> values;
    for (const std::string& text : texts) {
        double value = 0.0;
        if (!parseNumber(text, value))
            throw UsageError{what + " needs " + (texts.size() == 1 ? "a number" : "numbers") +
                             ", not '" + text + "'"};
        if (range.integer && value != std::trunc(value))
            throw UsageError{what + " needs whole numbers " + rangeText(range) + ", not " + text};
        if (!(value >= range.min && value <= range.max))
            throw UsageError{what + " must be " + rangeText(range) + ", not " + text};
        values.push_back(value);
    }
    return values;
}

std::vector<double> optionNumbers(const ParsedArguments& parsed, const std::string& option,
                                  const FieldRange& range) {
    return numbersWithin(parsed.options.at(option), option, range);
}

double optionNumber(const ParsedArguments& parsed, const std::string& option,
                    const FieldRange& range) {
    return optionNumbers(parsed, option, range).front();
}

} // namespace xtalsp::cli
