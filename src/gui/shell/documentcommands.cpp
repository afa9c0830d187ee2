// The settings commands of the active pattern: when each is available, which editor it opens
// and which document operation takes the edited values back.
#include "gui/shell/documentcommands.h"

#include "core/computation/filmunits.h"
#include "gui/shell/commandids.h"

#include <cmath>

namespace xtalsp::gui {

namespace {

// Distance keys: 1 mm and 1 cm in film units.
constexpr double kMillimetreStep = kFilmUnitsPerMm;
constexpr double kCentimetreStep = kFilmUnitsPerCm;
// Rotation buttons turn by 1 degree, the arrow keys by a tenth.
constexpr double kCoarseRotation = 1.0;
constexpr double kFineRotation = 0.1;
// The calibration line is 100 mm long at nominal scale.
constexpr double kCalibrationLineMm = 100.0;

struct RotationStep {
    int id;
    RotationAxis axis;
    double degrees;
};

constexpr RotationStep kRotationSteps[] = {
    {ID_ROTATE_X_PLUS, RotationAxis::X, kCoarseRotation},
    {ID_ROTATE_X_MINUS, RotationAxis::X, -kCoarseRotation},
    {ID_ROTATE_Y_PLUS, RotationAxis::Y, kCoarseRotation},
    {ID_ROTATE_Y_MINUS, RotationAxis::Y, -kCoarseRotation},
    {ID_ROTATE_X_PLUS_FINE, RotationAxis::X, kFineRotation},
    {ID_ROTATE_X_MINUS_FINE, RotationAxis::X, -kFineRotation},
    {ID_ROTATE_Y_PLUS_FINE, RotationAxis::Y, kFineRotation},
    {ID_ROTATE_Y_MINUS_FINE, RotationAxis::Y, -kFineRotation},
};

// Turns about the beam: the toolbar buttons by 1 degree, Ctrl+Shift+arrow by a tenth.
struct BeamStep {
    int id;
    double degrees;
};

constexpr BeamStep kBeamSteps[] = {
    {ID_ROTATE_PSI_PLUS, kCoarseRotation},
    {ID_ROTATE_PSI_MINUS, -kCoarseRotation},
    {ID_ROTATE_PSI_PLUS_FINE, kFineRotation},
    {ID_ROTATE_PSI_MINUS_FINE, -kFineRotation},
};

struct DistanceStep {
    int id;
    double filmUnits;
};

constexpr DistanceStep kDistanceSteps[] = {
    {ID_DISTANCE_PLUS_MM, kMillimetreStep},
    {ID_DISTANCE_MINUS_MM, -kMillimetreStep},
    {ID_DISTANCE_PLUS_CM, kCentimetreStep},
    {ID_DISTANCE_MINUS_CM, -kCentimetreStep},
};

const RotationStep* findRotationStep(int id) {
    for (const RotationStep& step : kRotationSteps) {
        if (step.id == id)
            return &step;
    }
    return nullptr;
}

const BeamStep* findBeamStep(int id) {
    for (const BeamStep& step : kBeamSteps) {
        if (step.id == id)
            return &step;
    }
    return nullptr;
}

const DistanceStep* findDistanceStep(int id) {
    for (const DistanceStep& step : kDistanceSteps) {
        if (step.id == id)
            return &step;
    }
    return nullptr;
}

// What a command needs before it can run.
enum class Requirement {
    Document,       // a pattern is active
    ShownWindow,    // its window is not minimised
    DefinedCrystal, // ... and it has a unit cell
    Established,    // ... and its settings have been accepted once
    CrystalOnly,    // a unit cell, whatever the window
    Undoable,       // a change to undo
    Redoable,       // an undone change to redo
    Computing,      // a computation runs
    Never,          // offered in the menu, not available
};

std::optional<Requirement> requirementOf(int id) {
    if (findRotationStep(id) != nullptr || findBeamStep(id) != nullptr ||
        findDistanceStep(id) != nullptr)
        return Requirement::Established;
    switch (id) {
    case ID_SETTING_SPECTRUM:
    case ID_INTENSITY_KINEMATIC:
    case ID_VIEW_CALIBRATE:
        return Requirement::Document;
    case ID_SETTING_STRUCTURE:
    case ID_SETTING_PATTERN_SIZE:
        return Requirement::ShownWindow;
    case ID_SETTING_DIFFRACTION:
        return Requirement::DefinedCrystal;
    case ID_SETTING_ROTATE:
    case ID_SETTING_DISTANCE:
    case ID_INTENSITY_ADJUST:
    case ID_INTENSITY_NORMALIZE:
        return Requirement::Established;
    case ID_STRUCTURE_FACTOR:
        return Requirement::CrystalOnly;
    case ID_INTENSITY_DYNAMICAL:
        return Requirement::Never;
    case ID_EDIT_UNDO:
        return Requirement::Undoable;
    case ID_EDIT_REDO:
        return Requirement::Redoable;
    case ID_CANCEL_COMPUTATION:
        return Requirement::Computing;
    default:
        return std::nullopt;
    }
}

DiffractionSettingsEditor diffractionSettingsEditor(DocumentDialogs& dialogs, QWidget* parent) {
    return [&dialogs, parent](const CXtalspDoc& doc) {
        return dialogs.editDiffractionSettings(parent, doc);
    };
}

void editSpectrum(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc,
                  const QString& applicationDirectory) {
    if (const std::optional<Spectrum> edited =
            dialogs.editSpectrum(parent, doc.spectrum(), applicationDirectory))
        doc.takeSpectrum(*edited);
}

void editStructure(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc,
                   const QString& applicationDirectory) {
    // Without a cell the editor starts from its own empty defaults.
    const FlatStructure start =
        doc.isCrystalDefined() ? toFlatStructure(doc.structure()) : FlatStructure{};
    if (const std::optional<FlatStructure> edited =
            dialogs.editStructure(parent, start, applicationDirectory))
        doc.takeStructure(*edited, diffractionSettingsEditor(dialogs, parent));
}

void rotateCrystal(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc) {
    const RotationAngles start{doc.settings().rotationX, doc.settings().rotationY};
    const std::optional<RotationAngles> angles = dialogs.rotateCrystal(parent, start);
    if (!angles)
        return;
    // The turn about the beam acts last, on the crystal at its new tilts.
    if (angles->x != start.x || angles->y != start.y || angles->psi == 0.0)
        doc.takeRotation(angles->x, angles->y);
    if (angles->psi != 0.0)
        doc.turnAboutBeam(angles->psi);
}

void changeImagingDistance(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc) {
    const double centimetres = cmFromFilmUnits(doc.settings().distance);
    if (const std::optional<double> entered = dialogs.imagingDistance(parent, centimetres))
        doc.takeImagingDistance(*entered);
}

void adjustIntensity(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc) {
    const double percent = doc.intensityScale().saturationFraction * 100.0;
    if (const std::optional<IntensityAdjustment> entered =
            dialogs.adjustIntensity(parent, percent, doc.minimumIntensityText()))
        doc.takeIntensityAdjustment(entered->saturationPercent, entered->minimumIntensity);
}

void changePatternSize(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc) {
    const FilmSizeCm start{cmFromFilmUnits(doc.filmWidth()), cmFromFilmUnits(doc.filmHeight())};
    if (const std::optional<FilmSizeCm> entered = dialogs.patternSize(parent, start))
        doc.takePatternSize(entered->width, entered->height);
}

void calibrateZoom(DocumentDialogs& dialogs, QWidget* parent, CXtalspDoc& doc) {
    // The dialog offers the length the reference line should measure now, to the nearest mm.
    const double measured = std::trunc(kCalibrationLineMm / doc.calibratedZoom() + 0.5);
    if (const std::optional<double> entered = dialogs.calibrateZoom(parent, measured))
        doc.takeCalibratedZoom(*entered);
}

} // namespace

void DocumentCommands::setDocument(CXtalspDoc* doc, QWidget* dialogParent, bool windowMinimised) {
    m_doc = doc;
    m_parent = dialogParent;
    m_minimised = windowMinimised;
}

bool DocumentCommands::handlesCommand(int id) const {
    return requirementOf(id).has_value();
}

CommandState DocumentCommands::commandState(int id) const {
    CommandState state;
    // The intensity model is always the kinematic one.
    state.checked = id == ID_INTENSITY_KINEMATIC;
    const std::optional<Requirement> requirement = requirementOf(id);
    if (!requirement || m_doc == nullptr) {
        state.enabled = false;
        return state;
    }
    const bool shown = !m_minimised;
    switch (*requirement) {
    case Requirement::Document:
        state.enabled = true;
        break;
    case Requirement::ShownWindow:
        state.enabled = shown;
        break;
    case Requirement::DefinedCrystal:
        state.enabled = shown && m_doc->isCrystalDefined();
        break;
    case Requirement::Established:
        state.enabled = shown && m_doc->hasEstablishedSettings();
        break;
    case Requirement::CrystalOnly:
        state.enabled = m_doc->isCrystalDefined();
        break;
    case Requirement::Never:
        state.enabled = false;
        break;
    case Requirement::Undoable:
        state.enabled = m_doc->canUndo();
        break;
    case Requirement::Redoable:
        state.enabled = m_doc->canRedo();
        break;
    case Requirement::Computing:
        state.enabled = m_doc->isComputing();
        break;
    }
    return state;
}

void DocumentCommands::executeCommand(int id) {
    // A disabled command does nothing, whichever way it arrives: the diffraction dialog on a
    // missing cell or a step on an unestablished distance would produce nonsense.
    if (!commandState(id).enabled)
        return;
    CXtalspDoc& doc = *m_doc;
    if (const RotationStep* step = findRotationStep(id)) {
        doc.stepRotation(step->axis, step->degrees);
        return;
    }
    if (const BeamStep* step = findBeamStep(id)) {
        doc.turnAboutBeam(step->degrees);
        return;
    }
    if (const DistanceStep* step = findDistanceStep(id)) {
        doc.stepDistance(step->filmUnits);
        return;
    }
    switch (id) {
    case ID_SETTING_SPECTRUM:
        editSpectrum(m_dialogs, m_parent, doc, m_applicationDirectory);
        break;
    case ID_SETTING_STRUCTURE:
        editStructure(m_dialogs, m_parent, doc, m_applicationDirectory);
        break;
    case ID_SETTING_DIFFRACTION:
        doc.runDiffractionSetting(diffractionSettingsEditor(m_dialogs, m_parent));
        break;
    case ID_SETTING_ROTATE:
        rotateCrystal(m_dialogs, m_parent, doc);
        break;
    case ID_SETTING_DISTANCE:
        changeImagingDistance(m_dialogs, m_parent, doc);
        break;
    case ID_INTENSITY_ADJUST:
        adjustIntensity(m_dialogs, m_parent, doc);
        break;
    case ID_INTENSITY_NORMALIZE:
        doc.normalizeIntensity();
        break;
    case ID_SETTING_PATTERN_SIZE:
        changePatternSize(m_dialogs, m_parent, doc);
        break;
    case ID_VIEW_CALIBRATE:
        calibrateZoom(m_dialogs, m_parent, doc);
        break;
    case ID_STRUCTURE_FACTOR:
        m_dialogs.structureFactor(m_parent, doc);
        break;
    case ID_INTENSITY_KINEMATIC:
        m_dialogs.intensityEquation(m_parent);
        break;
    case ID_EDIT_UNDO:
        doc.undo();
        break;
    case ID_EDIT_REDO:
        doc.redo();
        break;
    case ID_CANCEL_COMPUTATION:
        doc.cancelComputation();
        break;
    default:
        break;
    }
}

} // namespace xtalsp::gui
