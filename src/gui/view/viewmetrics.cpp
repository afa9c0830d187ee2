// Zoom, scrolling and printed-page placement of the pattern view as plain numbers.
#include "gui/view/viewmetrics.h"

#include "core/text/numbertext.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace xtalsp::gui {

namespace {

constexpr double kUnitsPerInch = 254.0; // drawing units are tenths of a millimetre

// Scroll bars and widget sizes are ints; keep well inside their range.
constexpr double kMaxScrollPixels = std::numeric_limits<int>::max() / 4;

int pixelLength(double units, double dpi) {
    const double pixels = std::ceil(unitsToPixels(units, dpi));
    if (!(pixels > 0.0))
        return 0;
    return static_cast<int>(std::min(pixels, kMaxScrollPixels));
}

int stepPixels(double units, double dpi) {
    return std::max(1, pixelLength(units, dpi));
}

int halfDifference(int page, int drawing) {
    const long long half = (static_cast<long long>(page) - drawing) / 2;
    return static_cast<int>(std::clamp<long long>(half, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

} // namespace

int zoomPercentage(double zoom) {
    return truncateToInt(zoom * 100.0 + 0.5);
}

double clampZoom(double zoom) {
    if (!std::isfinite(zoom))
        return 1.0;
    return std::clamp(zoom, kMinZoom, kMaxZoom);
}

double unitsToPixels(double units, double dpi) {
    return units * dpi / kUnitsPerInch;
}

ScrollMetrics scrollMetrics(const DrawingExtent& extent, double dpiX, double dpiY) {
    const int pageUnitsX = extent.width / 10;
    const int pageUnitsY = extent.height / 10;
    ScrollMetrics metrics;
    metrics.width = pixelLength(extent.width, dpiX);
    metrics.height = pixelLength(extent.height, dpiY);
    metrics.pageX = stepPixels(pageUnitsX, dpiX);
    metrics.pageY = stepPixels(pageUnitsY, dpiY);
    metrics.lineX = stepPixels(pageUnitsX / 10, dpiX);
    metrics.lineY = stepPixels(pageUnitsY / 10, dpiY);
    return metrics;
}

QPoint printedDrawingOffset(int printableWidth, int printableHeight, const DrawingExtent& extent) {
    return {halfDifference(printableWidth, extent.width),
            halfDifference(printableHeight, extent.height)};
}

} // namespace xtalsp::gui
