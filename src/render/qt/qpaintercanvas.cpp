// The canvas over a QPainter: screen, printer, print preview and image exports.
#include "render/qt/qpaintercanvas.h"

#include "core/text/cp1252.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

// Drawing units per inch: one unit is 0.1 mm.
constexpr double kUnitsPerInch = 254.0;
// The standard font on paper, where the screen's pixel size means nothing: 3.3 mm, the height of
// printed labels.
constexpr int kPaperStandardFontHeight = 33;

QColor toQColor(Rgb colour) {
    return QColor(colour.red, colour.green, colour.blue);
}

int extentUnits(double pixels, double pixelsPerUnit) {
    return static_cast<int>(std::ceil(std::clamp(pixels / pixelsPerUnit, 0.0, 1e8)));
}

} // namespace

QPainterCanvas::QPainterCanvas(QPainter& painter, double dotsPerInch, bool isDisplay)
    : m_painter(painter), m_deviceTransform(painter.transform()),
      m_pixelsPerUnit(dotsPerInch > 0 ? dotsPerInch / kUnitsPerInch : 1.0), m_display(isDisplay),
      m_font(standardFont(0)) {
    m_painter.save();
    // Antialiased edges would leave seams between adjacent fills.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setBrush(Qt::NoBrush);
    QTransform drawing;
    drawing.scale(m_pixelsPerUnit, -m_pixelsPerUnit); // y up
    m_painter.setTransform(drawing * m_deviceTransform);
}

QPainterCanvas::~QPainterCanvas() {
    m_painter.restore();
}

void QPainterCanvas::fillRect(const CanvasRect& rect, Rgb colour) {
    const QPointF low(std::min(rect.left, rect.right), std::min(rect.top, rect.bottom));
    const QPointF high(std::max(rect.left, rect.right), std::max(rect.top, rect.bottom));
    m_painter.fillRect(QRectF(low, high), toQColor(colour));
}

void QPainterCanvas::polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) {
    // Width 0 is Qt's cosmetic one-pixel pen; wider pens scale with the drawing and have round
    // ends and joins, as geometric pens of the desktop platform do.
    QPen pen(toQColor(colour), std::max(penWidth, 0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    m_painter.setPen(pen);
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const CanvasPoint& point : points)
        polygon << QPointF(point.x, point.y);
    m_painter.drawPolyline(polygon);
}

QFont QPainterCanvas::standardFont(int height) const {
    QFont font = QGuiApplication::font();
    if (height <= 0 && m_display)
        return font; // its own size on this screen
    const int units = height > 0 ? height : kPaperStandardFontHeight;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(units * m_pixelsPerUnit))));
    return font;
}

bool QPainterCanvas::selectFont(const FontSpec& font) {
    if (font.faceName.empty()) {
        m_font = standardFont(font.height);
        return true;
    }
    // Qt always finds a face (fontconfig substitutes a metric-compatible one, Liberation Serif
    // for Times New Roman); only a font too small for the device cannot be made.
    const double pixels = font.height * m_pixelsPerUnit;
    if (!(pixels >= 1.0) || pixels > 1e6) {
        m_font = standardFont(font.height);
        return false;
    }
    QFont requested(toQString(font.faceName));
    requested.setPixelSize(static_cast<int>(std::lround(pixels)));
    requested.setWeight(static_cast<QFont::Weight>(std::clamp(font.weight, 1, 1000)));
    requested.setStyleHint(QFont::Serif); // the labels ask for a roman (serif) family
    m_font = requested;
    return true;
}

void QPainterCanvas::drawText(CanvasPoint topLeft, std::string_view text) {
    const QFontMetricsF metrics(m_font, m_painter.device());
    const QPointF anchor = toDevice(topLeft);
    m_painter.save();
    m_painter.setTransform(m_deviceTransform);
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(anchor.x(), anchor.y() + metrics.ascent()), toQString(text));
    m_painter.restore();
}

void QPainterCanvas::drawTextInBox(const CanvasRect& box, std::string_view text,
                                   TextAlignment alignment) {
    const QRectF area(toDevice({box.left, box.top}), toDevice({box.right, box.bottom}));
    if (!(area.width() > 0) || !(area.height() > 0))
        return; // an empty box clips everything away
    const int horizontal = alignment == TextAlignment::Right ? Qt::AlignRight : Qt::AlignLeft;
    m_painter.save();
    m_painter.setTransform(m_deviceTransform);
    m_painter.setClipRect(area, Qt::IntersectClip);
    m_painter.setFont(m_font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(area, horizontal | Qt::AlignBottom | Qt::TextSingleLine, toQString(text));
    m_painter.restore();
}

TextExtent QPainterCanvas::textExtent(std::string_view text) {
    const QFontMetricsF metrics(m_font, m_painter.device());
    return {extentUnits(metrics.horizontalAdvance(toQString(text)), m_pixelsPerUnit),
            extentUnits(metrics.height(), m_pixelsPerUnit)};
}

void QPainterCanvas::drawGreyRaster(const CanvasRect& target, const GreyRaster& raster,
                                    const CanvasRect& clip) {
    if (raster.width <= 0 || raster.height <= 0 ||
        raster.pixels.size() != static_cast<std::size_t>(raster.width) * raster.height)
        return;
    // A view of the raster's bytes: no copy of a detector-sized image per paint.
    const QImage image(raster.pixels.data(), raster.width, raster.height, raster.width,
                       QImage::Format_Grayscale8);
    // Drawn in device coordinates, where the image's first row is at the top.
    const QRectF area(toDevice({target.left, target.top}), toDevice({target.right, target.bottom}));
    const QRectF visible(toDevice({clip.left, clip.top}), toDevice({clip.right, clip.bottom}));
    m_painter.save();
    m_painter.setTransform(m_deviceTransform);
    m_painter.setClipRect(visible.normalized(), Qt::IntersectClip);
    m_painter.drawImage(area.normalized(), image);
    m_painter.restore();
}

void QPainterCanvas::setOpacity(double opacity) {
    m_painter.setOpacity(std::clamp(opacity, 0.0, 1.0));
}

std::optional<CanvasRect> QPainterCanvas::visibleArea() const {
    if (!m_display || m_painter.device() == nullptr)
        return std::nullopt;
    // The device's size in its own pixels is at least its size in the painter's logical
    // pixels, so the area errs on the large side for a high-resolution image too.
    const QRectF device(0, 0, m_painter.device()->width(), m_painter.device()->height());
    QRectF area = m_painter.transform().inverted().mapRect(device); // drawing units
    if (m_painter.hasClipping())
        area = area.intersected(m_painter.clipBoundingRect());
    // Two device pixels and a unit of room: rounding of the fills never reaches further.
    const double margin = 2.0 / m_pixelsPerUnit + 1.0;
    const auto unit = [](double value) { return static_cast<int>(std::clamp(value, -1e9, 1e9)); };
    // QRectF keeps y growing downwards: its top() is the lowest drawing y.
    return CanvasRect{
        unit(std::floor(area.left() - margin)), unit(std::ceil(area.bottom() + margin)),
        unit(std::ceil(area.right() + margin)), unit(std::floor(area.top() - margin))};
}

QPointF QPainterCanvas::toDevice(CanvasPoint point) const {
    return QPointF(point.x * m_pixelsPerUnit, -point.y * m_pixelsPerUnit);
}

QString QPainterCanvas::toQString(std::string_view text) {
    return QString::fromStdString(cp1252ToUtf8(text));
}

} // namespace xtalsp
