// Painting a big pattern into a window: the whole drawing every time, and through the view's
// tiles (first paint, repaint, and a scroll step that brings a new row of tiles into sight).
#include "gui/view/patterntiles.h"
#include "render/patterndrawing.h"
#include "render/qt/qpaintercanvas.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

namespace xtalsp {
namespace {

constexpr double kDpi = 96.0;
constexpr int kWindowWidth = 640, kWindowHeight = 480;
const QColor kGrey(235, 235, 235);

// 200,000 spots spread evenly over the default 20 x 15 cm film, intensities up to saturation.
const std::vector<LaueSpot>& manySpots() {
    static const std::vector<LaueSpot> spots = [] {
        std::mt19937_64 random(20250301);
        const auto uniform = [&random](double low, double high) {
            return low + (high - low) * static_cast<double>(random() >> 11) * 0x1.0p-53;
        };
        std::vector<LaueSpot> list(200000);
        for (LaueSpot& spot : list) {
            spot.h = 1;
            spot.k = 2;
            spot.l = 3;
            spot.x = uniform(-1000.0, 1000.0);
            spot.y = uniform(-750.0, 750.0);
            spot.intensity = uniform(0.0, 1000.0);
            spot.wavelength = 1.0;
        }
        return list;
    }();
    return spots;
}

PatternContent content() {
    PatternContent pattern;
    pattern.saturationIntensity = 1000.0;
    pattern.latticeA = 40.0;
    pattern.distance = 300.0;
    pattern.spots = manySpots();
    return pattern;
}

ViewDrawingOptions options(double scale) {
    ViewDrawingOptions drawing;
    drawing.scale = scale;
    return drawing;
}

QRect drawingBounds(double scale) {
    const DrawingExtent extent = viewExtent(kDefaultFilmWidth, kDefaultFilmHeight, scale);
    return {0, 0, static_cast<int>(extent.width * kDpi / 254.0) + 1,
            static_cast<int>(extent.height * kDpi / 254.0) + 1};
}

// What the view did before the tiles: grey, then the whole drawing over the window.
void paintDirect(QImage& window, QPoint scroll, double scale) {
    QPainter painter(&window);
    painter.fillRect(window.rect(), kGrey);
    painter.translate(-scroll.x(), -scroll.y());
    QPainterCanvas canvas(painter, kDpi, true);
    benchmark::DoNotOptimize(drawPattern(canvas, content(), options(scale)));
}

void paintTiled(QImage& window, gui::PatternTiles& tiles, QPoint scroll, double scale) {
    QPainter painter(&window);
    painter.fillRect(window.rect(), kGrey);
    tiles.paint(painter, window.rect(), scroll, drawingBounds(scale), content(), options(scale),
                kDpi, 1.0);
    painter.translate(-scroll.x(), -scroll.y());
    QPainterCanvas canvas(painter, kDpi, true);
    benchmark::DoNotOptimize(drawActiveViewMarks(canvas, content(), options(scale)));
}

QImage window() {
    return QImage(kWindowWidth, kWindowHeight, QImage::Format_ARGB32_Premultiplied);
}

// The window shows the middle of the drawing.
QPoint middle(double scale) {
    const QRect bounds = drawingBounds(scale);
    return {std::max(0, (bounds.width() - kWindowWidth) / 2),
            std::max(0, (bounds.height() - kWindowHeight) / 2)};
}

void BM_DirectPaint(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0)) / 100.0;
    QImage image = window();
    for (auto _ : state)
        paintDirect(image, middle(scale), scale);
}

void BM_TiledFirstPaint(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0)) / 100.0;
    QImage image = window();
    for (auto _ : state) {
        gui::PatternTiles tiles;
        paintTiled(image, tiles, middle(scale), scale);
    }
}

void BM_TiledRepaint(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0)) / 100.0;
    QImage image = window();
    gui::PatternTiles tiles;
    paintTiled(image, tiles, middle(scale), scale);
    for (auto _ : state)
        paintTiled(image, tiles, middle(scale), scale);
}

// A line step down that brings the next row of tiles into sight: the worst step.
void BM_TiledScrollStep(benchmark::State& state) {
    const double scale = static_cast<double>(state.range(0)) / 100.0;
    QImage image = window();
    const int tileRow = (middle(scale).y() + kWindowHeight) / gui::PatternTiles::kTileSize;
    const QPoint before(middle(scale).x(), tileRow * gui::PatternTiles::kTileSize - kWindowHeight);
    const QPoint after = before + QPoint(0, 15);
    gui::PatternTiles tiles;
    for (auto _ : state) {
        state.PauseTiming();
        tiles.invalidate();
        paintTiled(image, tiles, before, scale);
        state.ResumeTiming();
        paintTiled(image, tiles, after, scale);
    }
}

// 100 % and 500 % of true size.
BENCHMARK(BM_DirectPaint)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiledFirstPaint)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiledRepaint)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TiledScrollStep)->Arg(100)->Arg(500)->Iterations(20)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace xtalsp

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
