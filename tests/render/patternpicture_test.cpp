#include "render/patterndrawing.h"

#include "support/filmcontent.h"
#include "support/makespot.h"
#include "support/recordingcanvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace xtalsp {
namespace {

using test::RecordedCall;
using test::RecordedFill;
using test::RecordedFont;
using test::RecordedPolyline;
using test::RecordedText;
using test::RecordingCanvas;

using test::makeSpot;

// A selected spot is never part of a picture.
constexpr int kSelected = 0;

ViewDrawingOptions plainOptions() {
    ViewDrawingOptions options;
    options.showCrossline = false;
    options.showIndex = false;
    return options;
}

// The white margins and the outline of a 2000 x 1500 film's picture.
const std::vector<RecordedCall> kFrameEnd = {
    RecordedFill{{0, 0, 100, -7700}, kWhite},
    RecordedFill{{0, 0, 10200, -100}, kWhite},
    RecordedFill{{0, -7600, 10200, -7700}, kWhite},
    RecordedFill{{10100, 0, 10200, -7700}, kWhite},
    RecordedPolyline{
        {{100, -100}, {100, -7600}, {10100, -7600}, {10100, -100}, {100, -100}}, 0, kBlack},
};

std::vector<RecordedCall> withFrameEnd(std::vector<RecordedCall> calls) {
    calls.insert(calls.end(), kFrameEnd.begin(), kFrameEnd.end());
    return calls;
}

TEST(PictureGeometry, HalfSizeFrameTemplateAndSpots) {
    const PictureExtent extent = pictureExtent(2000, 1500);
    EXPECT_EQ(extent.width, 10200);
    EXPECT_EQ(extent.height, 7700);
    const CanvasRect spotTemplate = pictureSpotTemplate(extent, 20, 20);
    EXPECT_EQ(spotTemplate, (CanvasRect{5050, -3800, 5150, -3900}));
    EXPECT_EQ(pictureSpotRect(spotTemplate, 500, 300), (CanvasRect{7550, -2300, 7650, -2400}));
    EXPECT_EQ(pictureSpotRect(spotTemplate, -0.3, -10.1), (CanvasRect{5049, -3850, 5149, -3950}));

    // An odd frame height: the centre lies half a unit off the grid and truncates toward zero.
    const PictureExtent odd = pictureExtent(2000, 1501);
    EXPECT_EQ(odd.height, 7705);
    EXPECT_EQ(pictureSpotTemplate(odd, 20, 20), (CanvasRect{5050, -3802, 5150, -3902}));
}

TEST(Picture, PlainPictureHoldsOnlyMarkSpotsMarginsAndOutline) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 500, 300, 1000),
                                         makeSpot(0, 0, 1, 0, 0, 0)};
    RecordingCanvas canvas(false);
    EXPECT_TRUE(drawPicture(canvas, test::filmContent(spots, kSelected), plainOptions()));
    EXPECT_EQ(canvas.calls, withFrameEnd({
                                RecordedFill{{5050, -3800, 5150, -3900}, kRed},
                                RecordedFill{{5050, -3800, 5150, -3900}, kWhite},
                                RecordedFill{{7550, -2300, 7650, -2400}, kBlack},
                            }));
}

TEST(Picture, CrosslineAndLabels) {
    const std::vector<LaueSpot> spots = {makeSpot(1, -1, 2, 500, 300, 500)};
    ViewDrawingOptions options;
    options.showIndex = true;
    RecordingCanvas canvas(false);
    EXPECT_TRUE(drawPicture(canvas, test::filmContent(spots, kSelected), options));

    const FontSpec times{"Times New Roman", 190, 100};
    EXPECT_EQ(
        canvas.calls,
        withFrameEnd({
            RecordedPolyline{{{100, -3850}, {10100, -3850}}, 30, kCrosslineCyan},
            RecordedPolyline{{{5100, -100}, {5100, -7600}}, 30, kCrosslineCyan},
            RecordedFill{{5050, -3800, 5150, -3900}, kRed},
            RecordedFill{{7550, -2300, 7650, -2400}, Rgb{128, 128, 128}},
            RecordedFont{times, true},
            RecordedText{"1-12", {7450, -2100, 7450, -2100}, false, TextAlignment::Left, times},
        }));
}

TEST(Picture, FailedLabelFontIsReportedAndThePictureCompleted) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 500, 300, 500)};
    ViewDrawingOptions options = plainOptions();
    options.showIndex = true;
    RecordingCanvas canvas(false);
    canvas.namedFontsFail = true;
    EXPECT_FALSE(drawPicture(canvas, test::filmContent(spots, kSelected), options));

    ASSERT_EQ(canvas.texts().size(), 1u);
    EXPECT_EQ(canvas.texts()[0].font, FontSpec{});
    EXPECT_EQ(canvas.calls.back(), kFrameEnd.back());
    const Message message = fontFailedMessage();
    EXPECT_EQ(message.text, "Font failed.");
    EXPECT_EQ(message.icon, MessageIcon::Exclamation);
    EXPECT_EQ(message.buttons, MessageButtons::Ok);
}

TEST(Picture, OverlayComesAfterThePatternAndCanEndThePicture) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 500, 300, 1000)};
    ViewDrawingOptions options = plainOptions();
    options.showIndex = true; // a merged picture has no labels even so
    const RecordedFill overlaySpot{{4975, -3725, 5225, -3975}, kBlue};
    bool keepGoing = true;
    PictureOptions merged;
    merged.centreMarkColour = kGreen;
    merged.drawLabels = false;
    merged.drawOverlay = [&](Canvas& canvas, const PictureExtent& extent) {
        // A merged file with 50 x 50 spots, one at the film centre.
        const CanvasRect fileTemplate = pictureSpotTemplate(extent, 50, 50);
        canvas.fillRect(pictureSpotRect(fileTemplate, 0, 0), kBlue);
        return keepGoing;
    };

    RecordingCanvas canvas(false);
    EXPECT_TRUE(drawPicture(canvas, test::filmContent(spots, kSelected), options, merged));
    const std::vector<RecordedCall> pattern = {
        RecordedFill{{5050, -3800, 5150, -3900}, kGreen},
        RecordedFill{{7550, -2300, 7650, -2400}, kBlack},
        overlaySpot,
    };
    EXPECT_EQ(canvas.calls, withFrameEnd(pattern));

    // A merge that fails while reading leaves what was drawn so far, without margins or outline.
    keepGoing = false;
    RecordingCanvas cut(false);
    drawPicture(cut, test::filmContent(spots, kSelected), options, merged);
    EXPECT_EQ(cut.calls, pattern);
}

} // namespace
} // namespace xtalsp
