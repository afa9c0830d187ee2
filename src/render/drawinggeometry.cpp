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

} // namespace xtalsp
