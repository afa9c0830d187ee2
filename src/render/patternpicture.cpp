// The fixed-scale picture of a pattern (0.01 mm units, half true size) for the metafile export
// and merged pictures.
#include "core/computation/filmunits.h"
#include "render/drawinggeometry.h"
#include "render/patterndrawing.h"
#include "render/shownpattern.h"

#include <cstddef>

namespace xtalsp {

namespace {

// Film units (0.1 mm) drawn at half size in 0.01 mm units.
constexpr double kPictureScale = 5.0;
// 1 mm margins around the film.
constexpr int kPictureMargin = 100;
constexpr int kPictureCrosslineWidth = 30; // 0.3 mm
// Labels are 1.9 mm high, their top-left corner 1.5 mm left of and 2.5 mm above the spot centre.
constexpr int kPictureLabelHeight = 190;
constexpr int kPictureLabelLeft = -150, kPictureLabelTop = 250;
constexpr int kLabelWeight = 100;
constexpr int kPictureOutlineWidth = 20; // 0.2 mm

CanvasRect pictureFilmBox(const PictureExtent& extent) {
    return {kPictureMargin, -kPictureMargin, extent.width - kPictureMargin,
            kPictureMargin - extent.height};
}

void drawPictureCrossline(Canvas& canvas, const PictureExtent& extent) {
    const int midX = drawingCoordinate(extent.width / 2.0);
    const int midY = drawingCoordinate(-extent.height / 2.0);
    canvas.polyline({{kPictureMargin, midY}, {extent.width - kPictureMargin, midY}},
                    kPictureCrosslineWidth, kCrosslineCyan);
    canvas.polyline({{midX, -kPictureMargin}, {midX, kPictureMargin - extent.height}},
                    kPictureCrosslineWidth, kCrosslineCyan);
}

void drawPictureSpots(Canvas& canvas, const PatternContent& content,
                      const ViewDrawingOptions& options, const CanvasRect& spotTemplate) {
    for (std::size_t i = content.spots.size(); i-- > 0;) {
        const LaueSpot& spot = content.spots[i];
        const int level =
            greyLevel(spot.intensity, content.saturationIntensity, options.grayscaleSpots);
        // Red outlines stand out on every grey of an image under them.
        drawSpotShape(canvas, pictureSpotRect(spotTemplate, spot.x, spot.y),
                      options.spotOutlines ? kRed : spotColour(level), options.spotOutlines,
                      kPictureOutlineWidth);
    }
}

// Returns whether the label font could be made.
bool drawPictureLabels(Canvas& canvas, const PatternContent& content, const PictureExtent& extent) {
    const bool fontMade =
        canvas.selectFont(FontSpec{std::string(kLabelFaceName), kPictureLabelHeight, kLabelWeight});
    const int centreX = extent.width / 2, centreY = -(extent.height / 2);
    for (std::size_t i = content.spots.size(); i-- > 0;) {
        const LaueSpot& spot = content.spots[i];
        const int left = centreX + drawingCoordinate(kPictureScale * spot.x) + kPictureLabelLeft;
        const int top = centreY + drawingCoordinate(kPictureScale * spot.y) + kPictureLabelTop;
        canvas.drawText({left, top}, spotLabel(spot));
    }
    return fontMade;
}

// White, so that spot parts and labels beyond the film do not show in the picture.
void drawPictureMargins(Canvas& canvas, const PictureExtent& extent) {
    const int w = extent.width, h = extent.height;
    canvas.fillRect({0, 0, kPictureMargin, -h}, kWhite);
    canvas.fillRect({0, 0, w, -kPictureMargin}, kWhite);
    canvas.fillRect({0, kPictureMargin - h, w, -h}, kWhite);
    canvas.fillRect({w - kPictureMargin, 0, w, -h}, kWhite);
}

} // namespace

PictureExtent pictureExtent(double filmWidth, double filmHeight) {
    return {drawingCoordinate((filmWidth + 40) * kPictureScale),
            drawingCoordinate((filmHeight + 40) * kPictureScale)};
}

CanvasRect pictureSpotTemplate(const PictureExtent& extent, double spotWidth, double spotHeight) {
    const double centreX = extent.width / 2.0, centreY = -extent.height / 2.0;
    const double b = spotWidth * (kPictureScale / 2), a = spotHeight * (kPictureScale / 2);
    return {drawingCoordinate(centreX - b), drawingCoordinate(a - extent.height / 2.0),
            drawingCoordinate(centreX + b), drawingCoordinate(centreY - a)};
}

CanvasRect pictureSpotRect(const CanvasRect& spotTemplate, double x, double y) {
    return shiftedRect(spotTemplate, drawingCoordinate(kPictureScale * x),
                       drawingCoordinate(kPictureScale * y));
}

bool drawPicture(Canvas& canvas, const PatternContent& content, const ViewDrawingOptions& options,
                 const PictureOptions& pictureOptions) {
    const PictureExtent extent = pictureExtent(content.filmWidth, content.filmHeight);
    const CanvasRect spotTemplate =
        pictureSpotTemplate(extent, options.spotWidth, options.spotHeight);

    if (options.underlay)
        drawUnderlay(canvas, *options.underlay,
                     {extent.width / 2.0, -extent.height / 2.0, kFilmUnitsPerMm * kPictureScale},
                     pictureFilmBox(extent));
    if (options.showCrossline)
        drawPictureCrossline(canvas, extent);
    canvas.fillRect(spotTemplate, pictureOptions.centreMarkColour);
    // Spots over an image may let it show through; opaque spots leave the canvas as it was.
    const bool translucent = options.spotOpacity < 1.0;
    if (translucent)
        canvas.setOpacity(options.spotOpacity);
    drawPictureSpots(canvas, content, options, spotTemplate);
    if (translucent)
        canvas.setOpacity(1.0);
    bool fontMade = true;
    if (options.showIndex && pictureOptions.drawLabels)
        fontMade = drawPictureLabels(canvas, content, extent);
    if (pictureOptions.drawOverlay && !pictureOptions.drawOverlay(canvas, extent))
        return fontMade;
    drawPictureMargins(canvas, extent);
    drawOutline(canvas, pictureFilmBox(extent));
    return fontMade;
}

bool drawPicture(Canvas& canvas, const CXtalspDoc& doc, const ViewDrawingOptions& options,
                 const PictureOptions& pictureOptions) {
    const ShownPattern shown(doc, options.gnomonic);
    return drawPicture(canvas, shown.content(), options, pictureOptions);
}

Message fontFailedMessage() {
    return Message{"Font failed.", "", MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok};
}

} // namespace xtalsp
