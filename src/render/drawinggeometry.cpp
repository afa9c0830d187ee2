// Integer drawing coordinates shared by the view drawing and the picture.
#include "render/drawinggeometry.h"

#include "core/text/numbertext.h"

#include <algorithm>
#include <climits>

namespace xtalsp {

namespace {

// A kilometre in 0.01 mm units: far beyond any film, and twice it still fits an int.
constexpr double kCoordinateLimit = 1e8;

int saturatingSum(int a, int b) {
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(std::clamp<long long>(sum, INT_MIN, INT_MAX));
}

} // namespace

int drawingCoordinate(double value) {
    return truncateToInt(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

CanvasRect shiftedRect(const CanvasRect& rect, int dx, int dy) {
    return {saturatingSum(rect.left, dx), saturatingSum(rect.top, dy),
            saturatingSum(rect.right, dx), saturatingSum(rect.bottom, dy)};
}

void drawOutline(Canvas& canvas, const CanvasRect& box) {
    canvas.polyline({{box.left, box.top},
                     {box.left, box.bottom},
                     {box.right, box.bottom},
                     {box.right, box.top},
                     {box.left, box.top}},
                    0, Rgb{0, 0, 0});
}

void drawUnderlay(Canvas& canvas, const ImageUnderlay& underlay, const FilmPlacement& placement,
                  const CanvasRect& film) {
    if (underlay.raster.width <= 0 || underlay.raster.height <= 0)
        return;
    const auto x = [&](double mm) {
        return drawingCoordinate(placement.centreX + mm * placement.unitsPerMm);
    };
    const auto y = [&](double mm) {
        return drawingCoordinate(placement.centreY + mm * placement.unitsPerMm);
    };
    const FilmRect& f = underlay.film;
    canvas.drawGreyRaster({x(f.leftMm), y(f.topMm), x(f.rightMm), y(f.bottomMm)}, underlay.raster,
                          film);
}

void drawSpotShape(Canvas& canvas, const CanvasRect& rect, Rgb colour, bool outline,
                   int outlineWidth) {
    if (!outline) {
        canvas.fillRect(rect, colour);
        return;
    }
    canvas.polyline({{rect.left, rect.top},
                     {rect.right, rect.top},
                     {rect.right, rect.bottom},
                     {rect.left, rect.bottom},
                     {rect.left, rect.top}},
                    outlineWidth, colour);
}

} // namespace xtalsp
