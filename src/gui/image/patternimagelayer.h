// The measured image shown under one pattern, its calibration, contrast and peaks: what the
// pattern's NAME.ptn.image file keeps, and what the views draw beneath the simulated spots.
#pragma once

#include "core/image/patternimagefile.h"
#include "gui/image/imagedisplay.h"
#include "gui/orientation/spotmarks.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace xtalsp::gui {

// The default peak threshold in standard deviations of the background noise.
inline constexpr double kDefaultPeakThresholdSigma = PeakSearchSettings{}.thresholdSigma;

// Reads an image file to lay under a pattern. The one place where the program's image readers
// are chosen.
Result<DetectorImage> readImageForPattern(const std::string& path);
// Whether the file name is that of an image the program can open under a pattern.
bool isPatternImageFile(const QString& path);

class PatternImageLayer : public QObject {
    Q_OBJECT

public:
    PatternImageLayer() = default;
    ~PatternImageLayer() override;

    bool hasImage() const { return m_image.has_value(); }
    const DetectorImage* image() const { return m_image ? &*m_image : nullptr; }
    // Settings exist while an image is shown, and also when the pattern's file named an image
    // that could not be read: the calibration stays until the user closes it.
    bool hasSettings() const { return m_settings.has_value(); }
    const PatternImageSettings& settings() const;

    // A newly opened image: the calibration the file proposes (its pitch and beam centre, else
    // the image centre), the contrast from its percentiles, no peaks.
    void showImage(DetectorImage image, const std::string& path);
    // What the pattern's NAME.ptn.image holds, with its image when that could be read.
    void restore(PatternImageSettings settings, std::optional<DetectorImage> image);
    // Forgets the image and its settings; the next save removes the pattern's settings file.
    void closeImage();
    bool closedSinceSave() const { return m_closedSinceSave; }
    // Whether the settings file as last saved or opened held marks.
    bool savedWithMarks() const { return m_savedWithMarks; }
    void markSaved(bool withMarks = false) {
        m_closedSinceSave = false;
        m_savedWithMarks = withMarks;
    }

    // The measured spots marked on the pattern, shared by every window on it. They are kept in
    // the settings file with the image, or alone when the pattern has no image; the settings'
    // own markedSpots are not used while the layer holds them.
    SpotMarks& marks() { return m_marks; }
    const SpotMarks& marks() const { return m_marks; }

    void setCalibration(const ImageCalibration& calibration);
    void setContrast(const ContrastSettings& contrast);
    void setSpotOpacity(double opacity);
    void setPeaks(std::vector<FilmPeak> peaks);
    // Runs the peak search on the image with the given threshold and keeps the peaks found.
    void findPeaks(double thresholdSigma);
    double peakThresholdSigma() const { return m_peakThresholdSigma; }

    // The value of the image pixel under a film point, if the point lies on the image.
    std::optional<float> valueAt(FilmPoint film) const;
    // The film size in mm that covers the whole calibrated image, symmetric about the centre.
    std::optional<FilmPoint> coveringFilmHalfSize() const;

    // For drawing: the halved copies and the contrast table of the current image.
    const ImagePyramid* pyramid() const { return m_pyramid.get(); }
    const GreyMap* greyMap() const { return m_greyMap.get(); }
    // Changes whenever what the image looks like changes, so views know when to redraw it.
    int revision() const { return m_revision; }

    // The non-modal windows that work on this image (contrast, peak list), one of each.
    QPointer<QWidget> contrastWindow, peakWindow;

signals:
    // The image, its calibration, contrast, opacity or peaks changed.
    void changed();

private:
    void touch();
    void closeToolWindows();

    std::optional<DetectorImage> m_image;
    std::optional<PatternImageSettings> m_settings;
    std::unique_ptr<ImagePyramid> m_pyramid;
    std::unique_ptr<GreyMap> m_greyMap;
    double m_peakThresholdSigma = kDefaultPeakThresholdSigma;
    bool m_closedSinceSave = false;
    bool m_savedWithMarks = false;
    SpotMarks m_marks;
    int m_revision = 0;
};

// Reads the settings beside the pattern just opened into the layer, the marks included; returns
// the messages for the user (a settings file that cannot be read, an image that cannot be read).
std::vector<Message> loadPatternImage(PatternImageLayer& layer, const std::string& patternPath);
// Writes the layer's settings and marks beside the pattern just saved; marks without an image
// are written with an empty image path. With neither nothing is written, and a settings file
// left from an image the user closed or from marks the user cleared is removed. Returns the
// failure, if any.
std::optional<Message> savePatternImage(PatternImageLayer& layer, const std::string& patternPath);

} // namespace xtalsp::gui
