// The modal editors of a pattern's settings behind one interface, so the document commands can
// be tested with scripted answers and no window blocks a test run.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/document/xtalspdoc.h"
#include "core/spectrum/spectrum.h"
#include "core/structure/crystalstructure.h"

#include <QString>
#include <optional>
#include <utility>

class QWidget;

namespace xtalsp::gui {

class FileChooser;

struct RotationAngles {
    double x = 0.0, y = 0.0; // degrees
    double psi = 0.0;        // a further turn about the beam, degrees; 0: none
};
struct IntensityAdjustment {
    double saturationPercent = 100.0;
    double minimumIntensity = 1.0;
};
struct FilmSizeCm {
    double width = 20.0, height = 15.0;
};

class DocumentDialogs {
public:
    virtual ~DocumentDialogs() = default;
    // "Define or Modify Crystal Structure", on a copy; the edited structure on OK.
    virtual std::optional<FlatStructure> editStructure(QWidget* parent, const FlatStructure& start,
                                                       const QString& applicationDirectory) = 0;
    // "Spectrum" editor, on a copy; the normalised spectrum on OK.
    virtual std::optional<Spectrum> editSpectrum(QWidget* parent, const Spectrum& start,
                                                 const QString& applicationDirectory) = 0;
    // "Initial Diffraction Settings" for the document; the settings to take on OK.
    virtual std::optional<DiffractionSettings> editDiffractionSettings(QWidget* parent,
                                                                       const CXtalspDoc& doc) = 0;
    virtual std::optional<RotationAngles> rotateCrystal(QWidget* parent, RotationAngles start) = 0;
    virtual std::optional<double> imagingDistance(QWidget* parent, double centimetres) = 0;
    virtual std::optional<IntensityAdjustment>
    adjustIntensity(QWidget* parent, double saturationPercent, const std::string& minimumText) = 0;
    virtual std::optional<FilmSizeCm> patternSize(QWidget* parent, FilmSizeCm start) = 0;
    // "Calibrate Zoom": the measured length of the 100 mm reference line, in mm.
    virtual std::optional<double> calibrateZoom(QWidget* parent, double measuredMm) = 0;
    // The structure factor calculator; it changes nothing.
    virtual void structureFactor(QWidget* parent, const CXtalspDoc& doc) = 0;
    // "Intensity Calculation Equation".
    virtual void intensityEquation(QWidget* parent) = 0;
};

// The real dialogs. Each editor's part lives in the source file of that editor.
class QtDocumentDialogs : public DocumentDialogs {
public:
    QtDocumentDialogs(UserPrompt& prompt, FileChooser& chooser, SettingsStore& settings)
        : m_prompt(prompt), m_chooser(chooser), m_settings(settings) {}

    std::optional<FlatStructure> editStructure(QWidget* parent, const FlatStructure& start,
                                               const QString& applicationDirectory) override;
    std::optional<Spectrum> editSpectrum(QWidget* parent, const Spectrum& start,
                                         const QString& applicationDirectory) override;
    std::optional<DiffractionSettings> editDiffractionSettings(QWidget* parent,
                                                               const CXtalspDoc& doc) override;
    std::optional<RotationAngles> rotateCrystal(QWidget* parent, RotationAngles start) override;
    std::optional<double> imagingDistance(QWidget* parent, double centimetres) override;
    std::optional<IntensityAdjustment> adjustIntensity(QWidget* parent, double saturationPercent,
                                                       const std::string& minimumText) override;
    std::optional<FilmSizeCm> patternSize(QWidget* parent, FilmSizeCm start) override;
    std::optional<double> calibrateZoom(QWidget* parent, double measuredMm) override;
    void structureFactor(QWidget* parent, const CXtalspDoc& doc) override;
    void intensityEquation(QWidget* parent) override;

private:
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    SettingsStore& m_settings;
};

} // namespace xtalsp::gui
