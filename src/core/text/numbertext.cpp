// Locale-independent number formatting and parsing on top of std::to_chars/std::from_chars.
#include "core/text/numbertext.h"

#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <system_error>

namespace xtalsp {
namespace {

// std::to_chars is specified to produce what printf produces in the "C" locale.
template <typename... Args> std::string toChars(Args... args) {
    std::array<char, 512> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), args...);
    if (result.ec != std::errc())
        return {};
    return std::string(buffer.data(), result.ptr);
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view skipLeadingSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    return text.substr(i);
}

// from_chars reports values beyond the double range without a value. Decide from the decimal
// magnitude of the digits whether the text overflowed (strtod gives infinity) or underflowed
// (strtod gives zero).
double outOfRangeMagnitude(std::string_view number) {
    long long exponent = 0;
    const std::size_t ePos = number.find_first_of("eE");
    if (ePos != std::string_view::npos) {
        int parsed = 0;
        std::string_view expText = number.substr(ePos + 1);
        if (!expText.empty() && expText.front() == '+')
            expText.remove_prefix(1);
        const auto r = std::from_chars(expText.data(), expText.data() + expText.size(), parsed);
        exponent = r.ec == std::errc::result_out_of_range
                       ? (expText.front() == '-' ? -99999 : 99999)
                       : parsed;
        number = number.substr(0, ePos);
    }
    const std::size_t point = number.find('.');
    const std::string_view integerPart = number.substr(0, point);
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    if (firstNonZero != std::string_view::npos) {
        exponent += static_cast<long long>(integerPart.size() - firstNonZero) - 1;
    } else if (point != std::string_view::npos) {
        const std::string_view fraction = number.substr(point + 1);
        const std::size_t firstDigit = fraction.find_first_not_of('0');
        if (firstDigit == std::string_view::npos)
            return 0.0;
        exponent -= static_cast<long long>(firstDigit) + 1;
    }
    return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

} // namespace

std::string formatG(double value, int precision) {
    return toChars(value, std::chars_format::general, precision);
}

std::string formatFixed(double value, int width, int precision) {
    std::string text = toChars(value, std::chars_format::fixed, precision);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

std::string formatScientific(double value, int precision) {
    return toChars(value, std::chars_format::scientific, precision);
}

std::string formatInt(long long value) {
    return toChars(value);
}

std::string trimFixedNumber(std::string_view text) {
    std::string result(skipLeadingSpace(text));
    if (result.find('.') == std::string::npos)
        return result;
    while (!result.empty() && result.back() == '0')
        result.pop_back();
    if (!result.empty() && result.back() == '.')
        result.pop_back();
    return result;
}

std::string FormatNumber(double value) {
    const double magnitude = std::fabs(value);
    if (magnitude > 1e7 || magnitude < 1e-5 || !std::isfinite(value))
        return formatG(value);
    return trimFixedNumber(formatFixed(value, 20, 10));
}

double readReal(std::string_view text) {
    text = skipLeadingSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // A number starts with a digit or with a point followed by a digit; this also keeps
    // "inf", "nan" and a second sign out.
    const bool startsNumber =
        !text.empty() &&
        (isDigit(text.front()) || (text.front() == '.' && text.size() > 1 && isDigit(text[1])));
    if (!startsNumber)
        return 0.0;
    double value = 0.0;
    const char* begin = text.data();
    const auto result =
        std::from_chars(begin, begin + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = outOfRangeMagnitude(
            std::string_view(begin, static_cast<std::size_t>(result.ptr - begin)));
    else if (result.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

int truncateToInt(double value) {
    if (std::isnan(value))
        return 0;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    return static_cast<int>(value);
}

int readInt(std::string_view text) {
    text = skipLeadingSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::size_t digits = 0;
    while (digits < text.size() && isDigit(text[digits]))
        ++digits;
    if (digits == 0)
        return 0;
    unsigned long long magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + digits, magnitude);
    const unsigned long long limit = negative ? static_cast<unsigned long long>(INT_MAX) + 1
                                              : static_cast<unsigned long long>(INT_MAX);
    if (result.ec == std::errc::result_out_of_range || magnitude > limit)
        return negative ? INT_MIN : INT_MAX;
    return negative ? static_cast<int>(-static_cast<long long>(magnitude))
                    : static_cast<int>(magnitude);
}

} // namespace xtalsp
