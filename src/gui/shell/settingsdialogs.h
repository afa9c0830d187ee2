// The small settings dialogs: film size, spot size, imaging distance, crystal rotation, custom
// zoom, screen calibration, intensity scale, and the intensity equation.
#pragma once

#include "core/document/fieldranges.h"
#include "gui/shell/documentdialogs.h"
#include "gui/shell/infodialogs.h"
#include "gui/view/viewdialogs.h"

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace xtalsp {
class Canvas;
class UserPrompt;
} // namespace xtalsp

namespace xtalsp::gui {

class CStepEdit;

// Ranges and arrow steps of the step edits; lengths in the units the dialogs show.
inline constexpr double kMinFilmSizeCm = kFilmSizeCmField.min,
                        kMaxFilmSizeCm = kFilmSizeCmField.max;
inline constexpr double kFilmSizeStepCm = 1.0;
inline constexpr double kMinDistanceCm = kDistanceCmField.min,
                        kMaxDistanceCm = kDistanceCmField.max;
inline constexpr double kDistanceStepCm = 1.0;
inline constexpr double kMaxRotationDegrees = kRotationDegreesField.max, kRotationStepDegrees = 1.0;
// A turn about the beam needs no more than half a turn either way.
inline constexpr double kMaxBeamTurnDegrees = 180.0;
inline constexpr double kMinCalibrationMm = 20.0, kMaxCalibrationMm = 500.0;
inline constexpr double kMinSaturationPercent = kSaturationPercentField.min;
inline constexpr double kMaxSaturationPercent = kSaturationPercentField.max;
inline constexpr double kSaturationStepPercent = 10.0;
inline constexpr double kMinMinimumIntensity = kMinimumIntensityField.min;
inline constexpr double kMaxMinimumIntensity = kMinimumIntensityField.max;
inline constexpr int kMinimumIntensityMaxChars = 20;

// A dialog whose step edits hand their typed values over when OK (or Enter) closes it.
class StepEditDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;
    void accept() override;

protected:
    // Reads every step edit's text into its value, as losing the focus does.
    void commitStepEdits();
};

// "Set Pattern Size": film width and height in centimetres.
class CPatternSizeDlg : public StepEditDialog {
    Q_OBJECT
public:
    explicit CPatternSizeDlg(FilmSizeCm start, QWidget* parent = nullptr);
    FilmSizeCm size() const { return {m_width, m_height}; }
    CStepEdit* widthEdit() const { return m_widthEdit; }
    CStepEdit* heightEdit() const { return m_heightEdit; }

private:
    double m_width, m_height;
    CStepEdit* m_widthEdit;
    CStepEdit* m_heightEdit;
};

// "Diffraction Spot Size": the drawn spot in millimetres; "&Default" gives 2 mm x 2 mm.
class CSpotSizeDlg : public StepEditDialog {
    Q_OBJECT
public:
    explicit CSpotSizeDlg(SpotSizeMm start, QWidget* parent = nullptr);
    SpotSizeMm size() const { return {m_width, m_height}; }
    void restoreDefault();
    CStepEdit* widthEdit() const { return m_widthEdit; }
    CStepEdit* heightEdit() const { return m_heightEdit; }
    QPushButton* defaultButton() const { return m_defaultButton; }

private:
    double m_width, m_height;
    CStepEdit* m_widthEdit;
    CStepEdit* m_heightEdit;
    QPushButton* m_defaultButton;
};

// "Change Imaging Distance": sample to film, in centimetres.
class CImagingDistanceDlg : public StepEditDialog {
    Q_OBJECT
public:
    explicit CImagingDistanceDlg(double centimetres, QWidget* parent = nullptr);
    double distance() const { return m_distance; }
    CStepEdit* distanceEdit() const { return m_distanceEdit; }

private:
    double m_distance;
    CStepEdit* m_distanceEdit;
};

// "Rotate Crystal": the two tilts about the axes across (X) and along the vertical (Y), degrees.
class CRotateCrystalDlg : public StepEditDialog {
    Q_OBJECT
public:
    explicit CRotateCrystalDlg(RotationAngles start, QWidget* parent = nullptr);
    RotationAngles angles() const { return {m_x, m_y, m_psi}; }
    CStepEdit* xEdit() const { return m_xEdit; }
    CStepEdit* yEdit() const { return m_yEdit; }
    CStepEdit* psiEdit() const { return m_psiEdit; }

private:
    double m_x, m_y;
    double m_psi = 0.0; // the turn about the beam starts at none each time
    CStepEdit* m_xEdit;
    CStepEdit* m_yEdit;
    CStepEdit* m_psiEdit;
};

// "Custom Zoom": the view zoom in percent.
class CCustomZoomDlg : public StepEditDialog {
    Q_OBJECT
public:
    explicit CCustomZoomDlg(double percentage, QWidget* parent = nullptr);
    double percentage() const { return m_percentage; }
    CStepEdit* zoomEdit() const { return m_zoomEdit; }

private:
    double m_percentage;
    CStepEdit* m_zoomEdit;
};

// The reference drawing of the calibration dialog in drawing units (0.1 mm, y up from the
// top-left corner): a red line 100 mm long with end marks and a dimension arrow below it.
void drawCalibrationReference(Canvas& canvas);

// "Calibrate Zoom": the user measures the red line, nominally 100 mm, with a ruler.
class CCalibrateZoomDlg : public QDialog {
    Q_OBJECT
public:
    // Opens with the length in whole millimetres (halves rounded up).
    CCalibrateZoomDlg(UserPrompt& prompt, double measuredMm, QWidget* parent = nullptr);
    // The measured length once OK has accepted it.
    double measuredDistance() const { return m_measured; }
    QLineEdit* distanceEdit() const { return m_distanceEdit; }

    void accept() override;
    void reject() override;

private:
    bool readDistance();

    UserPrompt& m_prompt;
    double m_measured;
    QLineEdit* m_distanceEdit;
};

// "Adjust Intensity": the saturation level in percent of the strongest spot and the minimum
// intensity below which spots are discarded.
class CAdjustIntensityDlg : public StepEditDialog {
    Q_OBJECT
public:
    // minimumText is the document's minimum intensity as text (Windows-1252), shown as it is.
    CAdjustIntensityDlg(UserPrompt& prompt, double saturationPercent,
                        const std::string& minimumText, QWidget* parent = nullptr);
    // The entries once OK has accepted them.
    IntensityAdjustment adjustment() const { return {m_saturation, m_minimum}; }
    CStepEdit* saturationEdit() const { return m_saturationEdit; }
    QComboBox* minimumBox() const { return m_minimumBox; }
    QPushButton* fullSaturationButton() const { return m_fullButton; }

    void accept() override;

signals:
    // The user asked for help (F1 or the Help button); the help opens at its default topic.
    void helpRequested();

private:
    void refuse(const Message& message);

    UserPrompt& m_prompt;
    double m_saturation;
    double m_minimum = 0.0;
    CStepEdit* m_saturationEdit;
    QComboBox* m_minimumBox;
    QPushButton* m_fullButton;
};

// "Intensity Calculation Equation": the kinematic intensity and scattering-factor formulas.
class CEquationDlg : public ClickToCloseDialog {
    Q_OBJECT
public:
    explicit CEquationDlg(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace xtalsp::gui
