// The image layer of a pattern: its state, the peak search on it, and its settings file.
#include "gui/image/patternimagelayer.h"

#include "render/qt/qtimagereader.h"

#include "core/image/peaksearch.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace xtalsp::gui {

namespace {

// Simulated spots drawn at half strength over a newly opened image, so the measured spot under
// each stays in sight.
constexpr double kNewImageSpotOpacity = 0.5;

const PatternImageSettings& noSettings() {
    static const PatternImageSettings none;
    return none;
}

ImageCalibration proposedCalibration(const DetectorImage& image) {
    ImageCalibration calibration;
    if (image.proposedPitch) {
        calibration.columnPitchMm = image.proposedPitch->columnMm;
        calibration.rowPitchMm = image.proposedPitch->rowMm;
    }
    if (image.proposedCentre) {
        calibration.centreColumn = image.proposedCentre->column;
        calibration.centreRow = image.proposedCentre->row;
    } else {
        calibration.centreColumn = (image.width - 1) * 0.5;
        calibration.centreRow = (image.height - 1) * 0.5;
    }
    return calibration;
}

} // namespace

Result<DetectorImage> readImageForPattern(const std::string& path) {
    return readAnyImage(path);
}

bool isPatternImageFile(const QString& path) {
    static const QStringList toolkitSuffixes{"png", "jpg", "jpeg"};
    return isCoreImageFile(QFileInfo(path).fileName().toStdString()) ||
           toolkitSuffixes.contains(QFileInfo(path).suffix().toLower());
}

PatternImageLayer::~PatternImageLayer() {
    closeToolWindows();
}

// The tool windows were made for the image they show; another image gets new ones.
void PatternImageLayer::closeToolWindows() {
    for (QWidget* window : {contrastWindow.data(), peakWindow.data()}) {
        if (window != nullptr)
            window->deleteLater();
    }
    contrastWindow = nullptr;
    peakWindow = nullptr;
}

const PatternImageSettings& PatternImageLayer::settings() const {
    return m_settings ? *m_settings : noSettings();
}

void PatternImageLayer::showImage(DetectorImage image, const std::string& path) {
    PatternImageSettings settings;
    settings.imagePath = path;
    settings.calibration = proposedCalibration(image);
    settings.contrast = proposedContrast(image);
    settings.spotOpacity = kNewImageSpotOpacity;
    restore(std::move(settings), std::move(image));
}

void PatternImageLayer::restore(PatternImageSettings settings, std::optional<DetectorImage> image) {
    closeToolWindows();
    m_settings = std::move(settings);
    m_settings->markedSpots.clear(); // held by m_marks
    m_image = std::move(image);
    m_pyramid = m_image ? std::make_unique<ImagePyramid>(*m_image) : nullptr;
    m_greyMap = std::make_unique<GreyMap>(m_settings->contrast);
    touch();
}

void PatternImageLayer::closeImage() {
    if (!m_settings)
        return;
    closeToolWindows();
    m_pyramid.reset();
    m_image.reset();
    m_settings.reset();
    m_greyMap.reset();
    m_closedSinceSave = true;
    touch();
}

void PatternImageLayer::setCalibration(const ImageCalibration& calibration) {
    if (!m_settings || m_settings->calibration == calibration)
        return;
    m_settings->calibration = calibration;
    touch();
}

void PatternImageLayer::setContrast(const ContrastSettings& contrast) {
    if (!m_settings || m_settings->contrast == contrast)
        return;
    m_settings->contrast = contrast;
    m_greyMap = std::make_unique<GreyMap>(contrast);
    touch();
}

void PatternImageLayer::setSpotOpacity(double opacity) {
    if (!m_settings || !std::isfinite(opacity))
        return;
    m_settings->spotOpacity = std::clamp(opacity, 0.0, 1.0);
    touch();
}

void PatternImageLayer::setPeaks(std::vector<FilmPeak> peaks) {
    if (!m_settings)
        return;
    m_settings->peaks = std::move(peaks);
    touch();
}

void PatternImageLayer::findPeaks(double thresholdSigma) {
    if (!m_image || !m_settings)
        return;
    m_peakThresholdSigma = thresholdSigma;
    PeakSearchSettings search;
    search.thresholdSigma = thresholdSigma;
    setPeaks(peaksOnFilm(xtalsp::findPeaks(*m_image, search), m_settings->calibration));
}

std::optional<float> PatternImageLayer::valueAt(FilmPoint film) const {
    if (!m_image || !m_settings)
        return std::nullopt;
    const PixelPoint pixel = filmToPixel(m_settings->calibration, film);
    const double column = std::floor(pixel.column + 0.5), row = std::floor(pixel.row + 0.5);
    if (!(column >= 0.0 && row >= 0.0 && column < m_image->width && row < m_image->height))
        return std::nullopt;
    return m_image->at(static_cast<int>(column), static_cast<int>(row));
}

std::optional<FilmPoint> PatternImageLayer::coveringFilmHalfSize() const {
    if (!m_image || !m_settings)
        return std::nullopt;
    // The outer corners of the corner pixels, half a pixel beyond their centres.
    const double right = m_image->width - 0.5, bottom = m_image->height - 0.5;
    FilmPoint half;
    for (const PixelPoint corner : {PixelPoint{-0.5, -0.5}, PixelPoint{right, -0.5},
                                    PixelPoint{-0.5, bottom}, PixelPoint{right, bottom}}) {
        const FilmPoint film = pixelToFilm(m_settings->calibration, corner);
        half.xMm = std::max(half.xMm, std::abs(film.xMm));
        half.yMm = std::max(half.yMm, std::abs(film.yMm));
    }
    return half;
}

void PatternImageLayer::touch() {
    ++m_revision;
    emit changed();
}

std::vector<Message> loadPatternImage(PatternImageLayer& layer, const std::string& patternPath) {
    std::optional<Result<OpenedPatternImage>> opened =
        openPatternImage(patternPath, readImageForPattern);
    if (!opened)
        return {};
    if (!opened->ok())
        return {opened->failure()};
    OpenedPatternImage& found = opened->value();
    const bool withMarks = !found.settings.markedSpots.empty();
    layer.marks().setMarks(std::move(found.settings.markedSpots));
    std::vector<Message> messages;
    if (found.imageProblem)
        messages.push_back(*found.imageProblem);
    // A file of marks alone names no image: there is no calibration to keep.
    if (!found.settings.imagePath.empty())
        layer.restore(std::move(found.settings), std::move(found.image));
    layer.markSaved(withMarks);
    return messages;
}

std::optional<Message> savePatternImage(PatternImageLayer& layer, const std::string& patternPath) {
    const std::vector<FilmPoint>& marks = layer.marks().marks();
    if (layer.hasSettings() || !marks.empty()) {
        PatternImageSettings settings = layer.settings();
        settings.markedSpots = marks;
        const Status written = writePatternImageSettings(settings, patternPath);
        if (!written.ok())
            return written.failure();
    } else if (layer.closedSinceSave() || layer.savedWithMarks()) {
        std::error_code ignored;
        std::filesystem::remove(std::filesystem::path(patternImageSettingsPath(patternPath)),
                                ignored);
    }
    layer.markSaved(!marks.empty());
    return std::nullopt;
}

} // namespace xtalsp::gui
