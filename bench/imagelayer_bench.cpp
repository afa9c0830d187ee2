// A 4096 x 4096 16-bit detector image under a pattern: opening it (read, contrast proposal,
// halved copies, first paint of the window) and the redraws of the image that a zoom step, a
// scroll step and a contrast change cause. Runs offscreen; Google Benchmark reports wall and
// CPU time of each.
#include "gui/image/imagedisplay.h"
#include "gui/image/patternimagelayer.h"

#include "support/testimages.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace xtalsp {
namespace {

constexpr int kImageSize = 4096;
constexpr float kDotsPerInch = 508.0F; // 0.05 mm pixels: the image is about 205 mm wide
constexpr int kWindowWidth = 1200, kWindowHeight = 900;
constexpr double kFitPixelsPerMm = 6.0; // the whole image in the window
constexpr int kScrollStep = 40;         // device pixels of one wheel step
const QColor kGrey(235, 235, 235);

// Background counts with some noise and a grid of bright spots, written once per run.
const std::string& imagePath() {
    static const std::string path = [] {
        std::vector<std::uint16_t> pixels(static_cast<std::size_t>(kImageSize) * kImageSize);
        std::uint32_t noise = 12345;
        for (int row = 0; row < kImageSize; ++row)
            for (int column = 0; column < kImageSize; ++column) {
                noise = noise * 1664525u + 1013904223u;
                const bool spot = row % 128 < 3 && column % 128 < 3;
                pixels[static_cast<std::size_t>(row) * kImageSize + column] =
                    static_cast<std::uint16_t>((spot ? 20000 : 100) + (noise >> 27));
            }
        const std::string file =
            (std::filesystem::temp_directory_path() / "xtalsp_imagelayer_bench.tif").string();
        if (!test::writeTiff(file, kImageSize, kImageSize, pixels, kDotsPerInch, kDotsPerInch))
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
        return file;
    }();
    return path;
}

// The film's origin in the middle of a drawing as large as the image at this scale, the window
// showing its middle (shifted by scroll pixels down).
struct WindowPlacement {
    gui::FilmPlacement film;
    QRect region;
};

WindowPlacement windowAt(double pixelsPerMm, int scroll = 0) {
    const double half = 0.5 * kImageSize * 0.05 * pixelsPerMm;
    const QPoint corner(static_cast<int>(half) - kWindowWidth / 2,
                        static_cast<int>(half) - kWindowHeight / 2 + scroll);
    return {{QPointF(half, half), pixelsPerMm}, QRect(corner, QSize(kWindowWidth, kWindowHeight))};
}

// What the view does when its cached picture of the image no longer fits: render the visible
// region and lay it on the window.
void paintImage(QImage& window, const gui::PatternImageLayer& layer, const WindowPlacement& at) {
    const QImage picture = gui::renderImageRegion(*layer.pyramid(), layer.settings().calibration,
                                                  *layer.greyMap(), at.film, at.region);
    QPainter painter(&window);
    painter.fillRect(window.rect(), kGrey);
    painter.drawImage(0, 0, picture);
}

QImage window() {
    return QImage(kWindowWidth, kWindowHeight, QImage::Format_ARGB32_Premultiplied);
}

gui::PatternImageLayer& openedLayer() {
    static gui::PatternImageLayer layer;
    if (!layer.hasImage()) {
        Result<DetectorImage> image = gui::readImageForPattern(imagePath());
        if (image.ok())
            layer.showImage(std::move(image.value()), imagePath());
    }
    return layer;
}

void BM_ReadTiff(benchmark::State& state) {
    imagePath(); // written before the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(gui::readImageForPattern(imagePath()));
}

void BM_ProposeContrast(benchmark::State& state) {
    const DetectorImage& image = *openedLayer().image();
    for (auto _ : state)
        benchmark::DoNotOptimize(proposedContrast(image));
}

void BM_HalvedCopies(benchmark::State& state) {
    const DetectorImage& image = *openedLayer().image();
    for (auto _ : state)
        benchmark::DoNotOptimize(gui::ImagePyramid(image));
}

// Read, contrast proposal, halved copies and the first paint of the window.
void BM_OpenImage(benchmark::State& state) {
    QImage shown = window();
    for (auto _ : state) {
        gui::PatternImageLayer layer;
        Result<DetectorImage> image = gui::readImageForPattern(imagePath());
        if (!image.ok()) {
            state.SkipWithError("the image cannot be read");
            return;
        }
        layer.showImage(std::move(image.value()), imagePath());
        paintImage(shown, layer, windowAt(kFitPixelsPerMm));
    }
}

// Alternates between two zooms (range: device pixels per film mm times 10).
void BM_ZoomChange(benchmark::State& state) {
    const gui::PatternImageLayer& layer = openedLayer();
    const double zoomed = static_cast<double>(state.range(0)) / 10.0;
    QImage shown = window();
    bool in = false;
    for (auto _ : state) {
        in = !in;
        paintImage(shown, layer, windowAt(in ? zoomed : kFitPixelsPerMm));
    }
}

void BM_ScrollStep(benchmark::State& state) {
    const gui::PatternImageLayer& layer = openedLayer();
    const double pixelsPerMm = static_cast<double>(state.range(0)) / 10.0;
    QImage shown = window();
    int step = 0;
    for (auto _ : state)
        paintImage(shown, layer, windowAt(pixelsPerMm, kScrollStep * (++step % 8)));
}

// A new black level, as dragging the contrast slider gives: the grey table and the picture.
void BM_ContrastChange(benchmark::State& state) {
    gui::PatternImageLayer& layer = openedLayer();
    const ContrastSettings proposed = layer.settings().contrast;
    QImage shown = window();
    int step = 0;
    for (auto _ : state) {
        ContrastSettings contrast = proposed;
        contrast.blackLevel += ++step % 16;
        contrast.scale = ContrastScale::Logarithmic;
        layer.setContrast(contrast);
        paintImage(shown, layer, windowAt(kFitPixelsPerMm));
    }
}

BENCHMARK(BM_ReadTiff)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProposeContrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalvedCopies)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenImage)->Unit(benchmark::kMillisecond);
// Fit to 2x, and to 1.2 screen pixels per image pixel (just above where halving stops).
BENCHMARK(BM_ZoomChange)->Arg(120)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollStep)->Arg(60)->Arg(240)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ContrastChange)->Unit(benchmark::kMillisecond);

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
