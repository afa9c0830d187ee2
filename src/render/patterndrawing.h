// Drawing of a pattern: the view on screen and paper, and the fixed-scale picture that the
// metafile and image exports and merged pictures use. Plain C++: the canvas decides where
// the drawing goes.
#pragma once

#include "document/xtalspdoc.h"
#include "render/canvas.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace xtalsp {

// The six fixed prompts of status pane 1.
inline constexpr std::array<std::string_view, 6> kStatusPrompts = {
    "Define or import a structure to continue...",    "Set diffraction geometry to continue...",
    "You can right click on a spot to see detail...", "No spot obtained from calculation.",
    "Create or open a pattern file to start...",      "",
};

// What a view adds to the document when it draws: its scale and its copies of the display
// options.
struct ViewDrawingOptions {
    double scale =
        1.0; // drawing units per film unit: calibratedZoom x zoom on screen, zoom on paper
    double spotWidth = 20.0, spotHeight = 20.0; // film units
    bool showCrossline = true;
    bool showIndex = false;
    bool grayscaleSpots = true;
    bool activeView = true; // only the active view draws the selection and sets pane 1
};

// W and H of the view's drawing: the scaled film plus a 20-unit margin on every side.
struct DrawingExtent {
    int width = 0, height = 0;
};
DrawingExtent viewExtent(double filmWidth, double filmHeight, double scale);

// The spot size centred on the film centre; unshifted it is the beam-centre mark.
CanvasRect viewSpotTemplate(const DrawingExtent& extent, const ViewDrawingOptions& options);
// The template shifted by a spot's film position.
CanvasRect viewSpotRect(const CanvasRect& spotTemplate, const LaueSpot& spot, double scale);
// 0 (white) ... 255 (black) from the spot's intensity and the saturation.
int greyLevel(double intensity, double saturationIntensity, bool grayscaleSpots);
// RGB(255 - level, ...) of the grey level.
Rgb spotColour(int level);
// "%d%d%d" of the label indices: the lowest kept harmonic times (h k l).
std::string spotLabel(const LaueSpot& spot);

// Paints the view (screen or paper as the canvas says). Returns the text of status pane 1
// when this is the active view (the selected spot's description, or a status prompt; empty on
// paper), and nothing otherwise.
std::optional<std::string> drawPattern(Canvas& canvas, const CXtalspDoc& doc,
                                       const ViewDrawingOptions& options);

// Pane 2: distance (cm) and the two rotation angles, "%.2f" without trailing zeros, joined by
// "; ".
std::string geometryStatusText(const CXtalspDoc& doc);

// The fixed-scale picture of the metafile export (0.01 mm units, half true size): frame
// (0, 0, Wm, Hm) with Wm = trunc((filmWidth + 40) x 5). Returns false when the label font could
// not be made (the picture is still complete, labels in the standard font).
struct PictureExtent {
    int width = 0, height = 0; // Wm, Hm
};
PictureExtent pictureExtent(double filmWidth, double filmHeight);
bool drawPicture(Canvas& canvas, const CXtalspDoc& doc, const ViewDrawingOptions& options);

} // namespace xtalsp
