#include "render/emfcanvas.h"

#include "render/pictureexport.h"

#include "support/emfrecords.h"
#include "support/filmcontent.h"
#include "support/makespot.h"
#include "support/recordingcanvas.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace xtalsp {
namespace {

namespace emf = test::emf;
using test::makeSpot;
using test::RecordingCanvas;
using test::TempDir;

constexpr PictureExtent kFrame{10200, 7700}; // a 2000 x 1500 film
constexpr int kHairline = 10;

std::vector<emf::Record> recordsOf(const std::string& bytes) {
    auto records = emf::splitRecords(bytes);
    EXPECT_TRUE(records.has_value()) << "record sizes do not tile the file";
    return records.value_or(std::vector<emf::Record>{});
}

TEST(EmfCanvas, HeaderDescribesTheWholeFile) {
    const std::vector<LaueSpot> spots = {makeSpot(1, -1, 2, 500, 300, 500),
                                         makeSpot(1, 1, 3, 990, 740, 900)};
    ViewDrawingOptions options;
    options.showIndex = true;
    EmfCanvas canvas(kFrame);
    drawPicture(canvas, test::filmContent(spots), options);
    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    ASSERT_GE(records.size(), 2u);
    ASSERT_EQ(records.front().type, emf::Header);
    EXPECT_EQ(records.back().type, emf::Eof);

    const emf::HeaderFields h = emf::header(records.front());
    EXPECT_EQ(h.frame, (CanvasRect{0, 0, 10200, 7700}));
    EXPECT_EQ(bytes.substr(40, 4), " EMF");
    EXPECT_EQ(h.nBytes, bytes.size());
    EXPECT_EQ(h.nRecords, records.size());
    EXPECT_EQ(h.nDescription, 0u);
    // The frame's pixels, 102 x 77 mm on a 3.2 pixel/mm reference display, even though the
    // label of a spot near the top edge reaches beyond it.
    EXPECT_EQ(h.bounds, (CanvasRect{0, 0, 326, 246}));

    // Every object index used, plus the reserved index 0, fits the declared handle table.
    std::uint32_t highest = 0;
    for (const emf::Record& r : records)
        if (r.type == emf::CreatePen || r.type == emf::CreateBrushIndirect ||
            r.type == emf::ExtCreateFontIndirectW)
            highest = std::max(highest, r.fields().u32(8));
    EXPECT_GT(h.nHandles, highest);
    EXPECT_LE(h.nHandles, 3); // the label font and one brush or pen at a time

    // bytes() is a snapshot: drawing may go on and the header follows.
    canvas.fillRect({0, 0, 10, -10}, kBlack);
    const std::string more = canvas.bytes();
    EXPECT_EQ(emf::header(recordsOf(more).front()).nBytes, more.size());
    EXPECT_EQ(emf::header(recordsOf(more).front()).nRecords, recordsOf(more).size());

    // An empty picture is still a complete file.
    const std::string emptyBytes = EmfCanvas(kFrame).bytes();
    const std::vector<emf::Record> empty = recordsOf(emptyBytes);
    ASSERT_GE(empty.size(), 2u);
    EXPECT_EQ(emf::header(empty.front()).nHandles, 1);
}

// 0.01 mm logical units, y up: window extents in 0.01 mm over the reference device's pixels.
TEST(EmfCanvas, MappingMakesOneUnitAHundredthOfAMillimetreWithYUp) {
    const std::string bytes = EmfCanvas(kFrame).bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    const emf::HeaderFields h = emf::header(records.front());
    const auto mapMode = emf::first(records, emf::SetMapMode);
    const auto window = emf::first(records, emf::SetWindowExtEx);
    const auto viewport = emf::first(records, emf::SetViewportExtEx);
    ASSERT_TRUE(mapMode && window && viewport);
    EXPECT_EQ(mapMode->fields().u32(8), 8u); // MM_ANISOTROPIC
    EXPECT_EQ(records[1].type, emf::SetMapMode);

    const long windowX = window->fields().i32(8), windowY = window->fields().i32(12);
    const long viewportX = viewport->fields().i32(8), viewportY = viewport->fields().i32(12);
    // windowX units span viewportX pixels, and one pixel is (mm / pixels) mm wide.
    EXPECT_EQ(windowX * h.deviceX, viewportX * h.millimetresX * 100L);
    EXPECT_EQ(windowY * h.deviceY, -viewportY * h.millimetresY * 100L);
    EXPECT_GT(viewportX, 0);
    EXPECT_LT(viewportY, 0);
}

TEST(EmfCanvas, PictureReplaysAsTheRecordingCanvasSawIt) {
    const std::vector<LaueSpot> spots = {makeSpot(1, -1, 2, 500, 300, 500),
                                         makeSpot(0, 0, 1, -200, -100, 1000)};
    ViewDrawingOptions options;
    options.showIndex = true;
    RecordingCanvas recording(false);
    EmfCanvas canvas(kFrame);
    EXPECT_TRUE(drawPicture(recording, test::filmContent(spots), options));
    EXPECT_TRUE(drawPicture(canvas, test::filmContent(spots), options));
    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    const emf::Replay replay = emf::replay(records);

    std::vector<emf::Fill> expectedFills;
    for (const test::RecordedFill& fill : recording.fills())
        expectedFills.push_back({fill.rect, fill.colour, true});
    EXPECT_EQ(replay.fills, expectedFills);
    ASSERT_GE(replay.fills.size(), 4u);
    EXPECT_EQ(replay.fills[0], (emf::Fill{{5050, -3800, 5150, -3900}, kRed, true}));

    ASSERT_EQ(replay.lines.size(), 3u);
    EXPECT_EQ(replay.lines[0].points, (std::vector<CanvasPoint>{{100, -3850}, {10100, -3850}}));
    EXPECT_EQ(replay.lines[0].pen, (emf::Pen{30, kCrosslineCyan}));
    EXPECT_EQ(replay.lines[1].pen, (emf::Pen{30, kCrosslineCyan}));
    EXPECT_EQ(replay.lines[2].points, recording.polylines()[2].points);
    EXPECT_EQ(replay.lines[2].pen, (emf::Pen{kHairline, kBlack}));

    ASSERT_EQ(replay.texts.size(), 2u);
    EXPECT_EQ(replay.texts[0].text, u"001");
    EXPECT_EQ(replay.texts[1].text, u"1-12");
    EXPECT_EQ(replay.texts[1].reference, (CanvasPoint{7450, -2100}));
    EXPECT_EQ(replay.texts[1].align, 0u); // TA_TOP | TA_LEFT
    EXPECT_EQ(replay.texts[1].options, 0u);
    ASSERT_TRUE(replay.texts[1].font.has_value());
    const emf::Font& font = *replay.texts[1].font;
    EXPECT_EQ(font.face, u"Times New Roman");
    EXPECT_EQ(font.height, -190);
    EXPECT_EQ(font.weight, 100);
    EXPECT_EQ(font.charset, 0);           // ANSI
    EXPECT_EQ(font.pitchAndFamily, 0x12); // variable pitch, roman family

    EXPECT_EQ(replay.handleErrors, 0);
    EXPECT_LE(replay.mostObjects, 2u);

    const auto bkMode = emf::first(records, emf::SetBkMode);
    const auto bkColour = emf::first(records, emf::SetBkColor);
    const auto textColour = emf::first(records, emf::SetTextColor);
    ASSERT_TRUE(bkMode && bkColour && textColour);
    EXPECT_EQ(bkMode->fields().u32(8), 1u); // transparent
    EXPECT_EQ(bkColour->fields().colour(8), kWhite);
    EXPECT_EQ(textColour->fields().colour(8), kBlack);
}

TEST(EmfCanvas, FontsThatCannotBeMadeFallBackToTheStockFont) {
    EmfCanvas canvas(kFrame);
    const std::string longest(31, 'F');
    EXPECT_TRUE(canvas.selectFont({longest, 190, 400}));
    EXPECT_FALSE(canvas.selectFont({longest + "F", 190, 400}));
    canvas.drawText({0, 0}, "a");
    EXPECT_TRUE(canvas.selectFont({"Arial", 100, 700}));
    canvas.drawText({0, 0}, "b");
    EXPECT_TRUE(canvas.selectFont({"", 0, 400})); // the standard font by request
    canvas.drawText({0, 0}, "c");
    EXPECT_FALSE(canvas.selectFont({std::string("Ar\0al", 5), 100, 400}));

    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    EXPECT_EQ(emf::countOf(records, emf::ExtCreateFontIndirectW), 2u);
    const emf::Replay replay = emf::replay(records);
    EXPECT_EQ(replay.handleErrors, 0);
    EXPECT_EQ(replay.mostObjects, 1u); // each font is deleted once it is replaced
    ASSERT_EQ(replay.texts.size(), 3u);
    EXPECT_EQ(replay.texts[0].stockFont, emf::kAnsiVarFont);
    ASSERT_TRUE(replay.texts[1].font.has_value());
    EXPECT_EQ(replay.texts[1].font->face, u"Arial");
    EXPECT_EQ(replay.texts[1].font->weight, 700);
    EXPECT_EQ(replay.texts[2].stockFont, emf::kAnsiVarFont);
}

TEST(EmfCanvas, TextIsUtf16WithItsBoxAndNoFill) {
    EmfCanvas canvas(kFrame);
    canvas.selectFont({"Times New Roman", 190, 100});
    canvas.drawText({100, -200}, "a=5.43 \xC5, 90\xB0 \x80");
    canvas.drawText({0, 0}, ""); // nothing at all
    canvas.drawTextInBox({1000, -500, 3000, -800}, "right", TextAlignment::Right);
    canvas.drawTextInBox({1000, -500, 3000, -800}, "left", TextAlignment::Left);

    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    const emf::Replay replay = emf::replay(records);
    ASSERT_EQ(replay.texts.size(), 3u);
    EXPECT_EQ(replay.texts[0].text, u"a=5.43 \u00C5, 90\u00B0 \u20AC");

    std::vector<emf::Text> outs;
    for (const emf::Record& r : records)
        if (r.type == emf::ExtTextOutW)
            outs.push_back(emf::textOut(r));
    for (const emf::Text& t : outs) {
        EXPECT_EQ(t.options & 2u, 0u); // never ETO_OPAQUE
        EXPECT_EQ(t.offDx, 0u);
    }
    // The free text's rectangle starts at its corner and holds about a character height.
    const CanvasRect rcl = outs[0].rcl;
    EXPECT_EQ(rcl.left, 100);
    EXPECT_EQ(rcl.top, -200);
    EXPECT_GT(rcl.right, 100 + 190 * 5);
    EXPECT_LE(rcl.bottom, -200 - 190);
    const TextExtent extent = canvas.textExtent("1-12");
    EXPECT_GE(extent.height, 190);
    EXPECT_LT(extent.height, 2 * 190);
    EXPECT_GT(canvas.textExtent("1-122").width, extent.width);

    // Box texts sit on the box's bottom at the chosen edge and are clipped to it.
    EXPECT_EQ(outs[1].reference, (CanvasPoint{3000, -800}));
    EXPECT_EQ(replay.texts[1].align, 8u + 2u); // TA_BOTTOM | TA_RIGHT
    EXPECT_EQ(outs[2].reference, (CanvasPoint{1000, -800}));
    EXPECT_EQ(replay.texts[2].align, 8u); // TA_BOTTOM | TA_LEFT
    for (std::size_t i = 1; i < 3; ++i) {
        EXPECT_EQ(outs[i].options, 4u); // ETO_CLIPPED
        EXPECT_EQ(outs[i].rcl, (CanvasRect{1000, -500, 3000, -800}));
    }
}

TEST(EmfCanvas, LinesKeepEveryCoordinate) {
    EmfCanvas canvas(kFrame);
    canvas.polyline({{0, 0}, {32767, -32768}}, 30, kBlue);
    canvas.polyline({{0, 0}, {40000, -7700}, {5, 70000}}, 0, kRed);
    canvas.polyline({{5, 5}}, 30, kBlue); // one point draws nothing
    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    EXPECT_EQ(emf::countOf(records, emf::Polyline16), 1u);
    EXPECT_EQ(emf::countOf(records, emf::Polyline), 1u);
    const emf::Replay replay = emf::replay(records);
    ASSERT_EQ(replay.lines.size(), 2u);
    EXPECT_EQ(replay.lines[0].points, (std::vector<CanvasPoint>{{0, 0}, {32767, -32768}}));
    EXPECT_EQ(replay.lines[0].pen, (emf::Pen{30, kBlue}));
    EXPECT_EQ(replay.lines[1].points,
              (std::vector<CanvasPoint>{{0, 0}, {40000, -7700}, {5, 70000}}));
    EXPECT_EQ(replay.lines[1].pen, (emf::Pen{kHairline, kRed}));
    EXPECT_EQ(replay.handleErrors, 0);
}

// The image goes in as an 8-bit grey DIB of the pixels on the film, stretched over their part
// of the target and clipped to the film inside a saved state.
TEST(EmfCanvas, GreyRasterIsAClippedStretchDiBitsOfThePixelsOnTheFilm) {
    GreyRaster raster{4, 3, {1, 2, 3, 4, 11, 12, 13, 14, 21, 22, 23, 24}};
    const CanvasRect target{1000, -1000, 1400, -1300}; // pixels 100 units square
    const CanvasRect clip{1150, -900, 2000, -1190};    // columns 1 to 3, rows 0 and 1
    EmfCanvas canvas(kFrame);
    canvas.drawGreyRaster(target, raster, clip);
    canvas.drawGreyRaster({3000, -1000, 3400, -1300}, raster, clip); // wholly outside
    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    EXPECT_EQ(emf::header(records.front()).nBytes, bytes.size());

    std::vector<std::uint32_t> types;
    for (std::size_t i = 4; i + 1 < records.size(); ++i) // after the header and the mapping
        types.push_back(records[i].type);
    ASSERT_EQ(types, (std::vector<std::uint32_t>{emf::SaveDc, emf::IntersectClipRect,
                                                 emf::StretchDiBits, emf::RestoreDc}));
    EXPECT_EQ(records[5].fields().rect(8), clip);
    EXPECT_EQ(records[7].fields().i32(8), -1); // the state saved just before

    const emf::Fields f = records[6].fields();
    EXPECT_EQ(f.i32(24), 1100); // xDest, yDest: the top-left of column 1, row 0
    EXPECT_EQ(f.i32(28), -1000);
    EXPECT_EQ(f.i32(72), 300);                       // cxDest
    EXPECT_EQ(f.i32(76), -200);                      // cyDest: downwards, as the rows go
    EXPECT_EQ(f.rect(32), (CanvasRect{0, 0, 3, 2})); // xSrc, ySrc, cxSrc, cySrc
    const std::uint32_t offBmi = f.u32(48), cbBmi = f.u32(52);
    const std::uint32_t offBits = f.u32(56), cbBits = f.u32(60);
    EXPECT_EQ(f.u32(64), 0u);          // DIB_RGB_COLORS
    EXPECT_EQ(f.u32(68), 0x00CC0020u); // SRCCOPY
    EXPECT_EQ(offBmi, 80u);
    EXPECT_EQ(cbBmi, 40u + 256u * 4u);
    EXPECT_EQ(offBits, offBmi + cbBmi);
    EXPECT_EQ(cbBits, 8u); // two rows of three pixels, each padded to four bytes
    EXPECT_EQ(f.size(), offBits + cbBits);

    EXPECT_EQ(f.u32(offBmi), 40u);     // BITMAPINFOHEADER
    EXPECT_EQ(f.i32(offBmi + 4), 3);   // width
    EXPECT_EQ(f.i32(offBmi + 8), 2);   // height, positive: bottom row first
    EXPECT_EQ(f.u16(offBmi + 12), 1);  // planes
    EXPECT_EQ(f.u16(offBmi + 14), 8);  // bits per pixel
    EXPECT_EQ(f.u32(offBmi + 16), 0u); // BI_RGB
    EXPECT_EQ(f.u32(offBmi + 32), 256u);
    for (const std::uint32_t level : {0u, 1u, 128u, 255u}) {
        const std::size_t entry = offBmi + 40 + 4 * level;
        EXPECT_EQ(f.colour(entry),
                  (Rgb{static_cast<std::uint8_t>(level), static_cast<std::uint8_t>(level),
                       static_cast<std::uint8_t>(level)}));
        EXPECT_EQ(f.u8(entry + 3), 0);
    }
    std::vector<int> bits;
    for (std::uint32_t i = 0; i < cbBits; ++i)
        bits.push_back(f.u8(offBits + i));
    EXPECT_EQ(bits, (std::vector<int>{12, 13, 14, 0, 2, 3, 4, 0}));
    EXPECT_TRUE(f.ok());
}

// The picture of a pattern draws the image once, under the film's contents.
TEST(EmfCanvas, PictureWithAnImageDrawsItFirst) {
    const std::vector<LaueSpot> spots = {makeSpot(1, -1, 2, 500, 300, 500)};
    const ImageUnderlay underlay{{2, 2, {0, 255, 255, 0}}, {-150.0, -100.0, 150.0, 100.0}};
    ViewDrawingOptions options;
    options.underlay = &underlay;
    EmfCanvas canvas(kFrame);
    EXPECT_TRUE(drawPicture(canvas, test::filmContent(spots), options));
    const std::string bytes = canvas.bytes();
    const std::vector<emf::Record> records = recordsOf(bytes);
    EXPECT_EQ(emf::countOf(records, emf::StretchDiBits), 1u);
    ASSERT_GE(records.size(), 7u);
    EXPECT_EQ(records[6].type, emf::StretchDiBits);
    EXPECT_EQ(emf::header(records.front()).frame, (CanvasRect{0, 0, 10200, 7700}));
}

TEST(MetafileFormat, ThePictureIsTheCanvasAndAFailedWriteIsReported) {
    const PictureFormat format = metafileFormat();
    EXPECT_EQ(format.creationFailure, "Failed to create the metafile!");
    std::unique_ptr<PictureFile> picture = format.open(kFrame);
    ASSERT_NE(picture, nullptr);
    picture->canvas().fillRect({100, -100, 200, -200}, kRed);
    const std::string expected = dynamic_cast<EmfCanvas&>(picture->canvas()).bytes();
    EXPECT_EQ(picture->finish(), expected);

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no device that refuses writes";
    test::RecordingPrompt prompt;
    EXPECT_FALSE(exportPatternPicture(format, "/dev/full",
                                      test::filmContent(std::vector<LaueSpot>{}),
                                      ViewDrawingOptions{}, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Failed to create the metafile!");
}

} // namespace
} // namespace xtalsp
