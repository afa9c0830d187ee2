#include "gui/spectrum/spectrumplot.h"

#include <QImage>

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

Spectrum withEntries(std::initializer_list<std::pair<int, double>> entries) {
    Spectrum spectrum;
    for (const auto& [index, value] : entries)
        spectrum.intensity[static_cast<std::size_t>(index)] = value;
    return spectrum;
}

TEST(SpectrumPlotLines, BorderAndMarksFollowTheArea) {
    const PlotArea area{10, 20, 310, 220};
    const SpectrumPlotLines lines = spectrumPlotLines(area, Spectrum{});
    const std::array<QPoint, 5> border{QPoint(10, 220), QPoint(10, 20), QPoint(310, 20),
                                       QPoint(310, 220), QPoint(10, 220)};
    EXPECT_EQ(lines.border, border);
    EXPECT_EQ(lines.ticks[0], QLine(110, 220, 110, 216));
    EXPECT_EQ(lines.ticks[1], QLine(210, 220, 210, 216));

    // x is truncated when the width is no multiple of 300.
    const SpectrumPlotLines narrow = spectrumPlotLines(PlotArea{0, 0, 200, 100}, Spectrum{});
    EXPECT_EQ(narrow.ticks[0].x1(), 66);
    EXPECT_EQ(narrow.ticks[1].x1(), 133);
    EXPECT_EQ(narrow.curve[2].x(), 1);
    EXPECT_EQ(narrow.curve[299].x(), 199);
    EXPECT_EQ(narrow.curve[300].x(), 200);
}

TEST(SpectrumPlotLines, CurveIsScaledToTheLargestIntensity) {
    const PlotArea area{10, 20, 310, 220};
    // Peak of 2 at 1.00 Angstrom: 99 % of the height above the bottom, one pixel up.
    const SpectrumPlotLines lines = spectrumPlotLines(area, withEntries({{100, 2.0}, {150, 1.0}}));
    ASSERT_EQ(lines.curve.size(), 301);
    EXPECT_EQ(lines.curve[0], QPoint(10, 219));
    EXPECT_EQ(lines.curve[100], QPoint(110, 220 - 198 - 1));
    EXPECT_EQ(lines.curve[150], QPoint(160, 220 - 99 - 1));
    EXPECT_EQ(lines.curve[300], QPoint(310, 219));
}

TEST(SpectrumPlotLines, TinySpectraAreDrawnAgainstOneTenThousandth) {
    const PlotArea area{0, 0, 300, 200};
    const SpectrumPlotLines tiny =
        spectrumPlotLines(area, withEntries({{10, 0.00005}, {20, 0.00008}}));
    EXPECT_EQ(tiny.curve[10].y(), 200 - 99 - 1);
    EXPECT_EQ(tiny.curve[20].y(), 200 - 158 - 1);
    const SpectrumPlotLines empty = spectrumPlotLines(area, Spectrum{});
    for (const QPoint& point : empty.curve)
        EXPECT_EQ(point.y(), 199);
}

TEST(SpectrumPlot, PaintsWhiteAreaBlackBorderAndRedCurve) {
    const Spectrum spectrum = withEntries({{100, 1.0}});
    SpectrumPlot plot(spectrum);
    const QImage image = plot.grab().toImage();
    const PlotArea area = plot.plotArea();
    ASSERT_EQ(area.width(), 300);
    const int peakY = area.bottom - 198 - 1;
    EXPECT_EQ(image.pixelColor(area.left + 100, peakY), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(area.left + 50, area.bottom - 1), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(area.left + 50, area.top + 50), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(area.left, area.top + 50), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.right, area.top + 50), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.left + 150, area.top), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.left + 250, area.bottom), QColor(Qt::black));
    // The 1 Angstrom mark rises from the bottom edge; the plot stays white beside it.
    EXPECT_EQ(image.pixelColor(area.left + 200, area.bottom - 4), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(area.left + 200, area.bottom - 6), QColor(Qt::white));
}

} // namespace
} // namespace xtalsp::gui
