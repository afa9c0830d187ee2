// The settings commands of a pattern: what each takes back from its dialog, what it asks,
// and what it recomputes.
#include "core/document/xtalspdoc.h"

#include "core/computation/filmunits.h"
#include "core/orientation/orientation.h"
#include "core/text/numbertext.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

// Rotation steps stop short of 90 degrees, where the film would stand edge-on.
constexpr double kRotationStepGuard = 89.9998;
// A distance below one film unit means "not established"; a step down never goes below 2.
constexpr double kShortestSteppedDistance = 2.0;

bool latticeDiffers(const CrystalStructure& current, const FlatStructure& edited) {
    const double before[] = {current.a,     current.b,    current.c,
                             current.alpha, current.beta, current.gamma};
    const double after[] = {edited.a, edited.b, edited.c, edited.alpha, edited.beta, edited.gamma};
    for (int i = 0; i < 6; ++i) {
        if (std::fabs(after[i] - before[i]) > 1e-10)
            return true;
    }
    return current.name != edited.name;
}

} // namespace

void CXtalspDoc::notifyGeometryStatus() {
    for (DocumentObserver* observer : m_observers)
        observer->geometryStatusChanged(*this);
}

void CXtalspDoc::writeSetting(const char* key, const std::string& value) {
    if (m_services.settings != nullptr)
        m_services.settings->writeText(kSettingsSection, key, value);
}

void CXtalspDoc::takeSpectrum(const Spectrum& edited) {
    const CommandScope scope(*this);
    bool changed = false;
    for (std::size_t i = 0; i < kSpectrumSize; ++i) {
        if (m_inputs.spectrum.intensity[i] != edited.intensity[i]) {
            m_inputs.spectrum.intensity[i] = edited.intensity[i];
            changed = true;
        }
    }
    if (!changed)
        return;
    m_modified = true;
    if (m_inputs.settings.distance >= 1.0)
        computeSpots();
}

void CXtalspDoc::takeStructure(const FlatStructure& edited,
                               const DiffractionSettingsEditor& editor) {
    const CommandScope scope(*this);
    const bool latticeChanged = latticeDiffers(m_inputs.structure, edited);
    CrystalStructure taken = fromFlatStructure(edited);
    // Only a lattice change renames the crystal.
    if (!latticeChanged)
        taken.name = m_inputs.structure.name;
    m_inputs.structure = std::move(taken);
    m_modified = true;

    if (!latticeChanged) {
        if (m_inputs.settings.distance >= 1.0) {
            if (m_inputs.intensityScale.resetSaturation) {
                m_inputs.intensityScale.saturationIntensity = 0.0;
                m_inputs.intensityScale.strongestIntensity = 0.0;
                m_inputs.intensityScale.saturationFraction = 1.0;
            }
            computeSpots();
        }
        return;
    }
    // A new cell invalidates the pattern and the intensity scale: the settings must be
    // confirmed again before anything is computed.
    m_inputs.intensityScale.strongestIntensity = 0.0;
    m_inputs.intensityScale.saturationIntensity = 0.0;
    m_inputs.intensityScale.saturationFraction = 1.0;
    m_inputs.intensityScale.resetSaturation = true;
    // A walk still running for the old cell must not bring its spots back.
    stopBackgroundRun();
    clearSpots();
    m_selectedSpot = -1;
    for (DocumentObserver* observer : m_observers)
        observer->spotsChanged(*this);
    if (std::fabs(m_inputs.settings.rotationX) > 1e-8 ||
        std::fabs(m_inputs.settings.rotationY) > 1e-8) {
        const Message question{
            "The Diffraction geometry needs resetting as you changed the lattice parameters.\n"
            "Do you want to keep the rotation angles X = " +
                formatG(m_inputs.settings.rotationX) +
                "\xB0 and Y = " + formatG(m_inputs.settings.rotationY) + "\xB0?",
            "", MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes};
        if (prompt().show(question) == MessageAnswer::No) {
            m_inputs.settings.rotationX = 0.0;
            m_inputs.settings.rotationY = 0.0;
            notifyGeometryStatus();
        }
    }
    if (m_inputs.settings.distance >= 1.0) {
        m_inputs.settings.savedDistance = m_inputs.settings.distance;
        m_inputs.settings.distance = 0.0;
    }
    runDiffractionSetting(editor);
}

bool CXtalspDoc::runDiffractionSetting(const DiffractionSettingsEditor& editor) {
    const CommandScope scope(*this);
    if (!editor)
        return false;
    const std::optional<DiffractionSettings> accepted = editor(*this);
    if (!accepted)
        return false;
    takeDiffractionSettings(*accepted);
    return true;
}

void CXtalspDoc::takeDiffractionSettings(const DiffractionSettings& accepted) {
    const CommandScope scope(*this);
    m_inputs.settings.geometry = accepted.geometry;
    if (m_services.settings != nullptr)
        m_services.settings->writeInt(kSettingsSection, "TransOrBack",
                                      static_cast<int>(accepted.geometry));
    m_inputs.settings.surfacePlane = accepted.surfacePlane;
    m_inputs.settings.distance = accepted.distance;
    m_inputs.settings.sidePlane = accepted.sidePlane;
    m_inputs.settings.Hmax = accepted.Hmax;
    m_inputs.settings.Kmax = accepted.Kmax;
    m_inputs.settings.Lmax = accepted.Lmax;
    computeSpots();
    notifyGeometryStatus();
}

bool CXtalspDoc::takeRefinedSettings(const DiffractionSettings& refined) {
    const CommandScope scope(*this);
    m_inputs.settings = refined;
    const bool computed = computeSpots();
    notifyGeometryStatus();
    return computed;
}

void CXtalspDoc::takeRotation(double rotationX, double rotationY) {
    const CommandScope scope(*this);
    m_inputs.settings.rotationX = rotationX;
    m_inputs.settings.rotationY = rotationY;
    notifyGeometryStatus();
    computeSpots();
}

void CXtalspDoc::turnAboutBeam(double psi) {
    const CommandScope scope(*this);
    if (!isCrystalDefined() || psi == 0.0) {
        return;
    }
    m_inputs.settings = foldBeamRotation(m_inputs.settings, reciprocalBasis(), psi);
    notifyGeometryStatus();
    computeSpots();
}

void CXtalspDoc::stepRotation(RotationAxis axis, double step) {
    const CommandScope scope(*this);
    double& angle =
        axis == RotationAxis::X ? m_inputs.settings.rotationX : m_inputs.settings.rotationY;
    if (step > 0.0 && angle < kRotationStepGuard) {
        angle = std::min(angle + step, kMaxRotation);
    } else if (step < 0.0 && angle > -kRotationStepGuard) {
        angle = std::max(angle + step, -kMaxRotation);
    } else {
        return;
    }
    notifyGeometryStatus();
    computeSpots();
}

void CXtalspDoc::takeImagingDistance(double centimetres) {
    const CommandScope scope(*this);
    m_inputs.settings.distance = filmUnitsFromCm(centimetres);
    computeSpots();
    notifyGeometryStatus();
}

void CXtalspDoc::stepDistance(double step) {
    const CommandScope scope(*this);
    if (step > 0.0 && m_inputs.settings.distance < kMaxDistance) {
        m_inputs.settings.distance = std::min(m_inputs.settings.distance + step, kMaxDistance);
    } else if (step < 0.0 && m_inputs.settings.distance > 1.0) {
        m_inputs.settings.distance += step;
        // 1.0 itself would count as no settings at all.
        if (m_inputs.settings.distance < kShortestSteppedDistance)
            m_inputs.settings.distance = kShortestSteppedDistance;
    } else {
        return;
    }
    computeSpots();
    notifyGeometryStatus();
}

void CXtalspDoc::takeIntensityAdjustment(double saturationPercent, double minimumIntensity) {
    const CommandScope scope(*this);
    IntensityScale& scale = m_inputs.intensityScale;
    scale.saturationFraction = saturationPercent * 0.01;
    scale.saturationIntensity = scale.saturationFraction * scale.strongestIntensity;
    if (scale.saturationIntensity < 1e-8) {
        scale.saturationFraction = 1.0;
        scale.resetSaturation = true;
    }
    scale.minimumIntensity = minimumIntensity;
    computeSpots();
}

void CXtalspDoc::normalizeIntensity() {
    const CommandScope scope(*this);
    m_inputs.intensityScale.saturationFraction = 1.0;
    m_inputs.intensityScale.saturationIntensity = m_inputs.intensityScale.strongestIntensity;
    computeSpots();
}

void CXtalspDoc::takePatternSize(double widthCentimetres, double heightCentimetres) {
    const CommandScope scope(*this);
    m_inputs.filmWidth = filmUnitsFromCm(widthCentimetres);
    m_inputs.filmHeight = filmUnitsFromCm(heightCentimetres);
    writeSetting("FilmWidth", formatG(m_inputs.filmWidth));
    writeSetting("FilmHeight", formatG(m_inputs.filmHeight));
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
    if (m_inputs.settings.distance > 1.0)
        computeSpots();
    m_modified = true;
}

void CXtalspDoc::takeSpotSize(double widthFilmUnits, double heightFilmUnits) {
    m_inputs.spotWidth = widthFilmUnits;
    m_inputs.spotHeight = heightFilmUnits;
    writeSetting("DotWidth", formatG(m_inputs.spotWidth));
    writeSetting("DotHeight", formatG(m_inputs.spotHeight));
    m_modified = true;
}

void CXtalspDoc::takeCalibratedZoom(double measuredMillimetres) {
    // The reference line is 100 mm long at nominal scale.
    m_calibratedZoom = 100.0 / measuredMillimetres;
    writeSetting("CalibratedZoom", formatG(m_calibratedZoom));
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
}

std::string CXtalspDoc::minimumIntensityText() const {
    return trimFixedNumber(formatFixed(m_inputs.intensityScale.minimumIntensity, 15, 8));
}

} // namespace xtalsp
