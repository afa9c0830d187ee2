// Reading and checking the number entry boxes of the structure dialogs.
#include "gui/structure/numberfield.h"

#include "core/platform/userprompt.h"
#include "core/structure/structurecheck.h"
#include "core/text/linetext.h"
#include "core/text/numbertext.h"

#include <QLineEdit>

#include <cmath>

namespace xtalsp::gui {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t skipDigits(std::string_view text, std::size_t i) {
    while (i < text.size() && isDigit(text[i]))
        ++i;
    return i;
}

std::size_t skipSign(std::string_view text, std::size_t i) {
    return i < text.size() && (text[i] == '+' || text[i] == '-') ? i + 1 : i;
}

// [sign] digits [. [digits]] | [sign] . digits, then optionally e [sign] digits: the decimal
// numbers atof reads, and nothing after them.
bool isWholeDecimalNumber(std::string_view text) {
    std::size_t i = skipSign(text, 0);
    const std::size_t integerEnd = skipDigits(text, i);
    std::size_t digits = integerEnd - i;
    i = integerEnd;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionEnd = skipDigits(text, i + 1);
        digits += fractionEnd - (i + 1);
        i = fractionEnd;
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        const std::size_t exponentStart = skipSign(text, i + 1);
        i = skipDigits(text, exponentStart);
        if (i == exponentStart)
            return false;
    }
    return i == text.size();
}

std::string_view trimWhiteSpace(std::string_view text) {
    while (!text.empty() && isWhiteSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isWhiteSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

QString numberFieldText(double value) {
    return QString::fromStdString(formatG(value, 15));
}

std::optional<double> readFieldNumber(std::string_view text) {
    text = trimWhiteSpace(text);
    if (!isWholeDecimalNumber(text))
        return std::nullopt;
    const double value = readReal(text);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> checkedFieldValue(const NumberField& field, UserPrompt& prompt) {
    const std::optional<double> value = readFieldNumber(field.box->text().toStdString());
    if (value && *value >= field.lowest && *value <= field.highest)
        return value;
    prompt.show(value ? numberRangeMessage(field.lowest, field.highest)
                      : Message{"Please enter a number.", "", MessageIcon::Exclamation});
    field.box->setFocus();
    field.box->selectAll();
    return std::nullopt;
}

} // namespace xtalsp::gui
