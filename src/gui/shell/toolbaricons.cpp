// Toolbar images and the program icon, painted with QPainter in a 16 x 15 design grid.
#include "gui/shell/toolbaricons.h"

#include "gui/shell/commandids.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>
#include <utility>

namespace xtalsp::gui {

namespace {

using Painter = std::function<void(QPainter&)>;

QIcon paintedIcon(const Painter& paint) {
    QIcon icon;
    for (const int factor : {1, 2, 3}) {
        QPixmap pixmap(16 * factor, 15 * factor);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(factor, factor);
        paint(painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

const QColor kInk(40, 40, 40);

void drawPage(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    QPainterPath page;
    page.moveTo(3.5, 0.5);
    page.lineTo(10.5, 0.5);
    page.lineTo(13.5, 3.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(3.5, 14.5);
    page.closeSubpath();
    p.drawPath(page);
}

void drawFolder(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(240, 200, 90));
    p.drawRect(QRectF(0.5, 3.5, 14, 10));
    p.setBrush(QColor(250, 220, 120));
    QPolygonF flap({{0.5, 13.5}, {3.5, 7.5}, {15.5, 7.5}, {12.5, 13.5}});
    p.drawPolygon(flap);
}

void drawDisk(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(70, 110, 180));
    p.drawRect(QRectF(1.5, 0.5, 13, 13));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 0.5, 7, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(3.5, 8.5, 9, 5));
}

void drawCube(QPainter& p) {
    p.setPen(QPen(QColor(30, 60, 150), 1));
    p.setBrush(QColor(170, 200, 240));
    p.drawRect(QRectF(1.5, 5.5, 9, 9));
    p.drawPolygon(QPolygonF({{1.5, 5.5}, {5.5, 1.5}, {14.5, 1.5}, {10.5, 5.5}}));
    p.drawPolygon(QPolygonF({{10.5, 5.5}, {14.5, 1.5}, {14.5, 10.5}, {10.5, 14.5}}));
    p.setBrush(QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(6, 10), 1.6, 1.6);
}

void drawFilm(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 1.5, 15, 12));
    p.setPen(QPen(QColor(0, 200, 200), 1));
    p.drawLine(QPointF(1, 7.5), QPointF(15, 7.5));
    p.drawLine(QPointF(8, 2), QPointF(8, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawRect(QRectF(7, 6.5, 2, 2));
    p.setBrush(Qt::black);
    for (const QPointF& spot : {QPointF(4, 4), QPointF(12, 4), QPointF(4, 11), QPointF(12, 11)})
        p.drawRect(QRectF(spot.x() - 1, spot.y() - 1, 2, 2));
}

void drawIntensityRamp(QPainter& p) {
    for (int i = 0; i < 5; ++i) {
        const int g = 230 - i * 55;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(g, g, g));
        p.drawRect(QRectF(1 + i * 3, 13 - (i + 1) * 2.4, 2.6, (i + 1) * 2.4));
    }
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(0.5, 13.5), QPointF(15.5, 13.5));
}

void drawIndexLabel(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(2, 2, 3, 3));
    QFont font("Sans");
    font.setPixelSize(8);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 60, 150));
    p.drawText(QRectF(0, 6, 16, 9), Qt::AlignCenter, "hkl");
}

void drawGreySpots(QPainter& p) {
    const int levels[] = {0, 90, 170, 215};
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(levels[i], levels[i], levels[i]));
        p.drawRect(QRectF(1 + (i % 2) * 8, 1 + (i / 2) * 7, 6, 6));
    }
}

void drawSelectedSpot(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(5, 4.5, 6, 6));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 255), 1));
    p.drawRect(QRectF(2.5, 2, 11, 11));
}

void drawRotation(QPainter& p, const QString& axis, bool positive) {
    p.setPen(QPen(QColor(30, 60, 150), 1.4));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(1.5, 1.5, 12, 12);
    p.drawArc(arc, 30 * 16, 270 * 16);
    // The arrow head shows the sense of rotation.
    p.setBrush(QColor(30, 60, 150));
    p.setPen(Qt::NoPen);
    if (positive)
        p.drawPolygon(QPolygonF({{12.8, 1.8}, {14.8, 6.2}, {10.2, 5.8}}));
    else
        p.drawPolygon(QPolygonF({{7.5, 11.2}, {11.8, 13.8}, {11.5, 9.0}}));
    QFont font("Sans");
    font.setPixelSize(7);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(3, 3, 9, 9), Qt::AlignCenter, axis + (positive ? "+" : "-"));
}

// A turn about the beam: the beam seen end-on (a dot in a ring) inside an arrowed arc, the
// arrow counter-clockwise for a positive turn.
void drawBeamRotation(QPainter& p, bool positive) {
    const QColor blue(30, 60, 150);
    p.setPen(QPen(blue, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1.5, 1.5, 12, 12), 120 * 16, 300 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    if (positive)
        p.drawPolygon(QPolygonF({{1.0, 3.2}, {6.2, 1.0}, {5.0, 5.8}}));
    else
        p.drawPolygon(QPolygonF({{13.8, 3.2}, {8.6, 1.0}, {9.8, 5.8}}));
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.5, 7.5), 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(7.5, 7.5), 1.0, 1.0);
}

// Marking measured spots: a spot with a mark circle around it and a pointer tip.
void drawMarkSpots(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(4, 4, 4, 4));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 0, 200), 1.3));
    p.drawEllipse(QPointF(6, 6), 4.5, 4.5);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{9, 8}, {15, 12}, {12.3, 12.4}, {11, 14.8}}));
}

void drawPrinter(QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 0.5, 9, 6));
    p.setBrush(QColor(180, 180, 180));
    p.drawRect(QRectF(0.5, 5.5, 15, 6));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

void drawHelp(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 90, 200));
    p.drawEllipse(QRectF(0.5, 0, 15, 15));
    QFont font("Sans");
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0.5, 0, 15, 15), Qt::AlignCenter, "?");
}

} // namespace

QIcon toolBarIcon(int commandId) {
    switch (commandId) {
    case ID_FILE_NEW:
        return paintedIcon(drawPage);
    case ID_FILE_OPEN:
        return paintedIcon(drawFolder);
    case ID_FILE_SAVE:
        return paintedIcon(drawDisk);
    case ID_SETTING_STRUCTURE:
        return paintedIcon(drawCube);
    case ID_SETTING_DIFFRACTION:
        return paintedIcon(drawFilm);
    case ID_INTENSITY_ADJUST:
        return paintedIcon(drawIntensityRamp);
    case ID_VIEW_INDEX:
        return paintedIcon(drawIndexLabel);
    case ID_VIEW_GRAYSCALE:
        return paintedIcon(drawGreySpots);
    case ID_VIEW_SELECTED_SPOT:
        return paintedIcon(drawSelectedSpot);
    case ID_ROTATE_X_PLUS:
        return paintedIcon([](QPainter& p) { drawRotation(p, "X", true); });
    case ID_ROTATE_X_MINUS:
        return paintedIcon([](QPainter& p) { drawRotation(p, "X", false); });
    case ID_ROTATE_Y_PLUS:
        return paintedIcon([](QPainter& p) { drawRotation(p, "Y", true); });
    case ID_ROTATE_Y_MINUS:
        return paintedIcon([](QPainter& p) { drawRotation(p, "Y", false); });
    case ID_ROTATE_PSI_PLUS:
        return paintedIcon([](QPainter& p) { drawBeamRotation(p, true); });
    case ID_ROTATE_PSI_MINUS:
        return paintedIcon([](QPainter& p) { drawBeamRotation(p, false); });
    case ID_VIEW_MARK_SPOTS:
        return paintedIcon(drawMarkSpots);
    case ID_FILE_PRINT:
        return paintedIcon(drawPrinter);
    case ID_HELP_FINDER:
        return paintedIcon(drawHelp);
    default:
        return {};
    }
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(1.5, 3.5, 29, 25), 2, 2);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        p.drawRect(QRectF(15, 15, 2, 2));
        // A four-fold Laue pattern: spots on two rings, darker inside.
        for (int i = 0; i < 8; ++i) {
            const double angle = i * 3.14159265358979 / 4;
            for (const auto& [radius, grey] : {std::pair{6.0, 30}, std::pair{10.5, 120}}) {
                p.setBrush(QColor(grey, grey, grey));
                const double x = 16 + radius * std::cos(angle),
                             y = 16 + radius * std::sin(angle) * 0.85;
                p.drawRect(QRectF(x - 1.2, y - 1.2, 2.4, 2.4));
            }
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace xtalsp::gui
