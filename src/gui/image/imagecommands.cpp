// The image commands of the active pattern.
#include "gui/image/imagecommands.h"

#include "core/document/fieldranges.h"
#include "gui/image/contrastdlg.h"
#include "gui/image/imagecalibrationdlg.h"
#include "gui/image/peaklistdlg.h"
#include "gui/shell/commandids.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

const FileDialogSpec& imageFileDialog() {
    static const FileDialogSpec request{
        "Open Image",
        "Images (*.tif *.tiff *.cbf *.png *.jpg *.jpeg);;TIFF (*.tif *.tiff);;CBF (*.cbf);;"
        "All Files (*)",
        "",
        {},
        false};
    return request;
}

bool openImageFile(PatternImageLayer& layer, const QString& path, UserPrompt& prompt) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    Result<DetectorImage> image = readImageForPattern(QFile::encodeName(absolute).toStdString());
    QGuiApplication::restoreOverrideCursor();
    if (!image.ok()) {
        prompt.show(image.failure());
        return false;
    }
    layer.showImage(std::move(image.value()), QFile::encodeName(absolute).toStdString());
    return true;
}

std::optional<std::pair<double, double>> filmSizeCoveringImage(const PatternImageLayer& layer) {
    const std::optional<FilmPoint> half = layer.coveringFilmHalfSize();
    if (!half)
        return std::nullopt;
    // Whole millimetres, rounded up so that the edge pixels stay on the film.
    const auto centimetres = [](double halfMm) {
        return std::clamp(std::ceil(2.0 * halfMm - 1e-9) / 10.0, kFilmSizeCmField.min,
                          kFilmSizeCmField.max);
    };
    return std::pair{centimetres(half->xMm), centimetres(half->yMm)};
}

void ImageCommands::setTarget(CXtalspDoc* doc, PatternImageLayer* layer, QWidget* dialogParent) {
    m_doc = doc;
    m_layer = doc != nullptr ? layer : nullptr;
    m_parent = dialogParent;
}

bool ImageCommands::handlesCommand(int id) const {
    switch (id) {
    case ID_IMAGE_OPEN:
    case ID_IMAGE_CLOSE:
    case ID_IMAGE_CALIBRATE:
    case ID_IMAGE_CONTRAST:
    case ID_IMAGE_FIT_FILM:
    case ID_IMAGE_FIND_PEAKS:
    case ID_IMAGE_PEAK_LIST:
        return true;
    default:
        return false;
    }
}

CommandState ImageCommands::commandState(int id) const {
    CommandState state;
    if (m_layer == nullptr) {
        state.enabled = false;
        return state;
    }
    switch (id) {
    case ID_IMAGE_OPEN:
        state.enabled = true;
        break;
    case ID_IMAGE_CLOSE:
        state.enabled = m_layer->hasSettings();
        break;
    default:
        state.enabled = m_layer->hasImage();
        break;
    }
    return state;
}

void ImageCommands::executeCommand(int id) {
    if (!commandState(id).enabled)
        return;
    PatternImageLayer& layer = *m_layer;
    switch (id) {
    case ID_IMAGE_OPEN:
        if (const QString path = m_chooser.openFileName(imageFileDialog()); !path.isEmpty())
            openImageFile(layer, path, m_prompt);
        break;
    case ID_IMAGE_CLOSE:
        layer.closeImage();
        break;
    case ID_IMAGE_CALIBRATE:
        if (const std::optional<ImageCalibration> calibration =
                editImageCalibration(m_parent, layer))
            layer.setCalibration(*calibration);
        break;
    case ID_IMAGE_CONTRAST:
        showContrastWindow(layer, m_parent);
        break;
    case ID_IMAGE_FIT_FILM:
        if (const auto size = filmSizeCoveringImage(layer))
            m_doc->takePatternSize(size->first, size->second);
        break;
    case ID_IMAGE_FIND_PEAKS:
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        layer.findPeaks(layer.peakThresholdSigma());
        QGuiApplication::restoreOverrideCursor();
        showPeakWindow(layer, m_chooser, m_prompt, m_parent);
        break;
    case ID_IMAGE_PEAK_LIST:
        showPeakWindow(layer, m_chooser, m_prompt, m_parent);
        break;
    default:
        break;
    }
}

} // namespace xtalsp::gui
