// New-document values and the spot computation of the pattern document.
#include "core/document/xtalspdoc.h"

#include "core/computation/geometry.h"
#include "core/computation/intensity.h"
#include "core/computation/spotcomputation.h"
#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/startupspectrum.h"
#include "core/text/numbertext.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace xtalsp {

CXtalspDoc::CXtalspDoc(DocumentServices services) : m_services(std::move(services)) {
    ResetToNewDocument();
}

ReciprocalBasis CXtalspDoc::reciprocalBasis() const {
    if (!isCrystalDefined())
        return {};
    const CrystalStructure& s = m_inputs.structure;
    return computeReciprocalBasis(s.a, s.b, s.c, s.alpha, s.beta, s.gamma);
}

bool CXtalspDoc::isCrystalDefined() const {
    return isStructureDefined(m_inputs.structure);
}

const LaueSpot* CXtalspDoc::spotAt(int index) const {
    if (index < 0 || index >= spotCount())
        return nullptr;
    return &m_spots[static_cast<std::size_t>(index)];
}

void CXtalspDoc::addObserver(DocumentObserver* observer) {
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void CXtalspDoc::removeObserver(DocumentObserver* observer) {
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer),
                      m_observers.end());
}

namespace {

// A stored real that is missing, unreadable or outside its range gives the fallback.
double storedReal(const SettingsStore* store, const char* key, double lowest, double highest,
                  double fallback) {
    const std::optional<std::string> text =
        store != nullptr ? store->readText(kSettingsSection, key) : std::nullopt;
    const double value = readReal(text.value_or(""));
    return value >= lowest && value <= highest ? value : fallback;
}

} // namespace

void CXtalspDoc::readStoredDefaults() {
    const SettingsStore* store = m_services.settings;
    const int geometry =
        store != nullptr ? store->readInt(kSettingsSection, "TransOrBack").value_or(0) : 0;
    PatternInputs& in = m_inputs;
    in.settings.geometry = geometry == static_cast<int>(DiffractionGeometry::BackReflection)
                               ? DiffractionGeometry::BackReflection
                               : DiffractionGeometry::Transmission;
    in.filmWidth = storedReal(store, "FilmWidth", kMinFilmSize, kMaxFilmSize, kDefaultFilmWidth);
    in.filmHeight = storedReal(store, "FilmHeight", kMinFilmSize, kMaxFilmSize, kDefaultFilmHeight);
    in.spotWidth = storedReal(store, "DotWidth", kMinSpotSize, kMaxSpotSize, kDefaultSpotSize);
    in.spotHeight = storedReal(store, "DotHeight", kMinSpotSize, kMaxSpotSize, kDefaultSpotSize);
    m_calibratedZoom =
        storedReal(store, "CalibratedZoom", kMinCalibratedZoom, kMaxCalibratedZoom, 1.0);
}

void CXtalspDoc::ResetToNewDocument() {
    Spectrum spectrum = m_inputs.spectrum;
    if (m_services.applicationDirectory) {
        const SpectrumFolders folders{*m_services.applicationDirectory,
                                      m_services.userDataDirectory,
                                      m_services.applicationDirectoryWritable};
        loadStartupSpectrum(spectrum, folders, prompt(), m_services.spectrumFallbackTold);
    } else
        spectrum = builtinSpectrum();
    m_inputs = PatternInputs{};
    m_inputs.spectrum = std::move(spectrum);
    readStoredDefaults();
    m_selectedSpot = -1;
    m_spots.clear();
    m_computedInputs = currentInputs();
    stopBackgroundRun();
    clearHistory();
}

void CXtalspDoc::restoreInputs(PatternInputs inputs) {
    stopBackgroundRun();
    m_inputs = std::move(inputs);
    m_selectedSpot = -1;
    m_spots.clear();
    m_computedInputs = currentInputs();
    clearHistory();
}

void CXtalspDoc::setModified(bool modified) {
    m_modified = modified;
    if (!modified)
        m_savedStateId = m_stateId;
    else if (m_savedStateId == m_stateId)
        m_savedStateId = -1; // changed in a way the history does not know
}

PatternInputs CXtalspDoc::completedInputs() const {
    PatternInputs completed = m_inputs;
    if (m_busy && m_computedInputs) {
        const ComputedInputs& shown = *m_computedInputs;
        completed.spectrum = shown.spectrum;
        completed.structure = shown.structure;
        completed.settings = shown.settings;
        completed.intensityScale = shown.intensityScale;
        completed.filmWidth = shown.filmWidth;
        completed.filmHeight = shown.filmHeight;
    }
    return completed;
}

CXtalspDoc::ShownInputs CXtalspDoc::shownInputs() const {
    if (m_busy && m_computedInputs) {
        const ComputedInputs& shown = *m_computedInputs;
        return {shown.structure, shown.settings, shown.intensityScale, shown.filmWidth,
                shown.filmHeight};
    }
    return {m_inputs.structure, m_inputs.settings, m_inputs.intensityScale, m_inputs.filmWidth,
            m_inputs.filmHeight};
}

void CXtalspDoc::setZoom(double zoom) {
    m_inputs.zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
}

void CXtalspDoc::selectSpot(int index) {
    m_selectedSpot = spotAt(index) != nullptr ? index : -1;
}

void CXtalspDoc::clearSpots() {
    m_spots.clear();
}

namespace {

Message tooManySpotsMessage(std::size_t limit) {
    return {"The pattern would hold more than " + formatInt(static_cast<long long>(limit)) +
                " spots.\nPlease raise the minimum intensity or lower the index limits.",
            "", MessageIcon::Exclamation};
}

} // namespace

CXtalspDoc::ComputedInputs CXtalspDoc::currentInputs() const {
    return computedPartOf(m_inputs);
}

CXtalspDoc::ComputedInputs CXtalspDoc::computedPartOf(const PatternInputs& in) {
    return {in.spectrum, in.structure, in.settings, in.intensityScale, in.filmWidth, in.filmHeight};
}

void CXtalspDoc::returnToComputedInputs(const ComputedInputs& inputs) {
    m_inputs.spectrum = inputs.spectrum;
    m_inputs.structure = inputs.structure;
    m_inputs.settings = inputs.settings;
    m_inputs.filmWidth = inputs.filmWidth;
    m_inputs.filmHeight = inputs.filmHeight;
    m_inputs.intensityScale = inputs.intensityScale;
}

SpotComputationInput spotComputationInput(const PatternInputs& inputs,
                                          const ReciprocalBasis& basis) {
    SpotComputationInput input;
    input.groups = &inputs.structure.groups;
    input.spectrum = &inputs.spectrum;
    input.settings = inputs.settings;
    input.basis = basis;
    input.halfFilmWidth = inputs.filmWidth * 0.5;
    input.halfFilmHeight = inputs.filmHeight * 0.5;
    input.minimumIntensity = inputs.intensityScale.minimumIntensity;
    return input;
}

std::optional<SpotComputationResult> CXtalspDoc::runComputation() const {
    SpotComputationInput input = computationInput();
    input.spotLimit = m_services.spotLimit;
    input.progress = m_services.progress;
    try {
        SpotComputationResult result = computeLaueSpots(input);
        if (result.cancelled) // the user stopped it: nothing to say
            return std::nullopt;
        if (!result.tooManySpots)
            return result;
        prompt().show(tooManySpotsMessage(input.spotLimit));
    } catch (const std::bad_alloc&) {
        prompt().show({"There is no enough memory!  ", "", MessageIcon::Stop});
    }
    return std::nullopt;
}

void CXtalspDoc::takeSpots(SpotComputationResult& result) {
    m_spots = std::move(result.spots);
    m_selectedSpot = -1;
    m_inputs.intensityScale.strongestIntensity = result.strongestIntensity;
    updateSaturation(m_inputs.intensityScale);
    m_computedInputs = currentInputs();
}

bool CXtalspDoc::computeSpots() {
    if (computesInBackground())
        return computeInBackground();
    for (DocumentObserver* observer : m_observers)
        observer->computationStarted(*this);
    std::optional<SpotComputationResult> result = runComputation();
    if (result) {
        takeSpots(*result);
        m_modified = true;
    } else if (m_computedInputs) {
        // The spots on show still belong to the inputs they were computed from.
        returnToComputedInputs(*m_computedInputs);
    }
    for (DocumentObserver* observer : m_observers)
        observer->spotsChanged(*this);
    for (DocumentObserver* observer : m_observers)
        observer->computationFinished(*this);
    return result.has_value();
}

} // namespace xtalsp
