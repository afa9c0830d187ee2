// Picking a spot of the view's drawing: hit test and selection rules.
#include "render/spotselection.h"

#include <cstddef>

namespace xtalsp {

bool spotRectContains(const CanvasRect& rect, DrawingPoint point) {
    return rect.left <= point.x && point.x < rect.right && rect.bottom <= point.y &&
           point.y < rect.top;
}

int hitSpot(std::span<const LaueSpot> spots, const CanvasRect& spotTemplate, double scale,
            DrawingPoint point) {
    // The view paints from the last spot to the first, so the first spot that contains the point
    // is the one on top.
    for (std::size_t i = 0; i < spots.size(); ++i) {
        if (spotRectContains(viewSpotRect(spotTemplate, spots[i], scale), point))
            return static_cast<int>(i);
    }
    return -1;
}

int hitSpot(const PatternContent& content, const ViewDrawingOptions& options, DrawingPoint point) {
    const DrawingExtent extent = viewExtent(content.filmWidth, content.filmHeight, options.scale);
    return hitSpot(content.spots, viewSpotTemplate(extent, options), options.scale, point);
}

SelectionChange selectionAfterPress(int previous, int hit) {
    if (hit >= 0 && hit == previous)
        return {previous, false};
    const int selected = hit >= 0 ? hit : -1;
    return {selected, selected >= 0 || previous >= 0};
}

bool doubleClickOpensDetails(int selectedSpot, int hit) {
    return selectedSpot >= 0 && hit == selectedSpot;
}

} // namespace xtalsp
