// The measured image under the pattern view: drawn beneath the film's spots at true scale, its
// peaks marked over the pattern, and the position and value under the pointer.
#include "gui/view/xtalspview.h"

#include "core/image/filmraster.h"

#include "core/text/numbertext.h"
#include "gui/image/patternimagelayer.h"
#include "gui/view/viewmetrics.h"
#include "render/qt/qpaintercanvas.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <functional>

namespace xtalsp::gui {

namespace {

// Measured peaks are marked with crosses this many device pixels from arm to arm.
constexpr double kPeakCrossSize = 9.0;
const QColor kPeakColour(255, 0, 255);

// The canvas of the view while an image is shown: the film's white ground, the first area the
// pattern fills, gets the image laid on it before the crossline and spots are drawn over it.
class ImageGroundCanvas : public QPainterCanvas {
public:
    ImageGroundCanvas(QPainter& painter, double dotsPerInch,
                      std::function<void(const CanvasRect&)> paintGround)
        : QPainterCanvas(painter, dotsPerInch, true), m_paintGround(std::move(paintGround)) {}

    void fillRect(const CanvasRect& rect, Rgb colour) override {
        QPainterCanvas::fillRect(rect, colour);
        if (m_paintGround && colour == kWhite) {
            m_paintGround(rect);
            m_paintGround = nullptr;
        }
    }

private:
    std::function<void(const CanvasRect&)> m_paintGround;
};

} // namespace

void CXtalspView::setImageLayer(PatternImageLayer* layer) {
    if (m_imageLayer != nullptr)
        disconnect(m_imageLayer, nullptr, this, nullptr);
    m_imageLayer = layer;
    m_imageCache.reset();
    viewport()->setMouseTracking(layer != nullptr);
    if (layer != nullptr) {
        viewport()->installEventFilter(this);
        connect(layer, &PatternImageLayer::changed, this, [this] { viewport()->update(); });
    }
    viewport()->update();
}

bool CXtalspView::showsImage() const {
    return m_imageLayer != nullptr && m_imageLayer->hasImage();
}

// The film as the screen drawing places it, in device pixels of the whole (unscrolled)
// drawing: the beam centre in the middle of the drawing, y down.
FilmPlacement CXtalspView::screenFilmPlacement() const {
    const double pixelsPerUnit = unitsToPixels(1.0, screenDpi());
    return {QPointF(m_extent.width * 0.5 * pixelsPerUnit, m_extent.height * 0.5 * pixelsPerUnit),
            10.0 * m_scale * pixelsPerUnit};
}

FilmPoint CXtalspView::filmPointAt(QPointF viewportPosition) const {
    return deviceToFilm(screenFilmPlacement(), viewportPosition + scrollPosition());
}

// Where the view's drawing options are filled while an image lies under the pattern: the
// spots' look over an image belongs here.
void CXtalspView::applyImageDrawingOptions(ViewDrawingOptions& options) const {
    options.spotOutlines = true;
    options.spotOpacity = m_imageLayer->settings().spotOpacity;
}

const ImageUnderlay* CXtalspView::pictureUnderlay() const {
    if (!showsImage()) {
        m_pictureUnderlay.reset();
        return nullptr;
    }
    if (!m_pictureUnderlay || m_pictureUnderlayRevision != m_imageLayer->revision()) {
        const PatternImageSettings& settings = m_imageLayer->settings();
        m_pictureUnderlay =
            filmRaster(*m_imageLayer->image(), settings.calibration, settings.contrast);
        m_pictureUnderlayRevision = m_imageLayer->revision();
    }
    return &*m_pictureUnderlay;
}

std::optional<std::string> CXtalspView::drawOverImage(QPainter& painter, double dotsPerInch) {
    const QTransform device = painter.transform();
    ViewDrawingOptions options = drawingOptions();
    applyImageDrawingOptions(options);
    std::optional<std::string> paneText;
    {
        ImageGroundCanvas canvas(painter, dotsPerInch, [&](const CanvasRect& film) {
            const QTransform drawing = painter.transform();
            painter.setTransform(device);
            paintImageGround(painter, film);
            painter.setTransform(drawing);
        });
        paneText = drawPattern(canvas, m_doc, options);
    }
    paintPeakCrosses(painter);
    return paneText;
}

void CXtalspView::paintImageGround(QPainter& painter, const CanvasRect& film) {
    const double pixelsPerUnit = unitsToPixels(1.0, screenDpi());
    const QRect filmArea = QRectF(QPointF(film.left * pixelsPerUnit, -film.top * pixelsPerUnit),
                                  QPointF(film.right * pixelsPerUnit, -film.bottom * pixelsPerUnit))
                               .toAlignedRect();
    const QRect region = filmArea & viewport()->rect().translated(scrollPosition());
    if (region.isEmpty())
        return;
    const FilmPlacement placement = screenFilmPlacement();
    if (!m_imageCache)
        m_imageCache = std::make_unique<ImageRegionCache>();
    ImageRegionCache& cache = *m_imageCache;
    if (cache.region != region || cache.origin != placement.origin ||
        cache.pixelsPerMm != placement.pixelsPerMm || cache.revision != m_imageLayer->revision()) {
        cache.picture =
            renderImageRegion(*m_imageLayer->pyramid(), m_imageLayer->settings().calibration,
                              *m_imageLayer->greyMap(), placement, region);
        cache.region = region;
        cache.origin = placement.origin;
        cache.pixelsPerMm = placement.pixelsPerMm;
        cache.revision = m_imageLayer->revision();
    }
    painter.save();
    painter.setClipRect(filmArea);
    painter.drawImage(region.topLeft(), cache.picture);
    painter.restore();
}

void CXtalspView::paintPeakCrosses(QPainter& painter) {
    const std::vector<FilmPeak>& peaks = m_imageLayer->settings().peaks;
    if (peaks.empty())
        return;
    const FilmPlacement placement = screenFilmPlacement();
    const QRectF visible =
        QRectF(viewport()->rect().translated(scrollPosition()))
            .adjusted(-kPeakCrossSize, -kPeakCrossSize, kPeakCrossSize, kPeakCrossSize);
    QPainterPath crosses;
    const double arm = kPeakCrossSize * 0.5;
    for (const FilmPeak& peak : peaks) {
        const QPointF at = filmToDevice(placement, {peak.xMm, peak.yMm});
        if (!visible.contains(at))
            continue;
        crosses.moveTo(at - QPointF(arm, 0.0));
        crosses.lineTo(at + QPointF(arm, 0.0));
        crosses.moveTo(at - QPointF(0.0, arm));
        crosses.lineTo(at + QPointF(0.0, arm));
    }
    painter.save();
    painter.setPen(QPen(kPeakColour, 0));
    painter.drawPath(crosses);
    painter.restore();
}

QString CXtalspView::imagePointText(QPointF viewportPosition) const {
    if (!showsImage())
        return {};
    const FilmPoint film = filmPointAt(viewportPosition);
    std::string text =
        "x " + formatFixed(film.xMm, 0, 2) + " mm, y " + formatFixed(film.yMm, 0, 2) + " mm";
    if (const std::optional<float> value = m_imageLayer->valueAt(film))
        text += ", value " + trimFixedNumber(formatFixed(*value, 0, 3));
    return QString::fromStdString(text);
}

bool CXtalspView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == viewport() && event->type() == QEvent::MouseMove && showsImage())
        m_host.showPointerStatus(imagePointText(static_cast<QMouseEvent*>(event)->position()));
    if (watched == viewport() && event->type() == QEvent::Leave && showsImage())
        m_host.showPointerStatus(QString());
    return QAbstractScrollArea::eventFilter(watched, event);
}

} // namespace xtalsp::gui
