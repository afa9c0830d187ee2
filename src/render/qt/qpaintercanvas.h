// The canvas over a QPainter: screen, printer, print preview and image exports.
#pragma once

#include "render/canvas.h"

#include <QFont>
#include <QTransform>

class QPainter;
class QString;

namespace xtalsp {

// Draws in drawing units of 0.1 mm with y growing upwards: one unit is dotsPerInch / 254 device
// pixels. The drawing's origin is wherever the painter's current transform puts (0, 0), so the
// caller translates the painter first for a scroll offset or a page centring. The painter's
// state is restored when the canvas goes.
class QPainterCanvas : public Canvas {
public:
    // dotsPerInch: the logical resolution on screen, the printer's resolution on paper.
    QPainterCanvas(QPainter& painter, double dotsPerInch, bool isDisplay);
    ~QPainterCanvas() override;
    QPainterCanvas(const QPainterCanvas&) = delete;
    QPainterCanvas& operator=(const QPainterCanvas&) = delete;

    bool isDisplay() const override { return m_display; }
    void fillRect(const CanvasRect& rect, Rgb colour) override;
    void polyline(const std::vector<CanvasPoint>& points, int penWidth, Rgb colour) override;
    bool selectFont(const FontSpec& font) override;
    void drawText(CanvasPoint topLeft, std::string_view text) override;
    void drawTextInBox(const CanvasRect& box, std::string_view text,
                       TextAlignment alignment) override;
    TextExtent textExtent(std::string_view text) override;
    void drawGreyRaster(const CanvasRect& target, const GreyRaster& raster,
                        const CanvasRect& clip) override;
    void setOpacity(double opacity) override;
    // On screen: the painter's clip, or else its whole device.
    std::optional<CanvasRect> visibleArea() const override;

    // Device pixels per drawing unit.
    double pixelsPerUnit() const { return m_pixelsPerUnit; }

private:
    QFont standardFont(int height) const;
    // Text is drawn in the caller's (device) coordinates, where it stands upright.
    QPointF toDevice(CanvasPoint point) const;
    static QString toQString(std::string_view text);

    QPainter& m_painter;
    QTransform m_deviceTransform; // the caller's transform, origin of the drawing
    double m_pixelsPerUnit;
    bool m_display;
    QFont m_font;
};

} // namespace xtalsp
