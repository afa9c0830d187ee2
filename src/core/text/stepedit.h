// The arithmetic of the numeric step entry (a text box with up and down arrows bound to one
// value): what it shows, where its arrows land, and how typed text is cleaned.
#pragma once

#include <string>
#include <string_view>

namespace xtalsp {

struct StepEditRange {
    double minimum = 0.0;
    double maximum = 0.0;
    double step = 1.0;
    bool integerOnly = false;
};

// The value as the box shows it: whole numbers (halves away from zero) for an integer-only box,
// then clamped into the range.
double stepEditShownValue(double value, const StepEditRange& range);
// "%g" of the value followed by the unit suffix.
std::string stepEditText(double value, std::string_view suffix);
// "%g" with as many significant digits (6 to 17) as reading the text back needs to give the
// value itself, followed by the suffix: for values that are not round numbers, such as the
// real-valued planes a turn about the beam leaves.
std::string stepEditExactText(double value, std::string_view suffix);
// The next multiple of the step above (up) or below the value; an aligned value moves a whole
// step. The result is not yet clamped.
double stepEditArrow(double value, double step, bool up);
// Line breaks in typed or pasted text become blanks.
std::string stepEditCleanText(std::string_view typed);

} // namespace xtalsp
