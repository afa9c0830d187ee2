// The contrast window: scale, black and white levels, invert and the opacity of the simulated
// spots, applied to the image while they are changed.
#pragma once

#include "gui/image/patternimagelayer.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSlider;

namespace xtalsp::gui {

class ContrastDlg : public QDialog {
    Q_OBJECT

public:
    // Non-modal; follows the layer until the layer or the window goes.
    ContrastDlg(PatternImageLayer& layer, QWidget* parent = nullptr);

private:
    void showSettings();
    void applyContrast();
    void levelSlid(QDoubleSpinBox* box, int position);
    void proposeLevels();
    int sliderPosition(double level) const;

    PatternImageLayer& m_layer;
    double m_lowest = 0.0, m_highest = 1.0; // the sliders' span: the image's own values
    bool m_showing = false;
    QComboBox* m_scale = nullptr;
    QDoubleSpinBox* m_black = nullptr;
    QDoubleSpinBox* m_white = nullptr;
    QSlider* m_blackSlider = nullptr;
    QSlider* m_whiteSlider = nullptr;
    QCheckBox* m_invert = nullptr;
    QSlider* m_opacity = nullptr;
};

// Shows the layer's contrast window, making it the first time.
void showContrastWindow(PatternImageLayer& layer, QWidget* parent);

} // namespace xtalsp::gui
