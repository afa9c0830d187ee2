// Halved copies, the contrast table and the rendering of the visible part of an image.
#include "gui/image/imagedisplay.h"

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

// Halving stops once the image fits in this many pixels either way: a smaller copy would only
// serve views where the whole image is a few dozen screen pixels.
constexpr int kSmallestHalving = 64;

std::vector<float> halved(const ImagePyramid::Level& source, int width, int height) {
    std::vector<float> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        const int row0 = 2 * row, row1 = std::min(2 * row + 1, source.height - 1);
        for (int column = 0; column < width; ++column) {
            const int col0 = 2 * column, col1 = std::min(2 * column + 1, source.width - 1);
            const auto at = [&](int c, int r) {
                return source.pixels[static_cast<std::size_t>(r) * source.width + c];
            };
            pixels[static_cast<std::size_t>(row) * width + column] =
                0.25f * (at(col0, row0) + at(col1, row0) + at(col0, row1) + at(col1, row1));
        }
    }
    return pixels;
}

} // namespace

ImagePyramid::ImagePyramid(const DetectorImage& image) {
    m_levels.push_back({image.width, image.height, image.pixels.data()});
    m_halved.reserve(16);
    while (m_levels.back().width > kSmallestHalving || m_levels.back().height > kSmallestHalving) {
        const Level& source = m_levels.back();
        const int width = (source.width + 1) / 2, height = (source.height + 1) / 2;
        m_halved.push_back(halved(source, width, height));
        m_levels.push_back({width, height, m_halved.back().data()});
    }
}

GreyMap::GreyMap(const ContrastSettings& settings) : m_settings(settings) {
    const double span = settings.whiteLevel - settings.blackLevel;
    if (!(span > 0.0) || !std::isfinite(span))
        return; // a step at the white level: greyLevel() decides each value
    m_perStep = kSteps / span;
    m_table.resize(kSteps + 1);
    for (int step = 0; step <= kSteps; ++step)
        m_table[static_cast<std::size_t>(step)] =
            greyLevel(settings.blackLevel + step / m_perStep, settings);
}

std::uint8_t GreyMap::operator()(float value) const {
    if (m_table.empty())
        return greyLevel(value, m_settings);
    const double step = (value - m_settings.blackLevel) * m_perStep;
    // NaN fails both tests and reads as the black level, as greyLevel() has it.
    if (!(step > 0.0))
        return m_table.front();
    if (!(step < kSteps))
        return m_table.back();
    return m_table[static_cast<std::size_t>(step + 0.5)];
}

FilmPoint deviceToFilm(const FilmPlacement& placement, QPointF device) {
    return {(device.x() - placement.origin.x()) / placement.pixelsPerMm,
            (placement.origin.y() - device.y()) / placement.pixelsPerMm};
}

QPointF filmToDevice(const FilmPlacement& placement, FilmPoint film) {
    return {placement.origin.x() + film.xMm * placement.pixelsPerMm,
            placement.origin.y() - film.yMm * placement.pixelsPerMm};
}

namespace {

// The copy whose pixels are at most one device pixel wide, as long as one exists.
int levelFor(const ImagePyramid& pyramid, const ImageCalibration& calibration, double pixelsPerMm) {
    const double imagePixelsPerDevicePixel =
        1.0 / (pixelsPerMm * std::max(calibration.columnPitchMm, calibration.rowPitchMm));
    int level = 0;
    while (level + 1 < pyramid.levelCount() && imagePixelsPerDevicePixel >= 2 << level)
        ++level;
    return level;
}

} // namespace

QImage renderImageRegion(const ImagePyramid& pyramid, const ImageCalibration& calibration,
                         const GreyMap& grey, const FilmPlacement& placement, QRect region) {
    QImage picture(region.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    if (region.isEmpty() || pyramid.levelCount() == 0)
        return picture;
    const int level = levelFor(pyramid, calibration, placement.pixelsPerMm);
    const ImagePyramid::Level source = pyramid.level(level);
    const double shrink = 1.0 / static_cast<double>(1 << level);
    // The mapping from device to image pixels is affine: found once at the region's first pixel
    // centre and one step to the right and down, then followed by adding the steps.
    const auto pixelAt = [&](double x, double y) {
        const PixelPoint p = filmToPixel(calibration, deviceToFilm(placement, {x, y}));
        // Level coordinates count from the pixel corner, so that flooring picks the pixel.
        return QPointF((p.column + 0.5) * shrink, (p.row + 0.5) * shrink);
    };
    const double x0 = region.left() + 0.5, y0 = region.top() + 0.5;
    const QPointF start = pixelAt(x0, y0);
    const QPointF alongX = pixelAt(x0 + 1.0, y0) - start;
    const QPointF alongY = pixelAt(x0, y0 + 1.0) - start;
    for (int y = 0; y < region.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        QPointF p = start + alongY * y;
        for (int x = 0; x < region.width(); ++x, p += alongX) {
            const double column = std::floor(p.x()), row = std::floor(p.y());
            if (column < 0.0 || row < 0.0 || column >= source.width || row >= source.height)
                continue;
            const std::uint8_t g = grey(source.pixels[static_cast<std::size_t>(row) * source.width +
                                                      static_cast<std::size_t>(column)]);
            line[x] = qRgb(g, g, g);
        }
    }
    return picture;
}

} // namespace xtalsp::gui
