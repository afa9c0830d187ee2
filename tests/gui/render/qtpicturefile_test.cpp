#include "render/qt/qtpicturefile.h"

#include "core/io/filebytes.h"
#include "render/pictureexport.h"
#include "support/filmcontent.h"
#include "support/makespot.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xtalsp {
namespace {

using test::makeSpot;

const std::vector<LaueSpot> kSpots = {makeSpot(1, 1, 1, 500, 300, 2000),
                                      makeSpot(2, 0, 0, -100, 40, 2000)};

bool exportTo(const std::string& path, double dpi, test::RecordingPrompt& prompt) {
    ViewDrawingOptions options;
    options.showIndex = true;
    return exportPatternPicture(pictureFormatFor(path, dpi), path, test::filmContent(kSpots),
                                options, prompt);
}

TEST(QtPictureFiles, EachFormatHasThePicturesPhysicalSize) {
    test::TempDir dir;
    test::RecordingPrompt prompt;
    const std::string svg = dir.file("p.SVG"), png = dir.file("p.png"), pdf = dir.file("p.pdf");
    ASSERT_TRUE(exportTo(svg, 300, prompt));
    ASSERT_TRUE(exportTo(png, 254, prompt));
    ASSERT_TRUE(exportTo(pdf, 300, prompt));
    EXPECT_TRUE(prompt.messages.empty());

    const std::string svgText = readFileBytes(svg).value();
    EXPECT_NE(svgText.find("width=\"102mm\" height=\"77mm\""), std::string::npos);
    EXPECT_NE(svgText.find("viewBox=\"0 0 10200 7700\""), std::string::npos);

    // 254 dpi: ten pixels a millimetre. The spot at film (500, 300) is centred 25 mm right of
    // and 15 mm above the picture's centre (51, 38.5 mm), and its 1 mm square is black.
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(1020, 770));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255)); // white margin
    EXPECT_EQ(image.pixel(760, 235), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(510, 385), qRgb(255, 0, 0)); // the beam-centre mark

    EXPECT_EQ(readFileBytes(pdf).value().substr(0, 5), "%PDF-");
}

// A mid-grey image 120 mm square under the film's centre, spots as outlines over it.
TEST(QtPictureFiles, AnImageUnderTheFilmShowsInsideItsRectangleAndThroughSpotOutlines) {
    test::TempDir dir;
    test::RecordingPrompt prompt;
    ImageUnderlay underlay;
    underlay.raster = GreyRaster{2, 2, std::vector<std::uint8_t>(4, 128)};
    underlay.film = FilmRect{-60.0, -60.0, 60.0, 60.0};
    ViewDrawingOptions options;
    options.underlay = &underlay;
    options.spotOutlines = true;
    const std::string png = dir.file("u.png"), svg = dir.file("u.svg");
    for (const std::string& path : {png, svg})
        ASSERT_TRUE(exportPatternPicture(pictureFormatFor(path, 254), path,
                                         test::filmContent(kSpots), options, prompt));
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(1020, 770));
    EXPECT_EQ(image.pixel(660, 235), qRgb(128, 128, 128)); // film (30, 30) mm
    EXPECT_EQ(image.pixel(910, 285), qRgb(255, 255, 255)); // film (80, 20) mm: beyond the image
    EXPECT_EQ(image.pixel(760, 235), qRgb(128, 128, 128)); // inside the outlined spot
    EXPECT_EQ(image.pixel(755, 235), qRgb(255, 0, 0));     // its outline
    EXPECT_NE(readFileBytes(svg).value().find("<image"), std::string::npos);
}

TEST(QtPictureFiles, OtherNamesAreMetafilesAndBadPathsAreReported) {
    test::TempDir dir;
    test::RecordingPrompt prompt;
    const std::string wmf = dir.file("p.wmf");
    ASSERT_TRUE(exportTo(wmf, 300, prompt));
    EXPECT_EQ(readFileBytes(wmf).value().substr(40, 4), " EMF");

    for (const char* name : {"p.svg", "p.pdf", "p.png"})
        EXPECT_FALSE(exportTo(dir.file("missing/") + name, 300, prompt)) << name;
    ASSERT_EQ(prompt.messages.size(), 3u);
    EXPECT_EQ(prompt.messages[0].text, "Failed to create the SVG picture!");
    EXPECT_EQ(prompt.messages[1].text, "Failed to create the PDF file!");
    EXPECT_EQ(prompt.messages[2].text, "Failed to create the PNG image!");
}

TEST(QtPictureFiles, AFullDiskIsReported) {
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no device that refuses writes";
    test::RecordingPrompt prompt;
    for (const ImageKind kind : {ImageKind::Svg, ImageKind::Pdf, ImageKind::Png})
        EXPECT_FALSE(exportPatternPicture(imageFormat(kind), "/dev/full", test::filmContent(kSpots),
                                          ViewDrawingOptions{}, prompt));
    ASSERT_EQ(prompt.messages.size(), 3u);
    EXPECT_EQ(prompt.messages[0].text, "Failed to create the SVG picture!");
}

} // namespace
} // namespace xtalsp
