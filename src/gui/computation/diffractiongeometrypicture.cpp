// Vector sketch of the two Laue geometries, scaled to the widget so it stays crisp at any size.
#include "gui/computation/diffractiongeometrypicture.h"

#include "core/computation/diffractionsettings.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

// The sketch is drawn in a frame of 240 x 130 units, y downward; the beam runs along y = 55.
constexpr double kFrameWidth = 240.0;
constexpr double kFrameHeight = 130.0;
constexpr double kBeamY = 55.0;
constexpr double kFilmTop = 15.0;
constexpr double kFilmBottom = 95.0;
constexpr double kFilmThickness = 4.0;
constexpr double kCrystalHalfHeight = 18.0;
constexpr double kCrystalThickness = 6.0;
constexpr double kDimensionY = 112.0;
constexpr double kSourceRight = 40.0;

const QColor kBeamColour(200, 30, 30);
const QColor kRayColour(230, 120, 20);
const QColor kCrystalFill(170, 200, 240);
const QColor kCrystalEdge(30, 60, 150);
const QColor kFilmFill(215, 215, 215);

void drawArrowHead(QPainter& p, QPointF tip, QPointF from, double size) {
    const QPointF along = tip - from;
    const double length = std::hypot(along.x(), along.y());
    if (length <= 0.0)
        return;
    const QPointF unit = along / length;
    const QPointF normal(-unit.y(), unit.x());
    const QPointF base = tip - unit * size;
    QPainterPath head;
    head.moveTo(tip);
    head.lineTo(base + normal * (size * 0.4));
    head.lineTo(base - normal * (size * 0.4));
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
}

void drawArrow(QPainter& p, QPointF from, QPointF to, double headSize) {
    p.drawLine(from, to);
    drawArrowHead(p, to, from, headSize);
}

void drawLabel(QPainter& p, double centreX, double baselineY, const QString& text) {
    const QRectF box(centreX - 40.0, baselineY - 10.0, 80.0, 12.0);
    p.drawText(box, Qt::AlignHCenter | Qt::AlignBottom, text);
}

void drawSource(QPainter& p) {
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(QColor(120, 120, 120));
    p.drawRoundedRect(QRectF(4.0, kBeamY - 10.0, kSourceRight - 4.0, 20.0), 3.0, 3.0);
    p.setPen(Qt::white);
    p.drawText(QRectF(4.0, kBeamY - 10.0, kSourceRight - 4.0, 20.0), Qt::AlignCenter, "X-ray");
    p.setPen(Qt::black);
    drawLabel(p, 22.0, kBeamY + 24.0, "Source");
}

// The crystal with its surface plane facing the beam; `face` is the x of that surface.
void drawCrystal(QPainter& p, double face, bool faceOnLeft) {
    const double left = faceOnLeft ? face : face - kCrystalThickness;
    p.setPen(QPen(kCrystalEdge, 1.0));
    p.setBrush(kCrystalFill);
    p.drawRect(
        QRectF(left, kBeamY - kCrystalHalfHeight, kCrystalThickness, 2.0 * kCrystalHalfHeight));
    p.setPen(Qt::black);
    drawLabel(p, left + kCrystalThickness / 2.0, kBeamY - kCrystalHalfHeight - 3.0, "Crystal");
}

// A flat film standing across the beam; in back reflection the beam passes through a hole.
void drawFilm(QPainter& p, double x, bool withHole) {
    p.setPen(QPen(Qt::black, 0.8));
    p.setBrush(kFilmFill);
    if (withHole) {
        p.drawRect(QRectF(x, kFilmTop, kFilmThickness, kBeamY - 4.0 - kFilmTop));
        p.drawRect(QRectF(x, kBeamY + 4.0, kFilmThickness, kFilmBottom - kBeamY - 4.0));
    } else {
        p.drawRect(QRectF(x, kFilmTop, kFilmThickness, kFilmBottom - kFilmTop));
    }
    drawLabel(p, x + kFilmThickness / 2.0, kFilmTop - 2.0, "Film");
}

// Diffracted rays from the crystal to spots on the film.
void drawRays(QPainter& p, QPointF origin, double filmX) {
    const double offsets[] = {-34.0, -21.0, -10.0, 15.0, 28.0};
    p.setPen(QPen(kRayColour, 0.8));
    for (double offset : offsets) {
        const QPointF spot(filmX, kBeamY + offset);
        drawArrow(p, origin, spot, 4.0);
    }
}

// The sample-to-film distance D as a dimension line under the sketch.
void drawDistance(QPainter& p, double fromX, double toX, double fromBottom, double toBottom) {
    p.setPen(QPen(Qt::black, 0.6));
    p.drawLine(QPointF(fromX, fromBottom + 2.0), QPointF(fromX, kDimensionY + 4.0));
    p.drawLine(QPointF(toX, toBottom + 2.0), QPointF(toX, kDimensionY + 4.0));
    const QPointF left(std::min(fromX, toX), kDimensionY);
    const QPointF right(std::max(fromX, toX), kDimensionY);
    drawArrow(p, (left + right) / 2.0, left, 4.0);
    drawArrow(p, (left + right) / 2.0, right, 4.0);
    QFont italic = p.font();
    italic.setItalic(true);
    p.save();
    p.setFont(italic);
    drawLabel(p, (left.x() + right.x()) / 2.0, kDimensionY - 1.5, "D");
    p.restore();
}

void drawTransmission(QPainter& p) {
    const double crystalFace = 117.0;
    const double filmX = 200.0;
    drawSource(p);
    p.setPen(QPen(kBeamColour, 1.6));
    drawArrow(p, QPointF(kSourceRight, kBeamY), QPointF(crystalFace, kBeamY), 5.0);
    // The direct beam goes on through the crystal to the film.
    p.setPen(QPen(kBeamColour, 0.8, Qt::DashLine));
    p.drawLine(QPointF(crystalFace + kCrystalThickness, kBeamY), QPointF(filmX, kBeamY));
    drawRays(p, QPointF(crystalFace + kCrystalThickness, kBeamY), filmX);
    drawCrystal(p, crystalFace, true);
    drawFilm(p, filmX, false);
    drawDistance(p, crystalFace + kCrystalThickness / 2.0, filmX + kFilmThickness / 2.0,
                 kBeamY + kCrystalHalfHeight, kFilmBottom);
}

void drawBackReflection(QPainter& p) {
    const double filmX = 90.0;
    const double crystalFace = 200.0;
    drawSource(p);
    p.setPen(QPen(kBeamColour, 1.6));
    drawArrow(p, QPointF(kSourceRight, kBeamY), QPointF(crystalFace, kBeamY), 5.0);
    drawRays(p, QPointF(crystalFace, kBeamY), filmX + kFilmThickness);
    drawCrystal(p, crystalFace, true);
    drawFilm(p, filmX, true);
    drawDistance(p, filmX + kFilmThickness / 2.0, crystalFace + kCrystalThickness / 2.0,
                 kFilmBottom, kBeamY + kCrystalHalfHeight);
}

} // namespace

DiffractionGeometryPicture::DiffractionGeometryPicture(QWidget* parent) : QWidget(parent) {
    setMinimumSize(180, 100);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void DiffractionGeometryPicture::setDiffractionGeometry(int geometry) {
    if (geometry == m_geometry)
        return;
    m_geometry = geometry;
    update();
}

QSize DiffractionGeometryPicture::sizeHint() const {
    return {300, 160};
}

void DiffractionGeometryPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const double scale = std::min(width() / kFrameWidth, height() / kFrameHeight);
    p.translate((width() - kFrameWidth * scale) / 2.0, (height() - kFrameHeight * scale) / 2.0);
    p.scale(scale, scale);
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);
    if (m_geometry == kTransmissionButton)
        drawTransmission(p);
    else
        drawBackReflection(p);
}

} // namespace xtalsp::gui
