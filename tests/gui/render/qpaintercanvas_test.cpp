#include "render/qt/qpaintercanvas.h"

#include "render/patterndrawing.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace xtalsp {
namespace {

// 254 dots per inch make one device pixel per drawing unit (0.1 mm).
constexpr double kOnePixelPerUnit = 254.0;

QImage whiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool isWhite(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(255, 255, 255);
}

// The non-white pixels of each row.
std::vector<int> inkPerRow(const QImage& image) {
    std::vector<int> rows(static_cast<std::size_t>(image.height()), 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!isWhite(image, x, y))
                ++rows[static_cast<std::size_t>(y)];
    return rows;
}

TEST(QPainterCanvas, FillsExactlyTheRectangleWithYUp) {
    QImage image = whiteImage(100, 100);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, kOnePixelPerUnit, true);
        canvas.fillRect({10, -20, 50, -60}, kRed);
        canvas.fillRect({50, -20, 90, -60}, kBlue); // adjacent: no seam, no overlap
    }
    EXPECT_EQ(image.pixel(10, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(49, 59), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(50, 40), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(89, 59), qRgb(0, 0, 255));
    EXPECT_TRUE(isWhite(image, 30, 19));
    EXPECT_TRUE(isWhite(image, 30, 60));
    EXPECT_TRUE(isWhite(image, 9, 40));
    EXPECT_TRUE(isWhite(image, 90, 40));
}

TEST(QPainterCanvas, ScalesByResolutionFromThePaintersOriginAndRestoresIt) {
    QImage image = whiteImage(200, 200);
    QPainter painter(&image);
    painter.translate(100, 50); // a scroll offset or page centring
    const QTransform before = painter.transform();
    {
        QPainterCanvas canvas(painter, 2 * kOnePixelPerUnit, false);
        EXPECT_DOUBLE_EQ(canvas.pixelsPerUnit(), 2.0);
        canvas.fillRect({0, 0, 10, -10}, kRed);
    }
    EXPECT_EQ(painter.transform(), before);
    painter.end();
    EXPECT_EQ(image.pixel(100, 50), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(119, 69), qRgb(255, 0, 0));
    EXPECT_TRUE(isWhite(image, 99, 60));
    EXPECT_TRUE(isWhite(image, 120, 60));
    EXPECT_TRUE(isWhite(image, 110, 49));
    EXPECT_TRUE(isWhite(image, 110, 70));
}

TEST(QPainterCanvas, PenWidthsAreDrawingUnitsAndZeroIsOnePixel) {
    QImage image = whiteImage(200, 200);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, 2 * kOnePixelPerUnit, true);
        canvas.polyline({{10, -50}, {90, -50}}, 3, kCrosslineCyan);
        canvas.polyline({{10, -20}, {90, -20}}, 0, kBlack);
    }
    int cyan = 0, black = 0;
    for (int y = 0; y < 200; ++y) {
        cyan += image.pixel(100, y) == qRgb(0, 255, 255);
        black += image.pixel(100, y) == qRgb(0, 0, 0);
    }
    EXPECT_EQ(cyan, 6); // 3 units of 2 pixels, centred on y = 100
    EXPECT_EQ(image.pixel(100, 99), qRgb(0, 255, 255));
    EXPECT_EQ(black, 1);
}

TEST(QPainterCanvas, TextStandsUprightBelowItsTopLeftCorner) {
    QImage image = whiteImage(300, 300);
    TextExtent extent;
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, kOnePixelPerUnit, false);
        EXPECT_TRUE(canvas.selectFont({"Times New Roman", 80, 400}));
        extent = canvas.textExtent("T");
        canvas.drawText({100, -100}, "T");
    }
    const std::vector<int> rows = inkPerRow(image);
    int first = -1, last = -1;
    for (int y = 0; y < 300; ++y) {
        if (rows[static_cast<std::size_t>(y)] > 0) {
            if (first < 0)
                first = y;
            last = y;
        }
    }
    ASSERT_GE(first, 0) << "nothing was drawn";
    EXPECT_GE(first, 100);
    EXPECT_LE(last, 100 + extent.height);
    // An upright T: its widest rows, the bar, are at the top.
    const auto widest = std::max_element(rows.begin(), rows.end()) - rows.begin();
    EXPECT_LT(widest, first + (last - first) / 3);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 100; ++x)
            ASSERT_TRUE(isWhite(image, x, y)) << "ink left of the text at " << x << ", " << y;
    }
}

TEST(QPainterCanvas, BoxedTextIsAlignedToTheBottomCornerAndClipped) {
    QImage image = whiteImage(400, 300);
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, kOnePixelPerUnit, false);
        canvas.selectFont({"Times New Roman", 40, 400});
        canvas.drawTextInBox({100, -50, 300, -250}, "T", TextAlignment::Right);
        canvas.drawTextInBox({20, -50, 30, -250}, "WWWW", TextAlignment::Left);
    }
    bool inkInRightBottomCorner = false;
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (isWhite(image, x, y))
                continue;
            if (x >= 100) {
                EXPECT_GE(x, 250) << "right-aligned text far from the right edge";
                EXPECT_LT(x, 300);
                EXPECT_GE(y, 190) << "bottom-aligned text near the top";
                EXPECT_LT(y, 250);
                inkInRightBottomCorner = true;
            } else {
                EXPECT_GE(x, 20);
                EXPECT_LT(x, 30) << "text escaped its box";
            }
        }
    }
    EXPECT_TRUE(inkInRightBottomCorner);
}

TEST(QPainterCanvas, TextExtentsAreDrawingUnitsAtAnyResolution) {
    QImage image = whiteImage(10, 10);
    QPainter painter(&image);
    TextExtent screen, printer;
    {
        QPainterCanvas canvas(painter, kOnePixelPerUnit, true);
        canvas.selectFont({"Times New Roman", 33, 100});
        screen = canvas.textExtent("1-12");
    }
    {
        QPainterCanvas canvas(painter, 5 * kOnePixelPerUnit, false);
        canvas.selectFont({"Times New Roman", 33, 100});
        printer = canvas.textExtent("1-12");
        // Windows-1252 text: 0x80 is the euro sign.
        QFont font("Times New Roman");
        font.setPixelSize(165);
        const double euro = QFontMetricsF(font, &image).horizontalAdvance(QString(QChar(0x20AC)));
        EXPECT_NEAR(canvas.textExtent("\x80").width, euro / 5, 1.0);
    }
    EXPECT_GT(screen.width, 33);
    EXPECT_NEAR(screen.width, printer.width, 3);
    EXPECT_GE(screen.height, 33);
    EXPECT_NEAR(screen.height, printer.height, 3);

    // A font below one device pixel cannot be made: the standard font stands in.
    QPainterCanvas coarse(painter, kOnePixelPerUnit / 10, false);
    EXPECT_FALSE(coarse.selectFont({"Times New Roman", 5, 100}));
    EXPECT_GT(coarse.textExtent("111").width, 0);
}

TEST(QPainterCanvas, DrawsAPatternOnScreen) {
    // A 2000 x 1500 film at a fifth of its size: a 440 x 340 drawing.
    QImage image = whiteImage(500, 400);
    PatternContent content;
    content.latticeA = 5.4305;
    content.distance = 300;
    ViewDrawingOptions options;
    options.scale = 0.2;
    {
        QPainter painter(&image);
        QPainterCanvas canvas(painter, kOnePixelPerUnit, true);
        EXPECT_EQ(drawPattern(canvas, content, options), std::string(kStatusPrompts[3]));
    }
    EXPECT_EQ(image.pixel(5, 5), qRgb(235, 235, 235));     // surround
    EXPECT_EQ(image.pixel(450, 380), qRgb(235, 235, 235)); // beyond the film
    EXPECT_EQ(image.pixel(100, 100), qRgb(255, 255, 255)); // film
    EXPECT_EQ(image.pixel(100, 170), qRgb(0, 255, 255));   // crossline
    EXPECT_EQ(image.pixel(220, 170), qRgb(255, 0, 0));     // beam centre
    EXPECT_EQ(image.pixel(20, 100), qRgb(0, 0, 0));        // outline
}

} // namespace
} // namespace xtalsp
