// The pattern document: spectrum, crystal, diffraction settings, film, intensity scale, view
// options and the computed spot list of one pattern.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/computation/intensityscale.h"
#include "core/computation/lauespot.h"
#include "core/computation/spotcomputation.h"
#include "core/document/fieldranges.h"
#include "core/platform/result.h"
#include "core/platform/settingsstore.h"
#include "core/platform/userprompt.h"
#include "core/spectrum/spectrum.h"
#include "core/structure/crystalstructure.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

class CXtalspDoc;

// Hands a task to the thread the document lives on (its event loop). Called from a worker
// thread, so it must be safe to call from any thread.
using DocumentThreadPoster = std::function<void(std::function<void()> task)>;

// What a document needs from its host.
struct DocumentServices {
    UserPrompt* prompt = nullptr;      // messages and questions; required
    SettingsStore* settings = nullptr; // per-user settings; none: every fallback, nothing stored
    // The directory of "Default.Spectrum". Without one, new documents take the built-in
    // spectrum without touching any file (the command-line tool works so).
    std::optional<std::string> applicationDirectory;
    // The most spots a computation may give; tests lower it.
    std::size_t spotLimit = kMaxSpotCount;
    // Told how far a computation has come; returning false stops it and changes nothing.
    SpotProgress progress = {};
    // The user's own data folder: its copy of "Default.Spectrum" comes first, and a new default
    // file goes there when the application directory cannot be written (an installed program).
    std::optional<std::string> userDataDirectory = std::nullopt;
    bool applicationDirectoryWritable = true;
    // Shared by the documents of a run, so that falling back to the built-in spectrum is told
    // once; none: told every time.
    bool* spectrumFallbackTold = nullptr;
    // With a poster, spot computations run on a worker thread and their results come back
    // through it; without one they run in the calling thread and block it (the command-line
    // tool works so).
    DocumentThreadPoster backgroundPoster = {};
};

// Views and hosts learn of changes through this interface.
class DocumentObserver {
public:
    virtual ~DocumentObserver() = default;
    virtual void computationStarted(const CXtalspDoc&) {}  // show the wait cursor
    virtual void spotsChanged(const CXtalspDoc&) {}        // repaint
    virtual void computationFinished(const CXtalspDoc&) {} // restore the cursor
    virtual void geometryStatusChanged(const CXtalspDoc&) {}
    virtual void filmSizeChanged(const CXtalspDoc&) {}
};

// Opens the diffraction settings dialog for the document and returns the settings to take, or
// nothing when the user cancels.
using DiffractionSettingsEditor =
    std::function<std::optional<DiffractionSettings>(const CXtalspDoc&)>;

enum class RotationAxis { X, Y };

// The inputs of a pattern: what its spots are computed from and how they are shown. A pattern
// file stores all of them.
struct PatternInputs {
    Spectrum spectrum;
    CrystalStructure structure;
    DiffractionSettings settings;
    double filmWidth = kDefaultFilmWidth, filmHeight = kDefaultFilmHeight; // film units
    double spotWidth = kDefaultSpotSize, spotHeight = kDefaultSpotSize;    // film units
    IntensityScale intensityScale;
    bool showCrossline = true, showIndex = false, grayscaleSpots = true;
    double zoom = 1.0;

    bool operator==(const PatternInputs&) const = default;
};

// What a spot computation of these inputs reads; it points into them. The spot limit and the
// progress are the caller's to set.
SpotComputationInput spotComputationInput(const PatternInputs& inputs,
                                          const ReciprocalBasis& basis);

class CXtalspDoc {
public:
    explicit CXtalspDoc(DocumentServices services);
    // Stops a running computation and waits for its worker.
    ~CXtalspDoc();
    CXtalspDoc(const CXtalspDoc&) = delete;
    CXtalspDoc& operator=(const CXtalspDoc&) = delete;

    const PatternInputs& inputs() const { return m_inputs; }
    const Spectrum& spectrum() const { return m_inputs.spectrum; }
    const CrystalStructure& structure() const { return m_inputs.structure; }
    const DiffractionSettings& settings() const { return m_inputs.settings; }
    double filmWidth() const { return m_inputs.filmWidth; }
    double filmHeight() const { return m_inputs.filmHeight; }
    double spotWidth() const { return m_inputs.spotWidth; }
    double spotHeight() const { return m_inputs.spotHeight; }
    const IntensityScale& intensityScale() const { return m_inputs.intensityScale; }
    bool showCrossline() const { return m_inputs.showCrossline; }
    bool showIndex() const { return m_inputs.showIndex; }
    bool grayscaleSpots() const { return m_inputs.grayscaleSpots; }
    double zoom() const { return m_inputs.zoom; }
    // Not stored: real size / nominal size of the screen, and the selected spot (-1: none).
    double calibratedZoom() const { return m_calibratedZoom; }
    int selectedSpot() const { return m_selectedSpot; }

    double halfFilmWidth() const { return m_inputs.filmWidth * 0.5; }
    double halfFilmHeight() const { return m_inputs.filmHeight * 0.5; }
    ReciprocalBasis reciprocalBasis() const; // of the cell; zero without a defined structure
    // The spot computation of the current inputs, pointing into the document (fits and
    // indexing simulate the pattern with other orientations from it).
    SpotComputationInput computationInput() const {
        return spotComputationInput(m_inputs, reciprocalBasis());
    }
    bool isCrystalDefined() const;
    // Commands need an established distance: above one film unit.
    bool hasEstablishedSettings() const { return m_inputs.settings.distance > 1.0; }

    const SpotList& spots() const { return m_spots; }
    int spotCount() const { return static_cast<int>(m_spots.size()); }
    const LaueSpot* spotAt(int index) const;

    bool isModified() const { return m_modified; }
    // Clearing the flag marks the current settings as the saved ones: undoing back to them
    // clears it again.
    void setModified(bool modified);

    // The inputs of the spots on show: while a computation runs, those of the last one that
    // finished (the view options are the current ones). Saving and the exports take these.
    PatternInputs completedInputs() const;
    // The part of those inputs that places the spots on show, without copying: what the window
    // draws the film, its spots and their projections with. Valid until the next command or
    // the end of the running computation.
    struct ShownInputs {
        const CrystalStructure& structure;
        const DiffractionSettings& settings;
        const IntensityScale& intensityScale;
        double filmWidth, filmHeight;
    };
    ShownInputs shownInputs() const;

    // Background computations (with DocumentServices::backgroundPoster). A command that arrives
    // while one runs supersedes it: the running walk is stopped and the latest settings are
    // computed next. Inside a gesture the running walk is let finish and shown first, so that
    // the pattern follows a drag however long one walk takes.
    bool computesInBackground() const { return static_cast<bool>(m_services.backgroundPoster); }
    bool isComputing() const { return m_busy; }
    double computationProgress() const; // 0 to 1 of the running walk
    double computationSeconds() const;  // since the settings on show were left
    // Stops the computation and returns to the spots and settings from before the first
    // command that has not finished computing, with the undo history as it was then.
    void cancelComputation();

    // Undo and redo of the pattern's settings (not its view options). Every command below goes
    // through one funnel that records the settings it changed.
    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    void undo();
    void redo();
    // The commands between these two are one undoable change (a drag of the crystal).
    void beginGesture();
    void endGesture();

    void addObserver(DocumentObserver* observer);
    void removeObserver(DocumentObserver* observer);

    // Every input to its new-document value, the start-up spectrum first.
    void ResetToNewDocument();
    // Takes a whole set of inputs as they were stored, unchanged: opening a pattern file and
    // setting up a pattern before its first computation go through here. The spots are
    // cleared; a computation that fails afterwards returns to these inputs.
    void restoreInputs(PatternInputs inputs);
    // Recomputes the spot list from the inputs, updates the saturation and asks for a repaint.
    // A spot list beyond kMaxSpotCount or one that does not fit in memory is not taken: the
    // message says so, and the spots and their inputs stay those of the last computation.
    // Returns whether the new spots were taken. In the background it returns at once, true, and
    // the spots (or the message, and the return) follow when the walk ends.
    bool computeSpots();
    void clearSpots();

    // The pattern file, of the completed inputs.
    std::string serialize() const;
    // Reads a pattern file into this document, as opening a file does, and computes its spots.
    // A wrong signature or a damaged file leaves the document as it was and gives the message
    // for the host to show. The modified flag is clear after a file was taken.
    Status deserialize(std::string_view bytes);

    // The settings commands, applied after their dialogs return.
    void takeSpectrum(const Spectrum& edited);
    void takeStructure(const FlatStructure& edited, const DiffractionSettingsEditor& editor);
    bool runDiffractionSetting(const DiffractionSettingsEditor& editor);
    void takeDiffractionSettings(const DiffractionSettings& accepted);
    // Settings refined by the orientation fit, taken whole; the spots are computed again.
    // Returns whether the new spots were taken.
    bool takeRefinedSettings(const DiffractionSettings& refined);
    void takeRotation(double rotationX, double rotationY);
    // Turns the crystal by psi degrees about the beam, counter-clockwise as seen from the
    // source. The pattern file has no such angle: the turn is folded into real-valued surface
    // and side planes, X and Y stay. Nothing happens without a defined crystal.
    void turnAboutBeam(double psi);
    void stepRotation(RotationAxis axis, double step);
    void takeImagingDistance(double centimetres);
    void stepDistance(double step);
    void takeIntensityAdjustment(double saturationPercent, double minimumIntensity);
    void normalizeIntensity();
    void takePatternSize(double widthCentimetres, double heightCentimetres);
    void takeSpotSize(double widthFilmUnits, double heightFilmUnits);
    void takeCalibratedZoom(double measuredMillimetres);
    // View options: the document keeps them for its next save without being marked modified.
    void setShowCrossline(bool show) { m_inputs.showCrossline = show; }
    void setShowIndex(bool show) { m_inputs.showIndex = show; }
    void setGrayscaleSpots(bool grayscale) { m_inputs.grayscaleSpots = grayscale; }
    // Brought into the zoom box's range.
    void setZoom(double zoom);
    // A spot of the list, or -1 (also for any index outside the list): none selected.
    void selectSpot(int index);
    // The minimum intensity as the Adjust Intensity dialog shows it ("%15.8f", trimmed).
    std::string minimumIntensityText() const;

private:
    struct BackgroundJob;
    // One state of the settings in the undo history, with the number that names it.
    struct HistoryEntry {
        std::shared_ptr<const PatternInputs> inputs;
        long long stateId = 0;
    };
    struct History {
        std::vector<HistoryEntry> undo, redo;
    };
    // What a command or a run of computations returns to when it is cancelled.
    struct CommandStart {
        PatternInputs inputs;
        History history;
        bool modified = false;
        long long stateId = 0;
    };
    // The funnel: every command opens one for its duration; the outermost records the change.
    class CommandScope {
    public:
        explicit CommandScope(CXtalspDoc& doc) : m_doc(doc) { m_doc.beginCommand(); }
        ~CommandScope() { m_doc.endCommand(); }
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        CXtalspDoc& m_doc;
    };
    void beginCommand();
    void endCommand();
    CommandStart commandStart() const;
    void returnTo(const CommandStart& start);
    void stepHistory(std::vector<HistoryEntry>& from, std::vector<HistoryEntry>& to);
    void clearHistory();

    bool computeInBackground();
    void startBackgroundJob();
    // The worker's part: reads only the job, and posts its end to the document's thread.
    static void runJob(const std::shared_ptr<BackgroundJob>& job,
                       const std::weak_ptr<CXtalspDoc*>& owner);
    void backgroundJobEnded();
    void failBackgroundRun();
    void stopBackgroundRun();
    void takeSpots(SpotComputationResult& result);

    void readStoredDefaults();

    // What a spot list was computed from, to return to when a computation fails.
    struct ComputedInputs {
        Spectrum spectrum;
        CrystalStructure structure;
        DiffractionSettings settings;
        IntensityScale intensityScale;
        double filmWidth, filmHeight;
    };
    ComputedInputs currentInputs() const;
    static ComputedInputs computedPartOf(const PatternInputs& inputs);
    void returnToComputedInputs(const ComputedInputs& inputs);
    std::optional<SpotComputationResult> runComputation() const;
    void notifyGeometryStatus();
    void writeSetting(const char* key, const std::string& value);
    UserPrompt& prompt() const { return *m_services.prompt; }

    DocumentServices m_services;
    PatternInputs m_inputs;
    double m_calibratedZoom = 1.0;
    int m_selectedSpot = -1;
    SpotList m_spots;
    std::vector<DocumentObserver*> m_observers;
    std::optional<ComputedInputs> m_computedInputs;
    bool m_modified = false;

    std::vector<HistoryEntry> m_undo, m_redo;
    long long m_stateId = 0, m_lastStateId = 0, m_savedStateId = 0;
    int m_commandDepth = 0, m_gestureDepth = 0;
    std::optional<CommandStart> m_commandStart;

    // The background run: the walk on its worker, whether newer settings wait for the next
    // walk, and what a cancel returns to.
    std::shared_ptr<BackgroundJob> m_job;
    bool m_busy = false, m_recomputeWanted = false;
    std::optional<CommandStart> m_runStart;
    std::chrono::steady_clock::time_point m_busySince;
    // Posted results hold a weak reference: a document closed meanwhile is not touched.
    std::shared_ptr<CXtalspDoc*> m_self = std::make_shared<CXtalspDoc*>(this);
};

} // namespace xtalsp
