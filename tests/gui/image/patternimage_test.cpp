#include "gui/image/imagecommands.h"
#include "gui/image/imagedisplay.h"
#include "gui/image/patternimagelayer.h"
#include "gui/shell/commandids.h"
#include "gui/shell/mainframe.h"
#include "gui/shell/xtalspapp.h"
#include "gui/support/fakeviewhost.h"
#include "gui/support/scripteddocumentdialogs.h"
#include "gui/support/scriptedfilechooser.h"
#include "gui/view/xtalspview.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"
#include "support/testimages.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <filesystem>

namespace xtalsp::gui {
namespace {

class ImageWindow : public ::testing::Test {
protected:
    ImageWindow()
        : app(store, prompt, chooser, dialogs, documentDialogs,
              QString::fromStdString(dir.path())) {
        app.InitInstance({});
    }

    CMainFrame& frame() { return *app.mainFrame(); }
    PatternImageLayer& layer() { return *app.imageLayer(*app.activeDocument()); }
    QString file(const std::string& name) {
        return QString::fromStdString(dir.path() + "/" + name);
    }
    // A flat 16-bit image of the given size with one pixel set to a value of its own.
    QString flatImage(const std::string& name, int width, int height, int column, int row,
                      std::uint16_t value) {
        std::vector<std::uint16_t> pixels(static_cast<std::size_t>(width) * height, 100);
        pixels[static_cast<std::size_t>(row) * width + column] = value;
        EXPECT_TRUE(test::writeTiff(file(name).toStdString(), width, height, pixels));
        return file(name);
    }
    void openImage(const QString& path) {
        chooser.answers = {path};
        frame().runCommand(ID_IMAGE_OPEN);
    }

    test::TempDir dir;
    MemorySettingsStore store;
    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    test::ScriptedViewDialogs dialogs;
    test::ScriptedDocumentDialogs documentDialogs;
    CXtalspApp app;
};

// Flip then a quarter turn: pixel (14, 20) is 4 columns right of the centre (10, 20), 2 mm
// at 0.5 mm a column; flipped to x = -2, turned counter-clockwise to y = -2.
ImageCalibration turnedCalibration() {
    return {0.5, 1.0, 10.0, 20.0, ImageFlip::Horizontal, 90};
}

TEST_F(ImageWindow, CalibratedImageMapsPointerToFilmAndFitsTheFilm) {
    openImage(flatImage("turned.tif", 40, 40, 14, 20, 777));
    ASSERT_TRUE(layer().hasImage());
    layer().setCalibration(turnedCalibration());

    CXtalspView& view = *frame().activeView();
    view.resize(600, 600);
    const QSize content = view.contentSize();
    const double pixelsPerMm = view.scale() * 10.0 * view.logicalDpiX() / 254.0;
    const QPointF pointer =
        QPointF(content.width() * 0.5, content.height() * 0.5 + 2.0 * pixelsPerMm) -
        QPointF(view.scrollPosition());
    QMouseEvent move(QEvent::MouseMove, pointer, view.viewport()->mapToGlobal(pointer),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &move);
    EXPECT_TRUE(frame().statusBar()->currentMessage().endsWith("value 777"))
        << frame().statusBar()->currentMessage().toStdString();
    EXPECT_NEAR(view.filmPointAt(pointer).xMm, 0.0, 0.3);
    EXPECT_NEAR(view.filmPointAt(pointer).yMm, -2.0, 0.3);

    // The film covers rows -0.5 to 39.5 (20.5 mm above and 19.5 below the centre, now along
    // x) and columns -0.5 to 39.5 (5.25 mm and 14.75 mm, now along y): 41 mm by 29.5 mm,
    // rounded up to whole millimetres.
    frame().runCommand(ID_IMAGE_FIT_FILM);
    EXPECT_DOUBLE_EQ(app.activeDocument()->filmWidth(), 410.0);
    EXPECT_DOUBLE_EQ(app.activeDocument()->filmHeight(), 300.0);
}

TEST_F(ImageWindow, SaveKeepsTheImageSettingsAndAMissingImageKeepsTheCalibration) {
    const QString image = flatImage("film.tif", 40, 40, 14, 20, 777);
    openImage(image);
    layer().setCalibration(turnedCalibration());
    layer().setContrast({ContrastScale::Logarithmic, 90.0, 900.0, true});
    layer().setPeaks({{1.5, -2.25, 300.0}});
    const QString pattern = file("saved.ptn");
    chooser.answers = {pattern};
    frame().runCommand(ID_FILE_SAVE_AS);
    ASSERT_TRUE(QFile::exists(pattern + ".image"));
    const PatternImageSettings saved = layer().settings();

    app.closeDocument(*app.activeDocument());
    ASSERT_NE(app.OpenDocumentFile(pattern), nullptr);
    EXPECT_TRUE(layer().hasImage());
    EXPECT_EQ(layer().settings(), saved);
    EXPECT_FALSE(app.activeDocument()->isModified());

    app.closeDocument(*app.activeDocument());
    QFile::remove(image);
    prompt.messages.clear();
    ASSERT_NE(app.OpenDocumentFile(pattern), nullptr);
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_FALSE(layer().hasImage());
    EXPECT_EQ(layer().settings().calibration, saved.calibration);
    EXPECT_EQ(layer().settings().peaks, saved.peaks);

    // Closing the image and saving leaves no settings behind to bring it back.
    frame().runCommand(ID_IMAGE_CLOSE);
    frame().runCommand(ID_FILE_SAVE);
    EXPECT_FALSE(QFile::exists(pattern + ".image"));
}

// The points as "x,y" pairs, comparable as a whole.
std::vector<std::pair<double, double>> coordinates(const std::vector<FilmPoint>& points) {
    std::vector<std::pair<double, double>> pairs;
    for (const FilmPoint& point : points)
        pairs.emplace_back(point.xMm, point.yMm);
    return pairs;
}

// Marks are saved beside a pattern without an image and come back on Open; cleared marks leave
// no file behind. Marks from the image's peaks come strongest first and are saved with it.
TEST_F(ImageWindow, MarksAreKeptWithThePatternAndTakenFromPeaks) {
    const std::vector<FilmPoint> marks = {{1.25, -3.5}, {-7.0, 0.125}, {12.0, 9.5}};
    frame().activeView()->spotMarks().setMarks(marks);
    const QString pattern = file("marked.ptn");
    chooser.answers = {pattern};
    frame().runCommand(ID_FILE_SAVE_AS);
    app.closeDocument(*app.activeDocument());
    ASSERT_NE(app.OpenDocumentFile(pattern), nullptr);
    EXPECT_EQ(coordinates(frame().activeView()->spotMarks().marks()), coordinates(marks));
    EXPECT_FALSE(layer().hasSettings());
    EXPECT_FALSE(app.activeDocument()->isModified());
    frame().activeView()->spotMarks().clear();
    frame().runCommand(ID_FILE_SAVE);
    EXPECT_FALSE(QFile::exists(pattern + ".image"));

    openImage(flatImage("film.tif", 40, 40, 14, 20, 777));
    layer().setPeaks({{1.5, -2.25, 300.0}, {-4.0, 6.0, 900.0}});
    frame().runCommand(ID_MARKS_FROM_PEAKS);
    const std::vector<FilmPoint> fromPeaks = {{-4.0, 6.0}, {1.5, -2.25}};
    EXPECT_EQ(coordinates(frame().activeView()->spotMarks().marks()), coordinates(fromPeaks));
    frame().runCommand(ID_FILE_SAVE);
    app.closeDocument(*app.activeDocument());
    ASSERT_NE(app.OpenDocumentFile(pattern), nullptr);
    EXPECT_TRUE(layer().hasImage());
    EXPECT_EQ(coordinates(frame().activeView()->spotMarks().marks()), coordinates(fromPeaks));
}

TEST_F(ImageWindow, FindPeaksFindsTheGeneratedSpots) {
    const std::vector<test::SyntheticSpot> spots = {
        {40.3, 50.6, 3000.0}, {120.8, 30.2, 2000.0}, {150.5, 160.4, 1500.0}};
    const auto pixels = test::syntheticSpotImage(200, 200, spots, 100.0, 1.5, 7);
    ASSERT_TRUE(test::writeTiff(file("spots.tif").toStdString(), 200, 200, pixels));
    openImage(file("spots.tif"));
    layer().setCalibration({0.1, 0.1, 100.0, 100.0, ImageFlip::None, 0});

    frame().runCommand(ID_IMAGE_FIND_PEAKS);
    const std::vector<FilmPeak>& peaks = layer().settings().peaks;
    ASSERT_EQ(peaks.size(), spots.size());
    for (const test::SyntheticSpot& spot : spots) {
        const double x = 0.1 * (spot.column - 100.0), y = -0.1 * (spot.row - 100.0);
        EXPECT_TRUE(std::any_of(
            peaks.begin(), peaks.end(),
            [&](const FilmPeak& peak) { return std::hypot(peak.xMm - x, peak.yMm - y) < 0.05; }))
            << x << ", " << y;
    }
}

TEST(ImageDisplay, RegionFollowsTheCalibrationAndTheContrastTable) {
    DetectorImage image{8, 6, std::vector<float>(48, 0.0F), std::nullopt, std::nullopt};
    image.pixels[2 * 8 + 6] = 1000.0F; // column 6, row 2
    const ImagePyramid pyramid(image);
    const ContrastSettings contrast{ContrastScale::Linear, 0.0, 1000.0, false};
    // 1 mm pixels, 10 device pixels a mm: the bright pixel covers a 10 x 10 block.
    const ImageCalibration calibration{1.0, 1.0, 3.0, 3.0, ImageFlip::Vertical, 270};
    const FilmPlacement placement{QPointF(100.0, 100.0), 10.0};
    const QImage picture = renderImageRegion(pyramid, calibration, GreyMap(contrast), placement,
                                             QRect(0, 0, 200, 200));
    // (6 - 3, -(2 - 3)) = (3, 1), flipped (3, -1), turned 270: (-1, -3) mm.
    EXPECT_EQ(qGray(picture.pixel(100 - 10, 100 + 30)), 255);
    EXPECT_EQ(qGray(picture.pixel(100, 100 + 30)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(100, 100 + 30)), 255);
    EXPECT_EQ(qAlpha(picture.pixel(5, 5)), 0); // off the image

    for (const ContrastScale scale :
         {ContrastScale::Linear, ContrastScale::SquareRoot, ContrastScale::Logarithmic}) {
        const ContrastSettings settings{scale, 100.0, 4000.0, true};
        const GreyMap map(settings);
        for (const float value : {-5.0F, 100.0F, 101.5F, 130.0F, 999.0F, 3999.0F, 7000.0F})
            EXPECT_NEAR(map(value), greyLevel(value, settings), 1) << value;
        EXPECT_EQ(map(std::nanf("")), greyLevel(std::nan(""), settings));
    }
}

} // namespace
} // namespace xtalsp::gui
