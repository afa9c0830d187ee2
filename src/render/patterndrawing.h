// Drawing of a pattern: the view on screen and paper, and the fixed-scale picture that the
// metafile and image exports and merged pictures use. Plain C++: the canvas decides where
// the drawing goes.
#pragma once

#include "core/computation/lauespot.h"
#include "core/document/xtalspdoc.h"
#include "core/platform/userprompt.h"
#include "render/canvas.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace xtalsp {

// The six fixed prompts of status pane 1.
inline constexpr std::array<std::string_view, 6> kStatusPrompts = {
    "Define or import a structure to continue...",    "Set diffraction geometry to continue...",
    "You can right click on a spot to see detail...", "No spot obtained from calculation.",
    "Create or open a pattern file to start...",      "",
};

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kCrosslineCyan{0, 255, 255};
inline constexpr Rgb kSurroundGrey{235, 235, 235};

// The face of the label font on paper and in pictures.
inline constexpr std::string_view kLabelFaceName = "Times New Roman";

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
    // Spots drawn at their gnomonic points rather than their film positions.
    bool gnomonic = false;
    // A measured image lying under the film's contents; not owned.
    const ImageUnderlay* underlay = nullptr;
    // Spots as outlines, so that a measured spot under a simulated one stays visible.
    bool spotOutlines = false;
    double spotOpacity = 1.0; // of the spots, 0 to 1

    bool operator==(const ViewDrawingOptions&) const = default;
};

// What the drawing reads of a document. The spots are borrowed: the content must not outlive
// the list it was taken from.
struct PatternContent {
    double filmWidth = kDefaultFilmWidth, filmHeight = kDefaultFilmHeight; // film units
    double saturationIntensity = 0.0;
    double latticeA = 0.0; // Angstrom; at most 0.0001 while there is no structure
    double distance = 0.0; // film units; below 1 while there is no diffraction geometry
    std::span<const LaueSpot> spots;
    int selectedSpot = -1; // -1 or any other index outside the list: nothing selected
    // On screen, when set: the only spots drawn (with their labels), as increasing indices into
    // the list; a part of a big pattern need not visit every spot.
    std::optional<std::span<const std::uint32_t>> drawnSpots;
};
PatternContent patternContent(const CXtalspDoc& doc);

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

// Pane 1 for a selected spot: "h k l: x=.., y=..; WL=..; I=.., percent of saturation".
std::string selectedSpotText(const LaueSpot& spot, double saturationIntensity);
// Pane 1 of the active view on screen: the selected spot's text, or the prompt that fits.
std::string patternStatusText(const PatternContent& content);

// Paints the view (screen or paper as the canvas says). Returns the text of status pane 1: on
// screen when this is the active view (the selected spot's description or a status prompt),
// always the empty text on paper, and nothing for an inactive view on screen.
std::optional<std::string> drawPattern(Canvas& canvas, const PatternContent& content,
                                       const ViewDrawingOptions& options);
std::optional<std::string> drawPattern(Canvas& canvas, const CXtalspDoc& doc,
                                       const ViewDrawingOptions& options);
// What the active view on screen adds to a drawing made as an inactive view's: the selected
// spot's frame (under the film outline, as drawPattern leaves it) and the text of pane 1.
// Nothing for an inactive view.
std::optional<std::string> drawActiveViewMarks(Canvas& canvas, const PatternContent& content,
                                               const ViewDrawingOptions& options);

// Pane 2: distance (cm) and the two rotation angles, "%.2f" without trailing zeros, joined by
// "; ".
std::string geometryStatusText(double distance, double rotationX, double rotationY);
std::string geometryStatusText(const CXtalspDoc& doc);

// The fixed-scale picture of the metafile export (0.01 mm units, half true size): frame
// (0, 0, Wm, Hm) with Wm = trunc((filmWidth + 40) x 5).
struct PictureExtent {
    int width = 0, height = 0; // Wm, Hm
};
PictureExtent pictureExtent(double filmWidth, double filmHeight);
// A spot size (film units) centred on the picture's film centre; merged files use their own.
CanvasRect pictureSpotTemplate(const PictureExtent& extent, double spotWidth, double spotHeight);
// The template shifted by a film position (film units, from the film centre, y up).
CanvasRect pictureSpotRect(const CanvasRect& spotTemplate, double x, double y);

// What a merged picture changes in the pattern's picture.
struct PictureOptions {
    Rgb centreMarkColour = kRed;
    bool drawLabels = true; // when the view shows its labels
    // Drawn after the pattern's spots and labels, before the white margins (the spots of merged
    // files). Returning false ends the picture there, without margins or outline, as a merge
    // that fails while reading a file leaves it.
    std::function<bool(Canvas&, const PictureExtent&)> drawOverlay;
};

// Draws the picture. Returns false when the label font could not be made: the picture is
// still complete, labels in the standard font, and the caller shows fontFailedMessage().
bool drawPicture(Canvas& canvas, const PatternContent& content, const ViewDrawingOptions& options,
                 const PictureOptions& pictureOptions = {});
bool drawPicture(Canvas& canvas, const CXtalspDoc& doc, const ViewDrawingOptions& options,
                 const PictureOptions& pictureOptions = {});
Message fontFailedMessage();

} // namespace xtalsp
