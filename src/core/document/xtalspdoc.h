// The pattern document: spectrum, crystal, diffraction settings, film, intensity scale, view
// options and the computed spot list of one pattern.
#pragma once

#include "computation/diffractionsettings.h"
#include "computation/intensityscale.h"
#include "computation/lauespot.h"
#include "computation/spotcomputation.h"
#include "platform/settingsstore.h"
#include "platform/userprompt.h"
#include "spectrum/spectrum.h"
#include "structure/crystalstructure.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xtalsp {

class CXtalspDoc;
struct PatternContent;

// What a document needs from its host.
struct DocumentServices {
    UserPrompt* prompt = nullptr;      // messages and questions; required
    SettingsStore* settings = nullptr; // per-user settings; none: every fallback, nothing stored
    // The directory of "Default.Spectrum". Without one, new documents take the built-in
    // spectrum without touching any file (the command-line tool works so).
    std::optional<std::string> applicationDirectory;
    // The most spots a computation may give; tests lower it.
    std::size_t spotLimit = kMaxSpotCount;
    // The user's own data folder: its copy of "Default.Spectrum" comes first, and a new default
    // file goes there when the application directory cannot be written (an installed program).
    std::optional<std::string> userDataDirectory = std::nullopt;
    bool applicationDirectoryWritable = true;
    // Shared by the documents of a run, so that falling back to the built-in spectrum is told
    // once; none: told every time.
    bool* spectrumFallbackTold = nullptr;
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

// Defaults and valid ranges of the values new documents read from the settings store.
inline constexpr double kDefaultFilmWidth = 2000.0; // film units (0.1 mm)
inline constexpr double kDefaultFilmHeight = 1500.0;
inline constexpr double kMinFilmSize = 200.0;
inline constexpr double kMaxFilmSize = 50000.0;
inline constexpr double kDefaultSpotSize = 20.0;
inline constexpr double kMinSpotSize = 5.0;
inline constexpr double kMaxSpotSize = 200.0;
inline constexpr double kMinCalibratedZoom = 0.1;
inline constexpr double kMaxCalibratedZoom = 5.0;
inline constexpr double kMinZoom = 0.1; // the zoom box's range, 10 % to 500 %
inline constexpr double kMaxZoom = 5.0;
inline constexpr double kMaxDistance = 50000.0;
inline constexpr double kMaxRotation = 89.9999; // degrees

class CXtalspDoc {
public:
    explicit CXtalspDoc(DocumentServices services);
    CXtalspDoc(const CXtalspDoc&) = delete;
    CXtalspDoc& operator=(const CXtalspDoc&) = delete;

    // Stored in the pattern file.
    Spectrum spectrum;
    CrystalStructure structure;
    DiffractionSettings settings;
    double filmWidth = kDefaultFilmWidth, filmHeight = kDefaultFilmHeight; // film units
    double spotWidth = kDefaultSpotSize, spotHeight = kDefaultSpotSize;    // film units
    IntensityScale intensityScale;
    std::int32_t showCrossline = 1, showIndex = 0, grayscaleSpots = 1;
    double zoom = 1.0;
    // Not stored.
    double calibratedZoom = 1.0; // real size / nominal size of the screen
    std::int32_t selectedSpot = -1;

    double halfFilmWidth() const { return filmWidth * 0.5; }
    double halfFilmHeight() const { return filmHeight * 0.5; }
    ReciprocalBasis reciprocalBasis() const; // of the cell; zero without a defined structure
    bool isCrystalDefined() const;
    // Commands need an established distance: above one film unit.
    bool hasEstablishedSettings() const { return settings.distance > 1.0; }

    const std::vector<LaueSpot>& spots() const { return m_spots; }
    int spotCount() const { return static_cast<int>(m_spots.size()); }
    const LaueSpot* spotAt(int index) const;

    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    void addObserver(DocumentObserver* observer);
    void removeObserver(DocumentObserver* observer);

    // Every field to its new-document value, the start-up spectrum first.
    void ResetToNewDocument();
    // Recomputes the spot list from the inputs, updates the saturation and asks for a repaint.
    // A spot list beyond kMaxSpotCount or one that does not fit in memory is not taken: the
    // message says so, and the spots and their inputs stay those of the last computation.
    // Returns whether the new spots were taken.
    bool computeSpots();
    void clearSpots();

    // The pattern file.
    std::string serialize() const;
    // Reads a pattern file into this document, as opening a file does: a wrong signature or a
    // damaged file shows its message and leaves a new document. Returns whether the file's
    // content was taken. The modified flag is clear afterwards either way.
    bool deserialize(std::string_view bytes);

    // The settings commands, applied after their dialogs return.
    void takeSpectrum(const Spectrum& edited);
    void takeStructure(const FlatStructure& edited, const DiffractionSettingsEditor& editor);
    bool runDiffractionSetting(const DiffractionSettingsEditor& editor);
    void takeDiffractionSettings(const DiffractionSettings& accepted);
    void takeRotation(double rotationX, double rotationY);
    void stepRotation(RotationAxis axis, double step);
    void takeImagingDistance(double centimetres);
    void stepDistance(double step);
    void takeIntensityAdjustment(double saturationPercent, double minimumIntensity);
    void normalizeIntensity();
    void takePatternSize(double widthCentimetres, double heightCentimetres);
    void takeSpotSize(double widthFilmUnits, double heightFilmUnits);
    void takeCalibratedZoom(double measuredMillimetres);
    // The minimum intensity as the Adjust Intensity dialog shows it ("%15.8f", trimmed).
    std::string minimumIntensityText() const;

private:
    void readStoredDefaults();
    void takePatternContent(PatternContent content);

    // What a spot list was computed from, to return to when a computation fails.
    struct ComputedInputs {
        Spectrum spectrum;
        CrystalStructure structure;
        DiffractionSettings settings;
        IntensityScale intensityScale;
        double filmWidth, filmHeight;
    };
    ComputedInputs currentInputs() const;
    void restoreInputs(const ComputedInputs& inputs);
    std::optional<SpotComputationResult> runComputation() const;
    void notifyGeometryStatus();
    void writeSetting(const char* key, const std::string& value);
    UserPrompt& prompt() const { return *m_services.prompt; }

    DocumentServices m_services;
    std::vector<LaueSpot> m_spots;
    std::vector<DocumentObserver*> m_observers;
    std::optional<ComputedInputs> m_computedInputs;
    bool m_modified = false;
};

} // namespace xtalsp
