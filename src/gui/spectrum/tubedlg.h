// "Generate from Tube": anode, voltage, characteristic lines and beryllium window of an X-ray
// tube whose spectrum replaces the editor's.
#pragma once

#include "core/spectrum/tubespectrum.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;

namespace xtalsp::gui {

class TubeDlg : public QDialog {
    Q_OBJECT
public:
    explicit TubeDlg(const TubeSettings& start, QWidget* parent = nullptr);
    // The settings as the controls show them; the controls keep them within range.
    TubeSettings settings() const;

private:
    QComboBox* m_anode = nullptr;
    QDoubleSpinBox* m_kilovolts = nullptr;
    QCheckBox* m_lines = nullptr;
    QDoubleSpinBox* m_beryllium = nullptr;
};

} // namespace xtalsp::gui
