// Integer drawing coordinates shared by the view drawing and the picture.
#pragma once

#include "render/canvas.h"

namespace xtalsp {

// Truncation toward zero, as the drawing has always converted real lengths. Values are held far
// inside the int range (NaN reads 0), so that sums of a few coordinates cannot overflow.
int drawingCoordinate(double value);
// The rectangle moved by (dx, dy); coordinates saturate instead of overflowing.
CanvasRect shiftedRect(const CanvasRect& rect, int dx, int dy);
// The thin black outline of a film box: the canvas's default pen.
void drawOutline(Canvas& canvas, const CanvasRect& box);

} // namespace xtalsp
