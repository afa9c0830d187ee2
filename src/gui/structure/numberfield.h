// Number entry boxes of the structure dialogs: shown with 15 significant digits, read as a whole
// number in the C locale's grammar whatever the user's locale, checked against a range.
#pragma once

#include <QString>

#include <optional>
#include <string_view>

class QLineEdit;

namespace xtalsp {
class UserPrompt;
}

namespace xtalsp::gui {

// The text of a value in an entry box: up to 15 significant digits, so a value typed or read
// from a file with that many digits comes back unchanged.
QString numberFieldText(double value);

// The value of an entry box's text. Unlike atof, the whole text (blanks around it aside) must be
// one decimal number: "5,4305" or "5.4a" is no number rather than 5. Numbers beyond the range
// of a double are no number either.
std::optional<double> readFieldNumber(std::string_view text);

// One range-checked entry box of a dialog.
struct NumberField {
    QLineEdit* box = nullptr;
    double lowest = 0.0;
    double highest = 0.0;
};

// The value of the box when it holds a number within the field's range. Otherwise tells the user
// ("Please enter a number." or the range message), puts the focus on the box with its text
// selected, and gives nothing.
std::optional<double> checkedFieldValue(const NumberField& field, UserPrompt& prompt);

} // namespace xtalsp::gui
