// Picking a spot of the view's drawing with the right mouse button: the hit test and what a press
// or a double-click does to the selection.
#pragma once

#include "core/computation/lauespot.h"
#include "render/canvas.h"
#include "render/patterndrawing.h"

#include <span>

namespace xtalsp {

// A point of the view's drawing in drawing units (0.1 mm, y up). Real numbers: a device pixel
// covers a fraction of a unit or several units, depending on the zoom.
struct DrawingPoint {
    double x = 0.0, y = 0.0;
};

// The left and lower edges of a spot rectangle belong to it, the right and upper ones do not, so
// that two spots that touch never both claim a point.
bool spotRectContains(const CanvasRect& rect, DrawingPoint point);

// The index of the spot whose rectangle, exactly as drawn, contains the point; -1 when none.
// Where rectangles overlap, the lowest index wins: it is painted last and so lies on top.
int hitSpot(std::span<const LaueSpot> spots, const CanvasRect& spotTemplate, double scale,
            DrawingPoint point);
// The same for a pattern as a view with these options draws it.
int hitSpot(const PatternContent& content, const ViewDrawingOptions& options, DrawingPoint point);

// The selection after a right-button press, and whether the view must repaint to show it.
struct SelectionChange {
    int selectedSpot = -1;
    bool repaint = false;
};
// previous: the selection before the press; hit: the spot under the pointer (-1 for none).
// Pressing the selected spot again changes nothing and repaints nothing; otherwise the hit
// spot (or nothing) becomes the selection, repainted when there is something to draw or to
// remove.
SelectionChange selectionAfterPress(int previous, int hit);

// A right double-click opens the details only when it lands on the selected spot (the press
// before it has just selected it).
bool doubleClickOpensDetails(int selectedSpot, int hit);

} // namespace xtalsp
