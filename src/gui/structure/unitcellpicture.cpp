// Drawing of the unit-cell picture of the structure editor.
#include "gui/structure/unitcellpicture.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace xtalsp::gui {

namespace {

// The picture in its own units, y downward: a oblique view of a general (triclinic-looking)
// cell with a toward the viewer, b to the right and c upward.
const QRectF kScene(0.0, 0.0, 136.0, 116.0);
const QPointF kOrigin(46.0, 78.0);
const QPointF kEdgeA(-26.0, 20.0);
const QPointF kEdgeB(56.0, -2.0);
const QPointF kEdgeC(12.0, -52.0);
// The axes run on past the cell to arrow heads, with their names beyond the tips.
constexpr double kAxisLength = 1.3;
constexpr double kArrowLength = 5.0;
constexpr double kArrowHalfWidth = 2.2;
constexpr double kLabelDistance = 6.0;

double lengthOf(QPointF v) {
    return std::hypot(v.x(), v.y());
}

QPointF unit(QPointF v) {
    return v / lengthOf(v);
}

// Direction of a vector in degrees counter-clockwise from the positive x axis as the eye sees
// it (the picture's y axis points down), the convention of QPainterPath::arcTo.
double screenAngle(QPointF v) {
    return std::atan2(-v.y(), v.x()) * 180.0 / std::numbers::pi;
}

QPainterPath cellEdges() {
    const QPointF o = kOrigin, a = kEdgeA, b = kEdgeB, c = kEdgeC;
    QPainterPath path;
    // The nine edges that do not start at the origin; the three that do are the axes.
    const QPointF ends[][2] = {
        {o + a, o + a + b},         {o + a, o + a + c},         {o + b, o + a + b},
        {o + b, o + b + c},         {o + c, o + a + c},         {o + c, o + b + c},
        {o + a + b, o + a + b + c}, {o + a + c, o + a + b + c}, {o + b + c, o + a + b + c}};
    for (const auto& edge : ends) {
        path.moveTo(edge[0]);
        path.lineTo(edge[1]);
    }
    return path;
}

QPolygonF arrowHead(QPointF tip, QPointF direction) {
    const QPointF along = unit(direction);
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * kArrowLength;
    return QPolygonF({tip, base + across * kArrowHalfWidth, base - across * kArrowHalfWidth});
}

// The arc at the origin from one edge to another, the short way round.
QPainterPath angleArc(QPointF from, QPointF to, double radius) {
    const double start = screenAngle(from);
    double sweep = screenAngle(to) - start;
    if (sweep > 180.0)
        sweep -= 360.0;
    if (sweep < -180.0)
        sweep += 360.0;
    QPainterPath path;
    path.arcMoveTo(QRectF(kOrigin.x() - radius, kOrigin.y() - radius, 2 * radius, 2 * radius),
                   start);
    path.arcTo(QRectF(kOrigin.x() - radius, kOrigin.y() - radius, 2 * radius, 2 * radius), start,
               sweep);
    return path;
}

// Where the name of an angle stands: on the bisector of its edges, outside its arc.
QPointF angleLabelPoint(QPointF from, QPointF to, double radius) {
    return kOrigin + unit(unit(from) + unit(to)) * (radius + kLabelDistance);
}

void drawLabel(QPainter& painter, QPointF centre, const QString& text) {
    const QRectF box(centre.x() - 20.0, centre.y() - 12.0, 40.0, 24.0);
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

CUnitCellPicture::CUnitCellPicture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CUnitCellPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double scale = std::min(width() / kScene.width(), height() / kScene.height());
    QTransform toWidget;
    toWidget.translate((width() - kScene.width() * scale) / 2.0,
                       (height() - kScene.height() * scale) / 2.0);
    toWidget.scale(scale, scale);
    painter.setTransform(toWidget);

    const QColor ink = palette().color(QPalette::WindowText);
    QPen edgePen(ink, 1.0);
    edgePen.setCosmetic(true); // line widths in pixels, whatever the scale
    painter.setPen(edgePen);
    painter.drawPath(cellEdges());

    struct Axis {
        QPointF edge;
        const char* name;
    };
    const Axis axes[] = {{kEdgeA, "a"}, {kEdgeB, "b"}, {kEdgeC, "c"}};
    QPen axisPen(ink, 2.0);
    axisPen.setCosmetic(true);
    for (const Axis& axis : axes) {
        const QPointF tip = kOrigin + axis.edge * kAxisLength;
        painter.setPen(axisPen);
        painter.drawLine(kOrigin, tip - unit(axis.edge) * kArrowLength);
        painter.setPen(Qt::NoPen);
        painter.setBrush(ink);
        painter.drawPolygon(arrowHead(tip, axis.edge));
    }

    struct Angle {
        QPointF from, to;
        double radius;
        QString name;
    };
    // Seen in projection the three angles at the origin fill the full circle, so each arc has
    // a radius of its own to stand apart from its neighbours.
    const Angle angles[] = {{kEdgeB, kEdgeC, 16.0, QString(QChar(0x03B1))},
                            {kEdgeC, kEdgeA, 8.0, QString(QChar(0x03B2))},
                            {kEdgeA, kEdgeB, 12.0, QString(QChar(0x03B3))}};
    const QColor angleInk(0, 90, 180);
    QPen arcPen(angleInk, 1.0);
    arcPen.setCosmetic(true);
    painter.setPen(arcPen);
    painter.setBrush(Qt::NoBrush);
    for (const Angle& angle : angles)
        painter.drawPath(angleArc(angle.from, angle.to, angle.radius));

    // Text is set in the widget's own coordinates so the font keeps its size.
    painter.resetTransform();
    QFont names = font();
    names.setItalic(true);
    painter.setFont(names);
    painter.setPen(ink);
    for (const Axis& axis : axes) {
        const QPointF beyondTip =
            kOrigin + axis.edge * kAxisLength + unit(axis.edge) * kLabelDistance;
        drawLabel(painter, toWidget.map(beyondTip), QString::fromLatin1(axis.name));
    }
    painter.setFont(font());
    painter.setPen(angleInk);
    for (const Angle& angle : angles)
        drawLabel(painter, toWidget.map(angleLabelPoint(angle.from, angle.to, angle.radius)),
                  angle.name);
}

} // namespace xtalsp::gui
