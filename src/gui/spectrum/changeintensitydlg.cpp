// The dialog that changes one intensity of the spectrum.
#include "gui/spectrum/changeintensitydlg.h"

#include "core/spectrum/spectrum.h"
#include "core/structure/structurecheck.h"
#include "core/text/numbertext.h"
#include "gui/shell/qtplatform.h"
#include "gui/spectrum/whitevaluelabel.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <string>

namespace xtalsp::gui {
namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

bool isBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::size_t skipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at;
}

// True when the text, blanks around it aside, is one number that readReal reads to its end:
// sign, digits with an optional point, an optional exponent. A text readReal only partly reads
// ("1.5x", "1e") or reads as 0 for want of a number is not a number to the user.
bool isWholeNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    const std::size_t integerEnd = skipDigits(text, at);
    bool anyDigit = integerEnd > at;
    at = integerEnd;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fractionEnd = skipDigits(text, at + 1);
        anyDigit = anyDigit || fractionEnd > at + 1;
        at = fractionEnd;
    }
    if (!anyDigit)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const std::size_t exponentEnd = skipDigits(text, exponent);
        if (exponentEnd == exponent)
            return false;
        at = exponentEnd;
    }
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at == text.size();
}

} // namespace

Result<double> parseIntensityEntry(std::string_view text) {
    if (!isWholeNumber(text))
        return Message{"Please enter a number.", "", MessageIcon::Exclamation};
    // Adding 0 turns a typed -0 into 0. A number beyond the double range reads as infinity and
    // is refused as out of range.
    const double value = readReal(text) + 0.0;
    if (!(value >= 0.0 && value <= kMaxSpectrumIntensity))
        return numberRangeMessage(0.0, kMaxSpectrumIntensity);
    return value;
}

CChangeIntensityDlg::CChangeIntensityDlg(int row, double intensity, UserPrompt& prompt,
                                         QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_intensity(intensity) {
    setWindowTitle("Change Intensity");
    const double wavelength = row * kSpectrumStep;
    m_wavelength =
        new WhiteValueLabel(fromCp1252(" " + formatFixed(wavelength, 4, 2) + " \xC5"), this);
    // All the digits a double carries; an untouched box hands back the exact value (accept()).
    m_shownText = QString::fromStdString(formatG(intensity, DBL_DIG));
    m_edit = new QLineEdit(m_shownText, this);
    m_edit->selectAll();

    auto* form = new QFormLayout;
    form->addRow("Wavelength:", m_wavelength);
    form->addRow("&Intensity (a.u.):", m_edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CChangeIntensityDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CChangeIntensityDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_edit->setFocus();
}

void CChangeIntensityDlg::accept() {
    const Result<double> entry = parseIntensityEntry(m_edit->text().toStdString());
    if (!entry.ok()) {
        m_prompt.show(entry.failure());
        m_edit->setFocus();
        m_edit->selectAll();
        return;
    }
    // The box shows 15 significant digits, which need not read back to the same double; an
    // untouched box keeps the value exactly, so that OK alone never changes the spectrum.
    if (m_edit->text() != m_shownText)
        m_intensity = entry.value();
    QDialog::accept();
}

} // namespace xtalsp::gui
