// The arithmetic of the numeric step entry.
#include "core/text/stepedit.h"

#include "core/text/numbertext.h"

#include <cmath>

namespace xtalsp {

namespace {

// Truncation toward zero on the double itself keeps the whole range (no integer conversion);
// adding 0.0 turns the -0 of trunc(-0.4) into 0, so the box never shows "-0" for a count.
double truncate(double value) {
    return std::trunc(value) + 0.0;
}

// Halves go away from zero.
double roundHalfAwayFromZero(double value) {
    return value >= 0.0 ? truncate(value + 0.5) : truncate(value - 0.5);
}

} // namespace

double stepEditShownValue(double value, const StepEditRange& range) {
    // No typed text reads as NaN; a NaN can only come from the dialog's own variable, and the
    // box must never show or hand back one.
    if (std::isnan(value))
        return range.minimum;
    if (range.integerOnly)
        value = roundHalfAwayFromZero(value);
    if (value < range.minimum)
        return range.minimum;
    if (value > range.maximum)
        return range.maximum;
    return value;
}

std::string stepEditText(double value, std::string_view suffix) {
    std::string text = formatG(value);
    text.append(suffix);
    return text;
}

std::string stepEditExactText(double value, std::string_view suffix) {
    constexpr int kRoundTripDigits = 17; // enough for any double
    std::string text = formatG(value);
    for (int digits = 7; digits <= kRoundTripDigits && readReal(text) != value; ++digits)
        text = formatG(value, digits);
    text.append(suffix);
    return text;
}

double stepEditArrow(double value, double step, bool up) {
    if (!(step > 0.0) || !std::isfinite(step) || std::isnan(value))
        return value;
    // Count in steps. A value within half a millionth of a step of a multiple counts as on it,
    // so that 0.3 / 0.1 = 2.9999999999999996 still moves to 4 steps, not 3.
    const double d = value / step;
    const double e = d >= 0.0 ? truncate(d + 5e-7) : truncate(d - 5e-7);
    const bool aligned = std::fabs(d - e) < 1e-6;
    double multiple = e;
    if (up && (aligned || d > 0.0))
        multiple = e + 1.0;
    else if (!up && (aligned || d < 0.0))
        multiple = e - 1.0;
    return multiple * step;
}

std::string stepEditCleanText(std::string_view typed) {
    std::string text(typed);
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

} // namespace xtalsp
