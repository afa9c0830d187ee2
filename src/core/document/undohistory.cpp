// Undo and redo of a pattern's settings. Every command opens a CommandScope; the outermost
// scope compares the settings before and after and keeps the earlier ones when they differ.
// Each state of the settings has a number, so that the saved state is known again when undo
// or redo returns to it.
#include "core/document/xtalspdoc.h"

namespace xtalsp {

namespace {

// Enough for an afternoon of rotating; each entry holds a whole spectrum and structure.
constexpr std::size_t kHistoryLength = 200;

// The spot size and the display options are the view's: they are neither undone nor compared.
void copyViewOptions(PatternInputs& target, const PatternInputs& source) {
    target.spotWidth = source.spotWidth;
    target.spotHeight = source.spotHeight;
    target.showCrossline = source.showCrossline;
    target.showIndex = source.showIndex;
    target.grayscaleSpots = source.grayscaleSpots;
    target.zoom = source.zoom;
}

void takeSettingsOf(PatternInputs& target, const PatternInputs& source) {
    PatternInputs taken = source;
    copyViewOptions(taken, target);
    target = std::move(taken);
}

bool sameSettings(const PatternInputs& a, const PatternInputs& b) {
    PatternInputs comparable = a;
    copyViewOptions(comparable, b);
    return comparable == b;
}

} // namespace

CXtalspDoc::CommandStart CXtalspDoc::commandStart() const {
    return {m_inputs, {m_undo, m_redo}, m_modified, m_stateId};
}

void CXtalspDoc::returnTo(const CommandStart& start) {
    takeSettingsOf(m_inputs, start.inputs);
    m_undo = start.history.undo;
    m_redo = start.history.redo;
    m_modified = start.modified;
    m_stateId = start.stateId;
}

void CXtalspDoc::clearHistory() {
    m_undo.clear();
    m_redo.clear();
    m_stateId = ++m_lastStateId;
    m_savedStateId = m_modified ? -1 : m_stateId;
}

void CXtalspDoc::beginCommand() {
    if (m_commandDepth++ == 0)
        m_commandStart = commandStart();
}

void CXtalspDoc::endCommand() {
    if (--m_commandDepth > 0 || !m_commandStart)
        return;
    CommandStart start = std::move(*m_commandStart);
    m_commandStart.reset();
    // A computation still running for this command returns here when it is cancelled.
    if (m_busy && !m_runStart)
        m_runStart = start;
    if (sameSettings(start.inputs, m_inputs))
        return;
    m_undo.push_back(
        {std::make_shared<const PatternInputs>(std::move(start.inputs)), start.stateId});
    if (m_undo.size() > kHistoryLength)
        m_undo.erase(m_undo.begin());
    m_redo.clear();
    m_stateId = ++m_lastStateId;
    m_modified = true;
}

void CXtalspDoc::beginGesture() {
    ++m_gestureDepth;
    beginCommand();
}

void CXtalspDoc::endGesture() {
    if (m_gestureDepth == 0)
        return;
    --m_gestureDepth;
    endCommand();
}

void CXtalspDoc::undo() {
    stepHistory(m_undo, m_redo);
}

void CXtalspDoc::redo() {
    stepHistory(m_redo, m_undo);
}

void CXtalspDoc::stepHistory(std::vector<HistoryEntry>& from, std::vector<HistoryEntry>& to) {
    if (from.empty() || m_commandDepth > 0)
        return;
    CommandStart before = commandStart();
    const HistoryEntry target = std::move(from.back());
    from.pop_back();
    to.push_back({std::make_shared<const PatternInputs>(m_inputs), m_stateId});
    takeSettingsOf(m_inputs, *target.inputs);
    m_stateId = target.stateId;
    notifyGeometryStatus();
    for (DocumentObserver* observer : m_observers)
        observer->filmSizeChanged(*this);
    if (hasEstablishedSettings() && isCrystalDefined()) {
        if (!computeSpots()) { // not taken: the message has been shown
            returnTo(before);
            notifyGeometryStatus();
            return;
        }
    } else {
        // A state before the settings were confirmed has no spots.
        stopBackgroundRun();
        clearSpots();
        m_selectedSpot = -1;
        m_computedInputs = currentInputs();
        for (DocumentObserver* observer : m_observers)
            observer->spotsChanged(*this);
    }
    m_modified = m_stateId != m_savedStateId;
    if (m_busy && !m_runStart)
        m_runStart = std::move(before);
}

} // namespace xtalsp
