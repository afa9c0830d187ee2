// Zoom, scrolling and printed-page placement of the pattern view as plain numbers.
#pragma once

#include "core/document/xtalspdoc.h"
#include "render/patterndrawing.h"

#include <QPoint>

namespace xtalsp::gui {

// The zoom range the zoom box and the custom zoom dialog offer: 10 % to 500 %.
inline constexpr double kMinZoom = xtalsp::kMinZoom;
inline constexpr double kMaxZoom = xtalsp::kMaxZoom;

// trunc(zoom x 100 + 0.5): the percentage the zoom box shows and the zoom commands compare.
int zoomPercentage(double zoom);
// A zoom brought into the range the commands can set. A pattern file may hold any finite zoom;
// zero or a negative one would mirror the drawing or shrink it to its margins.
double clampZoom(double zoom);

// Device pixels of a length in drawing units (0.1 mm): 254 drawing units make one inch.
double unitsToPixels(double units, double dpi);

// The scrollable size of a drawing and its scroll steps, in device pixels. The page step is a
// tenth of the extent and the line step a tenth of the page step (both taken in drawing units).
struct ScrollMetrics {
    int width = 0, height = 0;
    int pageX = 1, pageY = 1;
    int lineX = 1, lineY = 1;
};
ScrollMetrics scrollMetrics(const DrawingExtent& extent, double dpiX, double dpiY);

// Where the drawing's top-left corner goes on a printed page, in drawing units right of and
// below the top-left corner of the printable area: centred, halves truncated toward zero, so a
// drawing larger than the page overhangs equally on both sides.
QPoint printedDrawingOffset(int printableWidth, int printableHeight, const DrawingExtent& extent);

} // namespace xtalsp::gui
