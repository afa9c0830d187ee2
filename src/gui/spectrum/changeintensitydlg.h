// "Change Intensity": the new intensity of one entry of the spectrum being edited.
#pragma once

#include "core/platform/result.h"
#include "core/platform/userprompt.h"

#include <QDialog>

#include <string_view>

class QLineEdit;

namespace xtalsp::gui {

class WhiteValueLabel;

// The intensity typed into the box: a whole number in the atof grammar with blanks around it,
// from 0 to 1e300; otherwise the message that refuses it.
Result<double> parseIntensityEntry(std::string_view text);

class CChangeIntensityDlg : public QDialog {
    Q_OBJECT
public:
    // Row i of the spectrum table is the wavelength i x 0.01 Angstrom.
    CChangeIntensityDlg(int row, double intensity, UserPrompt& prompt, QWidget* parent = nullptr);

    // The accepted intensity; the one the dialog opened with until OK succeeds.
    double intensity() const { return m_intensity; }

    QLineEdit* intensityEdit() const { return m_edit; }
    WhiteValueLabel* wavelengthLabel() const { return m_wavelength; }

    // Takes the typed intensity and closes, or tells the user what is wrong and stays open.
    void accept() override;

private:
    UserPrompt& m_prompt;
    double m_intensity;
    QString m_shownText;
    QLineEdit* m_edit = nullptr;
    WhiteValueLabel* m_wavelength = nullptr;
};

} // namespace xtalsp::gui
