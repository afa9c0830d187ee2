// The settings commands of a pattern: what each takes back from its dialog, what it asks,
// and what it recomputes.
#include "document/xtalspdoc.h"

#include "text/numbertext.h"

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
    bool changed = false;
    for (std::size_t i = 0; i < kSpectrumSize; ++i) {
        if (spectrum.intensity[i] != edited.intensity[i]) {
            spectrum.intensity[i] = edited.intensity[i];
            changed = true;
        }
    }
    if (!changed)
        return;
    m_modified = true;
    if (settings.distance >= 1.0)
        computeSpots();
}

void CXtalspDoc::takeStructure(const FlatStructure& edited,
                               const DiffractionSettingsEditor& editor) {
    const bool latticeChanged = latticeDiffers(structure, edited);
    CrystalStructure taken = fromFlatStructure(edited);
    // Only a lattice change renames the crystal.
    if (!latticeChanged)
        taken.name = structure.name;
    structure = std::move(taken);
    m_modified = true;

    if (!latticeChanged) {
        if (settings.distance >= 1.0) {
            if (intensityScale.resetSaturation != 0) {
                intensityScale.saturationIntensity = 0.0;
                intensityScale.strongestIntensity = 0.0;
                intensityScale.saturationFraction = 1.0;
            }
            computeSpots();
        }
        return;
    }
    // A new cell invalidates the pattern and the intensity scale: the settings must be
    // confirmed again before anything is computed.
    intensityScale.strongestIntensity = 0.0;
    intensityScale.saturationIntensity = 0.0;
    intensityScale.saturationFraction = 1.0;
    intensityScale.resetSaturation = 1;
    clearSpots();
    selectedSpot = -1;
    for (DocumentObserver* observer : m_observers)
        observer->spotsChanged(*this);
    if (std::fabs(settings.rotationX) > 1e-8 || std::fabs(settings.rotationY) > 1e-8) {
        const Message question{
            "The Diffraction geometry needs resetting as you changed the lattice parameters.\n"
            "Do you want to keep the rotation angles X = " +
                formatG(settings.rotationX) + "\xB0 and Y = " + formatG(settings.rotationY) +
                "\xB0?",
            "", MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes};
        if (prompt().show(question) == MessageAnswer::No) {
            settings.rotationX = 0.0;
            settings.rotationY = 0.0;
            notifyGeometryStatus();
        }
    }
    if (settings.distance >= 1.0) {
        settings.savedDistance = settings.distance;
        settings.distance = 0.0;
    }
    runDiffractionSetting(editor);
}

bool CXtalspDoc::runDiffractionSetting(const DiffractionSettingsEditor& editor) {
    if (!editor)
        return false;
    const std::optional<DiffractionSettings> accepted = editor(*this);
    if (!accepted)
        return false;
    takeDiffractionSettings(*accepted);
    return true;
}

void CXtalspDoc::takeDiffractionSettings(const DiffractionSettings& accepted) {
    settings.geometry = accepted.geometry;
    if (m_services.settings != nullptr)
        m_services.settings->writeInt(kSettingsSection, "TransOrBack", accepted.geometry);
    settings.surfacePlane = accepted.surfacePlane;
    settings.distance = accepted.distance;
    settings.sidePlane = accepted.sidePlane;
    settings.Hmax = accepted.Hmax;
    settings.Kmax = accepted.Kmax;
    settings.Lmax = accepted.Lmax;
    computeSpots();
    notifyGeometryStatus();
}

void CXtalspDoc::takeRotation(double rotationX, double rotationY) {
    settings.rotationX = rotationX;
    settings.rotationY = rotationY;
    notifyGeometryStatus();
    computeSpots();
}

void CXtalspDoc::stepRotation(RotationAxis axis, double step) {
    double& angle = axis == RotationAxis::X ? settings.rotationX : settings.rotationY;
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
    settings.distance = centimetres * 100.0;
    computeSpots();
    notifyGeometryStatus();
}

void CXtalspDoc::stepDistance(double step) {
    if (step > 0.0 && settings.distance < kMaxDistance) {
        settings.distance = std::min(settings.distance + step, kMaxDistance);
    } else if (step < 0.0 && settings.distance > 1.0) {
        settings.distance += step;
        // 1.0 itself would count as no settings at all.
        if (settings.distance < kShortestSteppedDistance)
            settings.distance = kShortestSteppedDistance;
    } else {
        return;
    }
    computeSpots();
    notifyGeometryStatus();
}

void CXtalspDoc::takeIntensityAdjustment(double saturationPercent, double minimumIntensity) {
    IntensityScale& scale = intensityScale;
    scale.saturationFraction = saturationPercent * 0.01;
    scale.saturationIntensity = scale.saturationFraction * scale.strongestIntensity;
    if (scale.saturationIntensity < 1e-8) {
        scale.saturationFraction = 1.0;
        scale.resetSaturation = 1;
    }
    scale.minimumIntensity = minimumIntensity;
    computeSpots();
}

void CXtalspDoc::normalizeIntensity() {
    intensityScale.saturationFraction = 1.0;
    intensityScale.saturationIntensity = intensityScale.strongestIntensity;
    computeSpots();
}

void CXtalspDoc::takePatternSize(double widthCentimetres, double heightCentimetres) {
    filmWidth = widthCentimetres * 100.0;
    filmHeight = heightCentimetres * 100.0;
    writeSetting("FilmWidth", formatG(filmWidth));
    writeSetting("FilmHeight", formatG(filmHeight));
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
    if (settings.distance > 1.0)
        computeSpots();
    m_modified = true;
}

void CXtalspDoc::takeSpotSize(double widthFilmUnits, double heightFilmUnits) {
    spotWidth = widthFilmUnits;
    spotHeight = heightFilmUnits;
    writeSetting("DotWidth", formatG(spotWidth));
    writeSetting("DotHeight", formatG(spotHeight));
    m_modified = true;
}

void CXtalspDoc::takeCalibratedZoom(double measuredMillimetres) {
    // The reference line is 100 mm long at nominal scale.
    calibratedZoom = 100.0 / measuredMillimetres;
    writeSetting("CalibratedZoom", formatG(calibratedZoom));
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
}

std::string CXtalspDoc::minimumIntensityText() const {
    return trimFixedNumber(formatFixed(intensityScale.minimumIntensity, 15, 8));
}

} // namespace xtalsp
