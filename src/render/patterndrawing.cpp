// The pattern view's drawing on screen and paper, and the geometry shared with the picture.
#include "render/patterndrawing.h"

#include "core/computation/filmunits.h"
#include "core/structure/crystalstructure.h"
#include "core/text/numbertext.h"
#include "render/drawinggeometry.h"
#include "render/shownpattern.h"

#include <algorithm>
#include <cstddef>

namespace xtalsp {

namespace {

// Every view drawing keeps a 20-unit (2 mm at true size) margin around the film.
constexpr int kViewMargin = 20;
// The surround reaches 2 m out, beyond any window or page the drawing can be shown in.
constexpr int kSurroundReach = 20000;
// Label offsets from the top-left corner of the spot rectangle (drawing units).
constexpr int kScreenLabelLeft = -15, kScreenLabelTop = 34;
constexpr int kPaperLabelLeft = -10, kPaperLabelTop = 40;
// Printed labels: 3.3 mm high, thin.
constexpr int kPaperLabelHeight = 33;
constexpr int kLabelWeight = 100;
constexpr int kCrosslineWidth = 3;
constexpr int kSelectionMargin = 3;
// Spot outlines over an image: one device pixel on screen, 0.3 mm on paper, in red, which
// stands out on every grey of the image.
constexpr int kPaperOutlineWidth = 3;
constexpr Rgb kOutlineColour = kRed;

CanvasRect filmBox(const DrawingExtent& extent) {
    return {kViewMargin, -kViewMargin, extent.width - kViewMargin, kViewMargin - extent.height};
}

// Walks the spots from the last to the first, the order every picture of a pattern uses, so
// that earlier spots of the list end up on top.
template <typename Visit> void forEachSpotFromLast(std::span<const LaueSpot> spots, Visit visit) {
    for (std::size_t i = spots.size(); i-- > 0;)
        visit(spots[i]);
}

// The same walk over the spots a view draws on screen.
template <typename Visit>
void forEachDrawnSpotFromLast(const PatternContent& content, Visit visit) {
    if (!content.drawnSpots) {
        forEachSpotFromLast(content.spots, visit);
        return;
    }
    const std::span<const std::uint32_t> drawn = *content.drawnSpots;
    for (std::size_t i = drawn.size(); i-- > 0;) {
        if (drawn[i] < content.spots.size())
            visit(content.spots[drawn[i]]);
    }
}

void drawViewCrossline(Canvas& canvas, const DrawingExtent& extent) {
    const int midY = -(extent.height / 2);
    // The vertical line sits one unit left of the centre, as the film marks have always been.
    const int midX = extent.width / 2 - 1;
    canvas.polyline({{kViewMargin, midY}, {extent.width - kViewMargin, midY}}, kCrosslineWidth,
                    kCrosslineCyan);
    canvas.polyline({{midX, -kViewMargin}, {midX, kViewMargin - extent.height}}, kCrosslineWidth,
                    kCrosslineCyan);
}

CanvasRect clippedTo(const CanvasRect& rect, const CanvasRect& clip) {
    return {std::max(rect.left, clip.left), std::min(rect.top, clip.top),
            std::min(rect.right, clip.right), std::max(rect.bottom, clip.bottom)};
}

bool isEmpty(const CanvasRect& rect) {
    return rect.left >= rect.right || rect.top <= rect.bottom;
}

bool overlaps(const CanvasRect& a, const CanvasRect& b) {
    return a.left < b.right && b.left < a.right && a.bottom < b.top && b.bottom < a.top;
}

void drawViewSpots(Canvas& canvas, const PatternContent& content, const ViewDrawingOptions& options,
                   const CanvasRect& spotTemplate, const std::optional<CanvasRect>& clip) {
    // A big pattern on screen mostly lies outside the part being repainted.
    const std::optional<CanvasRect> visible = canvas.visibleArea();
    forEachDrawnSpotFromLast(content, [&](const LaueSpot& spot) {
        CanvasRect rect = viewSpotRect(spotTemplate, spot, options.scale);
        if (visible && !overlaps(rect, *visible))
            return;
        if (clip) {
            rect = clippedTo(rect, *clip);
            if (isEmpty(rect))
                return; // wholly outside the film: nothing of it would be printed
        }
        const int level =
            greyLevel(spot.intensity, content.saturationIntensity, options.grayscaleSpots);
        drawSpotShape(canvas, rect, options.spotOutlines ? kOutlineColour : spotColour(level),
                      options.spotOutlines, canvas.isDisplay() ? 0 : kPaperOutlineWidth);
    });
}

// A label runs right and down from its top-left corner. Its width is measured only when the
// corner lies left of the visible area; the line height, once more, allows for glyphs that
// reach past their advance.
bool labelMayShow(Canvas& canvas, CanvasPoint topLeft, const LaueSpot& spot,
                  const CanvasRect& visible, int lineHeight) {
    if (topLeft.x >= visible.right || topLeft.y <= visible.bottom ||
        topLeft.y - 2 * lineHeight >= visible.top)
        return false;
    if (topLeft.x >= visible.left)
        return true;
    return topLeft.x + canvas.textExtent(spotLabel(spot)).width + lineHeight > visible.left;
}

void drawScreenLabels(Canvas& canvas, const PatternContent& content,
                      const ViewDrawingOptions& options, const CanvasRect& spotTemplate) {
    canvas.selectFont(FontSpec{});
    const std::optional<CanvasRect> visible = canvas.visibleArea();
    const int lineHeight = visible ? canvas.textExtent("0").height : 0;
    forEachDrawnSpotFromLast(content, [&](const LaueSpot& spot) {
        const CanvasRect rect = viewSpotRect(spotTemplate, spot, options.scale);
        const CanvasPoint topLeft{rect.left + kScreenLabelLeft, rect.top + kScreenLabelTop};
        if (visible && !labelMayShow(canvas, topLeft, spot, *visible, lineHeight))
            return;
        canvas.drawText(topLeft, spotLabel(spot));
    });
}

// Paper has no surround to hide what lies outside the film, so each label is cut to the film
// itself: skipped when it lies wholly in the top margin or left of the film, otherwise kept
// inside the film's top, left and right edges.
void drawPaperLabel(Canvas& canvas, const CanvasRect& film, CanvasPoint topLeft,
                    const std::string& label) {
    const TextExtent extent = canvas.textExtent(label);
    CanvasRect box{topLeft.x, topLeft.y, topLeft.x + extent.width, topLeft.y - extent.height};
    if (box.bottom > film.top || box.right < film.left)
        return;
    box.top = std::min(box.top, film.top);
    TextAlignment alignment = TextAlignment::Left;
    if (box.left < film.left) {
        box.left = film.left;
        alignment = TextAlignment::Right;
    } else {
        box.right = std::min(box.right, film.right);
    }
    if (isEmpty(box))
        return; // wholly right of the film, or no height left: clipping would show nothing
    canvas.drawTextInBox(box, label, alignment);
}

void drawPaperLabels(Canvas& canvas, const PatternContent& content,
                     const ViewDrawingOptions& options, const CanvasRect& spotTemplate,
                     const CanvasRect& film) {
    canvas.selectFont(FontSpec{std::string(kLabelFaceName), kPaperLabelHeight, kLabelWeight});
    forEachSpotFromLast(content.spots, [&](const LaueSpot& spot) {
        const CanvasRect rect = viewSpotRect(spotTemplate, spot, options.scale);
        drawPaperLabel(canvas, film, {rect.left + kPaperLabelLeft, rect.top + kPaperLabelTop},
                       spotLabel(spot));
    });
}

// The surround reaches at least to the far edges of the drawing: a scaled film wider or higher
// than the reach must not turn the surround's rectangles back over the film.
void drawSurround(Canvas& canvas, const DrawingExtent& extent) {
    const int w = extent.width, h = extent.height;
    const int reachX = std::max(kSurroundReach, w), reachY = -std::max(kSurroundReach, h);
    canvas.fillRect({0, 0, kViewMargin, reachY}, kSurroundGrey);
    canvas.fillRect({0, 0, reachX, -kViewMargin}, kSurroundGrey);
    canvas.fillRect({0, kViewMargin - h, reachX, reachY}, kSurroundGrey);
    canvas.fillRect({w - kViewMargin, 0, reachX, reachY}, kSurroundGrey);
}

const LaueSpot* selectedSpotOf(const PatternContent& content) {
    if (content.selectedSpot < 0 ||
        static_cast<std::size_t>(content.selectedSpot) >= content.spots.size())
        return nullptr;
    return &content.spots[static_cast<std::size_t>(content.selectedSpot)];
}

void drawSelection(Canvas& canvas, const CanvasRect& spotRect) {
    const CanvasRect r{spotRect.left - kSelectionMargin, spotRect.top + kSelectionMargin,
                       spotRect.right + kSelectionMargin, spotRect.bottom - kSelectionMargin};
    canvas.polyline({{r.left, r.top},
                     {r.right, r.top},
                     {r.right, r.bottom},
                     {r.left, r.bottom},
                     {r.left, r.top}},
                    0, kBlue); // one device pixel, full colour, at any zoom
}

// "%.2f" without trailing zeros and point; a value that rounds to zero from below reads "0",
// not "-0".
std::string compactTwoDecimals(double value) {
    std::string text = trimFixedNumber(formatFixed(value, 0, 2));
    if (text == "-0")
        text = "0";
    return text;
}

} // namespace

PatternContent patternContent(const CXtalspDoc& doc) {
    // While a computation runs, the spots on show belong to the last completed inputs, and the
    // film is drawn with them.
    const CXtalspDoc::ShownInputs shown = doc.shownInputs();
    PatternContent content;
    content.filmWidth = shown.filmWidth;
    content.filmHeight = shown.filmHeight;
    content.saturationIntensity = shown.intensityScale.saturationIntensity;
    content.latticeA = shown.structure.a;
    content.distance = shown.settings.distance;
    content.spots = doc.spots();
    content.selectedSpot = doc.selectedSpot();
    return content;
}

DrawingExtent viewExtent(double filmWidth, double filmHeight, double scale) {
    return {drawingCoordinate(filmWidth * scale) + 2 * kViewMargin,
            drawingCoordinate(filmHeight * scale) + 2 * kViewMargin};
}

CanvasRect viewSpotTemplate(const DrawingExtent& extent, const ViewDrawingOptions& options) {
    const double w = extent.width, h = extent.height;
    const double b = options.spotWidth * options.scale;
    const double a = options.spotHeight * options.scale;
    return {drawingCoordinate((w - b) / 2), drawingCoordinate((a - h) / 2),
            drawingCoordinate((w + b) / 2), drawingCoordinate((-h - a) / 2)};
}

CanvasRect viewSpotRect(const CanvasRect& spotTemplate, const LaueSpot& spot, double scale) {
    return shiftedRect(spotTemplate, drawingCoordinate(spot.x * scale),
                       drawingCoordinate(spot.y * scale));
}

int greyLevel(double intensity, double saturationIntensity, bool grayscaleSpots) {
    if (!grayscaleSpots || !(intensity < saturationIntensity))
        return 255;
    return std::clamp(truncateToInt(intensity / saturationIntensity * 255.0), 0, 255);
}

Rgb spotColour(int level) {
    const auto g = static_cast<std::uint8_t>(255 - std::clamp(level, 0, 255));
    return {g, g, g};
}

std::string spotLabel(const LaueSpot& spot) {
    const long long n = spot.labelOrder;
    return formatInt(n * spot.h) + formatInt(n * spot.k) + formatInt(n * spot.l);
}

std::string selectedSpotText(const LaueSpot& spot, double saturationIntensity) {
    const long long n = spot.labelOrder;
    // Positions in millimetres, the wavelength of the labelled harmonic, and the intensity in
    // per cent of the saturation.
    return formatInt(n * spot.h) + " " + formatInt(n * spot.k) + " " + formatInt(n * spot.l) +
           ": x=" + formatInt(truncateToInt(mmFromFilmUnits(spot.x))) +
           ", y=" + formatInt(truncateToInt(mmFromFilmUnits(spot.y))) +
           "; WL=" + formatFixed(spot.wavelength / static_cast<double>(n), 0, 2) +
           "; I=" + formatFixed(spot.intensity, 0, 1) + ", " +
           formatInt(truncateToInt(spot.intensity * 100.0 / saturationIntensity));
}

std::string patternStatusText(const PatternContent& content) {
    if (const LaueSpot* spot = selectedSpotOf(content))
        return selectedSpotText(*spot, content.saturationIntensity);
    if (!(content.latticeA > kMinLatticeConstant))
        return std::string(kStatusPrompts[0]);
    if (!(content.distance >= 1.0))
        return std::string(kStatusPrompts[1]);
    if (content.spots.empty())
        return std::string(kStatusPrompts[3]);
    return std::string(kStatusPrompts[2]);
}

std::optional<std::string> drawPattern(Canvas& canvas, const PatternContent& content,
                                       const ViewDrawingOptions& options) {
    const bool display = canvas.isDisplay();
    const DrawingExtent extent = viewExtent(content.filmWidth, content.filmHeight, options.scale);
    const CanvasRect film = filmBox(extent);
    const CanvasRect spotTemplate = viewSpotTemplate(extent, options);

    if (display)
        canvas.fillRect(film, kWhite);
    if (options.underlay)
        drawUnderlay(canvas, *options.underlay,
                     {extent.width / 2.0, -extent.height / 2.0, kFilmUnitsPerMm * options.scale},
                     film);
    if (options.showCrossline)
        drawViewCrossline(canvas, extent);
    canvas.fillRect(spotTemplate, kRed); // the beam centre
    // Spots over an image may let it show through; opaque spots leave the canvas as it was.
    const bool translucent = options.spotOpacity < 1.0;
    if (translucent)
        canvas.setOpacity(options.spotOpacity);
    drawViewSpots(canvas, content, options, spotTemplate,
                  display ? std::nullopt : std::optional<CanvasRect>(film));
    if (translucent)
        canvas.setOpacity(1.0);
    if (options.showIndex) {
        if (display)
            drawScreenLabels(canvas, content, options, spotTemplate);
        else
            drawPaperLabels(canvas, content, options, spotTemplate, film);
    }
    std::optional<std::string> paneText;
    if (display) {
        drawSurround(canvas, extent);
        if (options.activeView) {
            if (const LaueSpot* spot = selectedSpotOf(content))
                drawSelection(canvas, viewSpotRect(spotTemplate, *spot, options.scale));
            paneText = patternStatusText(content);
        }
    } else {
        paneText = std::string();
    }
    drawOutline(canvas, film);
    return paneText;
}

std::optional<std::string> drawPattern(Canvas& canvas, const CXtalspDoc& doc,
                                       const ViewDrawingOptions& options) {
    const ShownPattern shown(doc, options.gnomonic);
    return drawPattern(canvas, shown.content(), options);
}

std::optional<std::string> drawActiveViewMarks(Canvas& canvas, const PatternContent& content,
                                               const ViewDrawingOptions& options) {
    if (!options.activeView)
        return std::nullopt;
    if (const LaueSpot* spot = selectedSpotOf(content)) {
        const DrawingExtent extent =
            viewExtent(content.filmWidth, content.filmHeight, options.scale);
        const CanvasRect spotTemplate = viewSpotTemplate(extent, options);
        drawSelection(canvas, viewSpotRect(spotTemplate, *spot, options.scale));
        drawOutline(canvas, filmBox(extent));
    }
    return patternStatusText(content);
}

std::string geometryStatusText(double distance, double rotationX, double rotationY) {
    // The distance is kept in film units (0.1 mm) and shown in centimetres.
    return compactTwoDecimals(cmFromFilmUnits(distance)) + "; " + compactTwoDecimals(rotationX) +
           "; " + compactTwoDecimals(rotationY);
}

std::string geometryStatusText(const CXtalspDoc& doc) {
    return geometryStatusText(doc.settings().distance, doc.settings().rotationX,
                              doc.settings().rotationY);
}

} // namespace xtalsp
