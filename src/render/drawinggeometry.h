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

// Where a drawing puts the film: the beam centre's drawing coordinates and the drawing units
// per millimetre of film.
struct FilmPlacement {
    double centreX = 0.0, centreY = 0.0;
    double unitsPerMm = 1.0;
};
// The measured image under the film, cut to the film box.
void drawUnderlay(Canvas& canvas, const ImageUnderlay& underlay, const FilmPlacement& placement,
                  const CanvasRect& film);
// A simulated spot: filled, or as an outline of `outlineWidth` drawing units (0: the device's
// thinnest pen).
void drawSpotShape(Canvas& canvas, const CanvasRect& rect, Rgb colour, bool outline,
                   int outlineWidth);

} // namespace xtalsp
