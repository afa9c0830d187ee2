// The calibration dialog: the image as stored in its file, pixel pitch, beam centre (typed or
// clicked), flip and rotation.
#pragma once

#include "core/image/calibration.h"
#include "gui/image/patternimagelayer.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace xtalsp::gui {

class CalibrationPreview;

class ImageCalibrationDlg : public QDialog {
    Q_OBJECT

public:
    // The layer must hold an image.
    ImageCalibrationDlg(const PatternImageLayer& layer, QWidget* parent = nullptr);

    ImageCalibration calibration() const;
    void setCalibration(const ImageCalibration& calibration);
    // Sets the centre to the stored image's pixel position (as a click on the picture does).
    void setCentre(PixelPoint centre);

private:
    void showCentre();

    QDoubleSpinBox* m_columnPitch = nullptr;
    QDoubleSpinBox* m_rowPitch = nullptr;
    QDoubleSpinBox* m_centreColumn = nullptr;
    QDoubleSpinBox* m_centreRow = nullptr;
    QComboBox* m_flip = nullptr;
    QComboBox* m_rotation = nullptr;
    QLabel* m_storedCentre = nullptr;
    CalibrationPreview* m_preview = nullptr;
};

// Runs the dialog on the layer's image; the calibration the user accepted, if any.
std::optional<ImageCalibration> editImageCalibration(QWidget* parent,
                                                     const PatternImageLayer& layer);

} // namespace xtalsp::gui
