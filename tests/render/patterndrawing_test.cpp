#include "render/patterndrawing.h"

#include "support/editinputs.h"
#include "support/filmcontent.h"
#include "support/localetest.h"
#include "support/recordingcanvas.h"
#include "support/recordingprompt.h"

#include "support/makespot.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The film of test::filmContent: W = 2040, H = 1540 at scale 1, the 20 x 20 spot template at
// (1010, -760, 1030, -780).

bool hasPolylineColoured(const RecordingCanvas& canvas, Rgb colour) {
    const auto lines = canvas.polylines();
    return std::any_of(lines.begin(), lines.end(),
                       [&](const RecordedPolyline& line) { return line.colour == colour; });
}

const std::vector<CanvasPoint> kFilmOutline = {
    {20, -20}, {20, -1520}, {2020, -1520}, {2020, -20}, {20, -20}};

TEST(ViewGeometry, ExtentTemplateAndSpotRectanglesAtTrueAndHalfSize) {
    const DrawingExtent extent = viewExtent(2000, 1500, 1.0);
    EXPECT_EQ(extent.width, 2040);
    EXPECT_EQ(extent.height, 1540);
    const ViewDrawingOptions options;
    const CanvasRect spotTemplate = viewSpotTemplate(extent, options);
    EXPECT_EQ(spotTemplate, (CanvasRect{1010, -760, 1030, -780}));
    EXPECT_EQ(viewSpotRect(spotTemplate, makeSpot(1, 1, 1, 500, 300, 1), 1.0),
              (CanvasRect{1510, -460, 1530, -480}));
    // Positions truncate toward zero on both sides of the centre.
    EXPECT_EQ(viewSpotRect(spotTemplate, makeSpot(1, 1, 1, -333.7, -0.9, 1), 1.0),
              (CanvasRect{677, -760, 697, -780}));

    ViewDrawingOptions half;
    half.scale = 0.5;
    const DrawingExtent halfExtent = viewExtent(2000, 1500, half.scale);
    EXPECT_EQ(halfExtent.width, 1040);
    EXPECT_EQ(halfExtent.height, 790);
    const CanvasRect halfTemplate = viewSpotTemplate(halfExtent, half);
    EXPECT_EQ(halfTemplate, (CanvasRect{515, -390, 525, -400}));
    EXPECT_EQ(viewSpotRect(halfTemplate, makeSpot(1, 1, 1, 500, 300, 1), half.scale),
              (CanvasRect{765, -240, 775, -250}));
}

TEST(ViewGeometry, GreyLevelsFollowIntensityUpToSaturation) {
    EXPECT_EQ(spotColour(greyLevel(0.0, 1000, true)), kWhite); // invisible on the film
    EXPECT_EQ(spotColour(greyLevel(0.0, 1000, false)), kBlack);
    EXPECT_EQ(spotColour(greyLevel(1000, 1000, true)), kBlack);
    EXPECT_EQ(spotColour(greyLevel(5000, 1000, true)), kBlack);
    EXPECT_EQ(greyLevel(500, 1000, true), 127);
    EXPECT_EQ(spotColour(greyLevel(500, 1000, true)), (Rgb{128, 128, 128}));
    // Without a saturation yet every spot is dark; odd values never leave the colour range.
    EXPECT_EQ(greyLevel(5, 0, true), 255);
    EXPECT_EQ(greyLevel(-5, 1000, true), 0);
    EXPECT_EQ(spotColour(-20), kWhite);
    EXPECT_EQ(spotColour(300), kBlack);
}

TEST(ViewGeometry, LabelsRunTheLowestHarmonicsIndicesTogether) {
    EXPECT_EQ(spotLabel(makeSpot(1, -1, 2, 0, 0, 1)), "1-12");
    EXPECT_EQ(spotLabel(makeSpot(1, 1, 0, 0, 0, 1, 2)), "220");
    EXPECT_EQ(spotLabel(makeSpot(-1, -1, -3, 0, 0, 1, 3)), "-3-3-9");
}

TEST(ScreenDrawing, DrawsEveryStepInOrder) {
    const std::vector<LaueSpot> spots = {makeSpot(1, -1, 2, 500, 300, 500)};
    ViewDrawingOptions options;
    options.showIndex = true;
    RecordingCanvas canvas;
    const auto pane = drawPattern(canvas, test::filmContent(spots, 0), options);

    const Rgb grey{235, 235, 235};
    const std::vector<RecordedCall> expected = {
        RecordedFill{{20, -20, 2020, -1520}, kWhite},
        RecordedPolyline{{{20, -770}, {2020, -770}}, 3, kCrosslineCyan},
        RecordedPolyline{{{1019, -20}, {1019, -1520}}, 3, kCrosslineCyan},
        RecordedFill{{1010, -760, 1030, -780}, kRed},
        RecordedFill{{1510, -460, 1530, -480}, Rgb{128, 128, 128}},
        RecordedFont{FontSpec{}, true},
        RecordedText{"1-12", {1495, -426, 1495, -426}, false, TextAlignment::Left, FontSpec{}},
        RecordedFill{{0, 0, 20, -20000}, grey},
        RecordedFill{{0, 0, 20000, -20}, grey},
        RecordedFill{{0, -1520, 20000, -20000}, grey},
        RecordedFill{{2020, 0, 20000, -20000}, grey},
        RecordedPolyline{
            {{1507, -457}, {1533, -457}, {1533, -483}, {1507, -483}, {1507, -457}}, 0, kBlue},
        RecordedPolyline{kFilmOutline, 0, kBlack},
    };
    EXPECT_EQ(canvas.calls, expected);
    ASSERT_TRUE(pane.has_value());
    EXPECT_EQ(*pane, "1 -1 2: x=50, y=30; WL=1.00; I=500.0, 50");
}

TEST(ScreenDrawing, SpotsAndLabelsGoFromTheLastToTheFirst) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 0, 0, 0, 100, 1000),
                                         makeSpot(0, 1, 0, 0, -100, 0)};
    ViewDrawingOptions options;
    options.showIndex = true;
    options.showCrossline = false;
    RecordingCanvas canvas;
    drawPattern(canvas, test::filmContent(spots), options);

    const auto fills = canvas.fills();
    ASSERT_GE(fills.size(), 4u);
    EXPECT_EQ(fills[2], (RecordedFill{{1010, -860, 1030, -880}, kWhite}));
    EXPECT_EQ(fills[3], (RecordedFill{{1010, -660, 1030, -680}, kBlack}));
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, "010");
    EXPECT_EQ(texts[1].text, "100");
    EXPECT_FALSE(hasPolylineColoured(canvas, kCrosslineCyan));
}

TEST(ScreenDrawing, EmptyPatternShowsThePromptThatFits) {
    RecordingCanvas canvas;
    const std::vector<LaueSpot> none;
    PatternContent content = test::filmContent(none);
    EXPECT_EQ(drawPattern(canvas, content, {}), std::string(kStatusPrompts[3]));
    // Film, crossline, centre mark, surround and outline; nothing else.
    EXPECT_EQ(canvas.fills().size(), 6u);
    EXPECT_EQ(canvas.polylines().size(), 3u);

    content.distance = 0.99;
    EXPECT_EQ(patternStatusText(content), kStatusPrompts[1]);
    content.latticeA = 0.0001;
    EXPECT_EQ(patternStatusText(content), kStatusPrompts[0]);

    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 0, 0, 1)};
    EXPECT_EQ(patternStatusText(test::filmContent(spots)), kStatusPrompts[2]);
    // A selection beyond the list counts as none.
    EXPECT_EQ(patternStatusText(test::filmContent(spots, 1)), kStatusPrompts[2]);
    RecordingCanvas selected;
    drawPattern(selected, test::filmContent(spots, 1), {});
    EXPECT_FALSE(hasPolylineColoured(selected, kBlue));
}

TEST(ScreenDrawing, SelectedSpotTextInMillimetresAngstromAndPerCent) {
    // Second harmonic labels the spot: indices doubled, wavelength halved.
    const LaueSpot spot = makeSpot(1, 1, 0, 505.5, -305.9, 1234.56, 2, 1.2345);
    EXPECT_EQ(selectedSpotText(spot, 2500), "2 2 0: x=50, y=-30; WL=0.62; I=1234.6, 49");
    EXPECT_EQ(selectedSpotText(spot, 1000), "2 2 0: x=50, y=-30; WL=0.62; I=1234.6, 123");
}

TEST(ScreenDrawing, SelectedSpotTextIgnoresTheProcessLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    const LaueSpot spot = makeSpot(1, 1, 1, 0, 0, 12.3, 1, 1.5);
    EXPECT_EQ(selectedSpotText(spot, 100), "1 1 1: x=0, y=0; WL=1.50; I=12.3, 12");
}

TEST(ScreenDrawing, InactiveViewDrawsNoSelectionAndLeavesThePaneAlone) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 0, 0, 1)};
    ViewDrawingOptions options;
    options.activeView = false;
    RecordingCanvas canvas;
    EXPECT_EQ(drawPattern(canvas, test::filmContent(spots, 0), options), std::nullopt);
    EXPECT_FALSE(hasPolylineColoured(canvas, kBlue));
    EXPECT_EQ(canvas.fills().size(), 7u); // still the whole picture, surround included
}

TEST(ScreenDrawing, ReadsTheDocument) {
    test::RecordingPrompt prompt;
    CXtalspDoc doc(DocumentServices{&prompt, nullptr, std::nullopt});
    RecordingCanvas canvas;
    EXPECT_EQ(drawPattern(canvas, doc, {}), std::string(kStatusPrompts[0]));
    ASSERT_FALSE(canvas.fills().empty());
    EXPECT_EQ(canvas.fills().front(), (RecordedFill{{20, -20, 2020, -1520}, kWhite}));

    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.distance = 500;
        in.settings.rotationX = 0.5;
        in.settings.rotationY = -1;
    });
    EXPECT_EQ(geometryStatusText(doc), "5; 0.5; -1");
}

TEST(PaperDrawing, NoFilmFillSurroundOrSelectionAndAnEmptyPane) {
    const std::vector<LaueSpot> spots = {makeSpot(1, 1, 1, 0, 0, 1000)};
    RecordingCanvas paper(false);
    EXPECT_EQ(drawPattern(paper, test::filmContent(spots, 0), {}), std::string());
    const std::vector<RecordedFill> expectedFills = {
        {{1010, -760, 1030, -780}, kRed},
        {{1010, -760, 1030, -780}, kBlack},
    };
    EXPECT_EQ(paper.fills(), expectedFills);
    EXPECT_FALSE(hasPolylineColoured(paper, kBlue));
    ASSERT_EQ(paper.polylines().size(), 3u);
    EXPECT_EQ(paper.polylines().back(), (RecordedPolyline{kFilmOutline, 0, kBlack}));
}

TEST(PaperDrawing, SpotsAreClippedToTheFilm) {
    const std::vector<LaueSpot> spots = {
        makeSpot(1, 0, 0, 1000, 750, 1000),   // top right corner: a quarter remains
        makeSpot(0, 1, 0, -1000, -750, 1000), // bottom left corner
        makeSpot(0, 0, 1, 1200, 0, 1000),     // wholly beyond the film: nothing is printed
    };
    ViewDrawingOptions options;
    options.showCrossline = false;
    RecordingCanvas paper(false);
    drawPattern(paper, test::filmContent(spots), options);
    const std::vector<RecordedFill> expectedFills = {
        {{1010, -760, 1030, -780}, kRed},
        {{20, -1510, 30, -1520}, kBlack},
        {{2010, -20, 2020, -30}, kBlack},
    };
    EXPECT_EQ(paper.fills(), expectedFills);
}

// With the recording canvas a label is 10 units per character wide and 20 high; a spot at (x, y)
// puts the label box's top-left corner at (1000 + x, -720 + y).
std::vector<RecordedText> paperLabelsOf(const LaueSpot& spot, bool namedFontsFail = false) {
    const std::vector<LaueSpot> spots = {spot};
    ViewDrawingOptions options;
    options.showIndex = true;
    RecordingCanvas paper(false);
    paper.namedFontsFail = namedFontsFail;
    drawPattern(paper, test::filmContent(spots), options);
    return paper.texts();
}

TEST(PaperDrawing, LabelsUseThePrintedFontOrTheStandardOneAndStayInsideTheFilm) {
    const FontSpec times{"Times New Roman", 33, 100};
    auto texts = paperLabelsOf(makeSpot(1, 1, 1, 0, 0, 1));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              (RecordedText{"111", {1000, -720, 1030, -740}, true, TextAlignment::Left, times}));

    // Partly in the top margin: the top comes down to the film edge.
    texts = paperLabelsOf(makeSpot(1, 1, 1, 0, 715, 1));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].box, (CanvasRect{1000, -20, 1030, -25}));
    // Wholly in the top margin: skipped.
    EXPECT_TRUE(paperLabelsOf(makeSpot(1, 1, 1, 0, 730, 1)).empty());

    // Across the left edge: cut there and right-aligned, so the visible end stays readable.
    texts = paperLabelsOf(makeSpot(1, -1, 2, -1000, 0, 1));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].box, (CanvasRect{20, -720, 40, -740}));
    EXPECT_EQ(texts[0].alignment, TextAlignment::Right);
    // Wholly left of the film: skipped.
    EXPECT_TRUE(paperLabelsOf(makeSpot(1, 1, 1, -1015, 0, 1)).empty());

    // Across the right edge: cut there, left-aligned.
    texts = paperLabelsOf(makeSpot(1, 1, 1, 1000, 0, 1));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].box, (CanvasRect{2000, -720, 2020, -740}));
    EXPECT_EQ(texts[0].alignment, TextAlignment::Left);
    // Wholly right of the film: nothing to show through the clip.
    EXPECT_TRUE(paperLabelsOf(makeSpot(1, 1, 1, 1025, 0, 1)).empty());

    // Without the face the standard font prints the same boxes.
    texts = paperLabelsOf(makeSpot(1, 1, 1, 0, 0, 1), true);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].font, FontSpec{});
    EXPECT_EQ(texts[0].box, (CanvasRect{1000, -720, 1030, -740}));
}

TEST(GeometryStatus, TwoDecimalsWithoutTrailingZeros) {
    EXPECT_EQ(geometryStatusText(500, 0.5, -1), "5; 0.5; -1");
    EXPECT_EQ(geometryStatusText(1250, 2.50, 0), "12.5; 2.5; 0");
    EXPECT_EQ(geometryStatusText(1000, 10, -89.9999), "10; 10; -90");
    EXPECT_EQ(geometryStatusText(300, 0.123, 45.678), "3; 0.12; 45.68");
    // A tiny negative rotation rounds to zero and reads "0", not "-0".
    EXPECT_EQ(geometryStatusText(0, -0.001, -0.0), "0; 0; 0");
}

// A 5 m film at 500 % is far wider than the surround's 2 m reach: the surround must still lie
// wholly outside the film.
TEST(ScreenDrawing, SurroundOfAHugeFilmLeavesTheFilmUncovered) {
    const std::vector<LaueSpot> none;
    PatternContent content = test::filmContent(none);
    content.filmWidth = content.filmHeight = 50000;
    ViewDrawingOptions options;
    options.scale = 5.0;
    RecordingCanvas canvas;
    drawPattern(canvas, content, options);
    const int far = 250000 + 20; // the film's far edges
    for (const RecordedFill& fill : canvas.fills()) {
        if (!(fill.colour == Rgb{235, 235, 235}))
            continue;
        const int left = std::min(fill.rect.left, fill.rect.right);
        const int right = std::max(fill.rect.left, fill.rect.right);
        const int top = std::max(fill.rect.top, fill.rect.bottom);
        const int bottom = std::min(fill.rect.top, fill.rect.bottom);
        const bool overlapsFilm = left < far && right > 20 && bottom < -20 && top > -far;
        EXPECT_FALSE(overlapsFilm) << left << " " << top << " " << right << " " << bottom;
    }
}

} // namespace
} // namespace xtalsp
