#include "gui/view/patterntiles.h"

#include "render/qt/qpaintercanvas.h"
#include "support/filmcontent.h"
#include "support/makespot.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace xtalsp {
namespace {

constexpr double kDpi = 96.0;
const QColor kGrey(235, 235, 235);

// Spots all over the film and past its edges, overlapping ones of different greys, labelled.
std::vector<LaueSpot> scatteredSpots(double shift) {
    std::vector<LaueSpot> spots;
    for (int i = 0; i < 400; ++i) {
        const double x = -1100.0 + (i * 37 % 2200) + shift;
        const double y = -820.0 + (i * 53 % 1640);
        spots.push_back(test::makeSpot(i % 3, -(i % 5), i % 7 + 1, x, y, (i * 97) % 1200));
    }
    return spots;
}

QRect drawingBounds(const PatternContent& content, double scale) {
    const DrawingExtent extent = viewExtent(content.filmWidth, content.filmHeight, scale);
    return {0, 0, static_cast<int>(extent.width * kDpi / 254.0) + 1,
            static_cast<int>(extent.height * kDpi / 254.0) + 1};
}

QImage blankWindow() {
    QImage window(500, 380, QImage::Format_ARGB32_Premultiplied);
    window.fill(kGrey);
    return window;
}

QImage paintedDirectly(const PatternContent& content, const ViewDrawingOptions& options,
                       QPoint scroll) {
    QImage window = blankWindow();
    QPainter painter(&window);
    painter.translate(-scroll.x(), -scroll.y());
    QPainterCanvas canvas(painter, kDpi, true);
    drawPattern(canvas, content, options);
    return window;
}

QImage paintedFromTiles(gui::PatternTiles& tiles, const PatternContent& content,
                        const ViewDrawingOptions& options, QPoint scroll) {
    QImage window = blankWindow();
    QPainter painter(&window);
    tiles.paint(painter, window.rect(), scroll, drawingBounds(content, options.scale), content,
                options, kDpi, 1.0);
    painter.translate(-scroll.x(), -scroll.y());
    QPainterCanvas canvas(painter, kDpi, true);
    drawActiveViewMarks(canvas, content, options);
    return window;
}

TEST(PatternTiles, PaintTheSamePixelsAsTheDirectDrawing) {
    const std::vector<LaueSpot> spots = scatteredSpots(0.0);
    const PatternContent content = test::filmContent(spots, 7);
    for (const double scale : {1.0, 2.73}) {
        for (const bool labels : {false, true}) {
            ViewDrawingOptions options;
            options.scale = scale;
            options.showIndex = labels;
            gui::PatternTiles tiles;
            for (const QPoint scroll : {QPoint(0, 0), QPoint(137, 61), QPoint(150, 76)}) {
                SCOPED_TRACE(testing::Message() << "scale " << scale << " labels " << labels
                                                << " scroll " << scroll.x() << "," << scroll.y());
                EXPECT_EQ(paintedFromTiles(tiles, content, options, scroll),
                          paintedDirectly(content, options, scroll));
            }
        }
    }
}

TEST(PatternTiles, DrawAgainWhenTheSpotsChangeAndStayWithinTheirMemory) {
    std::vector<LaueSpot> spots = scatteredSpots(0.0);
    ViewDrawingOptions options;
    options.scale = 2.0;
    gui::PatternTiles tiles(4 * 256 * 256 * 4); // four tiles
    paintedFromTiles(tiles, test::filmContent(spots), options, {0, 0});
    EXPECT_LE(tiles.tileCount(), 4u);
    EXPECT_LE(tiles.byteCount(), std::size_t{4 * 256 * 256 * 4});

    // A new list in the same place: the view says so.
    const std::vector<LaueSpot> moved = scatteredSpots(140.0);
    std::copy(moved.begin(), moved.end(), spots.begin());
    tiles.invalidate();
    const PatternContent content = test::filmContent(spots);
    EXPECT_EQ(paintedFromTiles(tiles, content, options, {0, 0}),
              paintedDirectly(content, options, {0, 0}));
    // A list elsewhere or of another length is seen without being told.
    const std::vector<LaueSpot> fewer(spots.begin(), spots.begin() + 100);
    const PatternContent shorter = test::filmContent(fewer);
    EXPECT_EQ(paintedFromTiles(tiles, shorter, options, {40, 40}),
              paintedDirectly(shorter, options, {40, 40}));
}

} // namespace
} // namespace xtalsp
