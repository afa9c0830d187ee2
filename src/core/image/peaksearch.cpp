// Peak search: tile-median background, threshold in noise sigmas, connected regions, centroids.
#include "core/image/peaksearch.h"

#include <algorithm>
#include <cmath>

namespace xtalsp {

namespace {

// Background level and noise on a coarse grid of tiles, interpolated bilinearly between the
// tile centres so the threshold follows a slowly varying exposure without steps.
class BackgroundModel {
public:
    BackgroundModel(const DetectorImage& image, int tile)
        : m_tile(std::max(tile, 4)), m_columns((image.width + m_tile - 1) / m_tile),
          m_rows((image.height + m_tile - 1) / m_tile),
          m_level(static_cast<std::size_t>(m_columns) * m_rows), m_noise(m_level.size()) {
        std::vector<float> values;
        for (int tileRow = 0; tileRow < m_rows; ++tileRow)
            for (int tileColumn = 0; tileColumn < m_columns; ++tileColumn)
                measureTile(image, tileColumn, tileRow, values);
    }

    double level(int column, int row) const { return interpolate(m_level, column, row); }
    double noise(int column, int row) const { return interpolate(m_noise, column, row); }

private:
    void measureTile(const DetectorImage& image, int tileColumn, int tileRow,
                     std::vector<float>& values) {
        values.clear();
        const int columnEnd = std::min(image.width, (tileColumn + 1) * m_tile);
        const int rowEnd = std::min(image.height, (tileRow + 1) * m_tile);
        for (int row = tileRow * m_tile; row < rowEnd; ++row)
            for (int column = tileColumn * m_tile; column < columnEnd; ++column)
                values.push_back(image.at(column, row));
        const double median = medianOf(values);
        double mean = 0.0;
        for (float v : values)
            mean += v;
        mean /= static_cast<double>(values.size());
        double variance = 0.0;
        for (float& v : values) {
            variance += (v - mean) * (v - mean);
            v = static_cast<float>(std::abs(v - median));
        }
        // 1.4826 MAD is the standard deviation of normal noise. Counts of a few photons give a
        // MAD of zero; the plain standard deviation stands in for it then.
        double noise = 1.4826 * medianOf(values);
        if (noise <= 0.0)
            noise = std::sqrt(variance / static_cast<double>(values.size()));
        if (noise <= 0.0)
            noise = 1e-6 * std::max(1.0, std::abs(median));
        const std::size_t at = static_cast<std::size_t>(tileRow) * m_columns + tileColumn;
        m_level[at] = median;
        m_noise[at] = noise;
    }

    static double medianOf(std::vector<float>& values) {
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        return *middle;
    }

    // Tile coordinate of a pixel: tile centres are at whole numbers.
    double tileCoordinate(int pixel, int tileCount) const {
        const double t = (pixel + 0.5) / m_tile - 0.5;
        return std::clamp(t, 0.0, static_cast<double>(tileCount - 1));
    }

    double interpolate(const std::vector<double>& grid, int column, int row) const {
        const double tx = tileCoordinate(column, m_columns);
        const double ty = tileCoordinate(row, m_rows);
        const int x0 = static_cast<int>(tx);
        const int y0 = static_cast<int>(ty);
        const int x1 = std::min(x0 + 1, m_columns - 1);
        const int y1 = std::min(y0 + 1, m_rows - 1);
        const double fx = tx - x0;
        const double fy = ty - y0;
        const auto g = [&](int x, int y) {
            return grid[static_cast<std::size_t>(y) * m_columns + x];
        };
        return (1 - fy) * ((1 - fx) * g(x0, y0) + fx * g(x1, y0)) +
               fy * ((1 - fx) * g(x0, y1) + fx * g(x1, y1));
    }

    int m_tile;
    int m_columns;
    int m_rows;
    std::vector<double> m_level;
    std::vector<double> m_noise;
};

enum : std::uint8_t { kBelow = 0, kAbove = 1, kTaken = 2 };

std::vector<std::uint8_t> thresholdMask(const DetectorImage& image, const BackgroundModel& model,
                                        double sigmas) {
    std::vector<std::uint8_t> mask(image.pixels.size(), kBelow);
    std::size_t i = 0;
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column, ++i)
            if (image.pixels[i] > model.level(column, row) + sigmas * model.noise(column, row))
                mask[i] = kAbove;
    return mask;
}

struct Region {
    std::vector<std::size_t> pixels;
    int minColumn = 0, maxColumn = 0, minRow = 0, maxRow = 0;
};

// Collects the 8-connected region of mask pixels above the threshold that starts at `seed`,
// marking them as taken.
void growRegion(const DetectorImage& image, std::vector<std::uint8_t>& mask, std::size_t seed,
                Region& region, std::vector<std::size_t>& stack) {
    const auto width = static_cast<std::size_t>(image.width);
    region.pixels.clear();
    region.minColumn = region.maxColumn = static_cast<int>(seed % width);
    region.minRow = region.maxRow = static_cast<int>(seed / width);
    mask[seed] = kTaken;
    stack.assign(1, seed);
    while (!stack.empty()) {
        const std::size_t at = stack.back();
        stack.pop_back();
        region.pixels.push_back(at);
        const int column = static_cast<int>(at % width);
        const int row = static_cast<int>(at / width);
        region.minColumn = std::min(region.minColumn, column);
        region.maxColumn = std::max(region.maxColumn, column);
        region.minRow = std::min(region.minRow, row);
        region.maxRow = std::max(region.maxRow, row);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int c = column + dx;
                const int r = row + dy;
                if (c < 0 || r < 0 || c >= image.width || r >= image.height)
                    continue;
                const std::size_t next = static_cast<std::size_t>(r) * width + c;
                if (mask[next] == kAbove) {
                    mask[next] = kTaken;
                    stack.push_back(next);
                }
            }
    }
}

// The centroid over the region and the one-pixel ring around it, weighting each pixel by its
// value above the background (never negative, so noise below the background cannot push the
// centroid outwards).
ImagePeak measureRegion(const DetectorImage& image, const BackgroundModel& model,
                        const Region& region) {
    const int left = std::max(region.minColumn - 1, 0);
    const int top = std::max(region.minRow - 1, 0);
    const int boxWidth = std::min(region.maxColumn + 1, image.width - 1) - left + 1;
    const int boxHeight = std::min(region.maxRow + 1, image.height - 1) - top + 1;
    std::vector<std::uint8_t> near(static_cast<std::size_t>(boxWidth) * boxHeight, 0);
    const auto width = static_cast<std::size_t>(image.width);
    ImagePeak peak;
    peak.pixelCount = static_cast<int>(region.pixels.size());
    for (std::size_t at : region.pixels) {
        const int column = static_cast<int>(at % width);
        const int row = static_cast<int>(at / width);
        peak.intensity += image.pixels[at] - model.level(column, row);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int c = column + dx - left;
                const int r = row + dy - top;
                if (c >= 0 && r >= 0 && c < boxWidth && r < boxHeight)
                    near[static_cast<std::size_t>(r) * boxWidth + c] = 1;
            }
    }
    double weight = 0.0, columnSum = 0.0, rowSum = 0.0;
    for (int r = 0; r < boxHeight; ++r)
        for (int c = 0; c < boxWidth; ++c) {
            if (near[static_cast<std::size_t>(r) * boxWidth + c] == 0)
                continue;
            const int column = left + c;
            const int row = top + r;
            const double w = std::max(0.0, image.at(column, row) - model.level(column, row));
            weight += w;
            columnSum += w * column;
            rowSum += w * row;
        }
    peak.column = weight > 0.0 ? columnSum / weight : (region.minColumn + region.maxColumn) / 2.0;
    peak.row = weight > 0.0 ? rowSum / weight : (region.minRow + region.maxRow) / 2.0;
    return peak;
}

bool hasSpotSize(const Region& region, const PeakSearchSettings& settings) {
    const int extent =
        std::max(region.maxColumn - region.minColumn, region.maxRow - region.minRow) + 1;
    return static_cast<int>(region.pixels.size()) >= settings.minimumPixels &&
           extent <= settings.maximumExtent;
}

} // namespace

std::vector<ImagePeak> findPeaks(const DetectorImage& image, const PeakSearchSettings& settings) {
    std::vector<ImagePeak> peaks;
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height)
        return peaks;
    const BackgroundModel model(image, settings.backgroundTile);
    std::vector<std::uint8_t> mask = thresholdMask(image, model, settings.thresholdSigma);
    Region region;
    std::vector<std::size_t> stack;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] != kAbove)
            continue;
        growRegion(image, mask, i, region, stack);
        if (hasSpotSize(region, settings))
            peaks.push_back(measureRegion(image, model, region));
    }
    std::stable_sort(peaks.begin(), peaks.end(), [](const ImagePeak& a, const ImagePeak& b) {
        return a.intensity > b.intensity;
    });
    return peaks;
}

} // namespace xtalsp
