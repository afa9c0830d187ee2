// Tiles of the pattern drawing, drawn on demand and kept for the current drawing inputs.
#include "gui/view/patterntiles.h"

#include "render/qt/qpaintercanvas.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace xtalsp::gui {

namespace {

int floorDivide(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

// Spots reaching more tiles than this in all are drawn by every tile instead: the lists would
// outgrow the time they save.
constexpr std::size_t kMaxSortedEntries = std::size_t{8} << 20;
// Room around a spot's rectangle and label for rounding and glyph overhang, in pixels.
constexpr double kFootprintMargin = 3.0;
// Label offsets from the spot rectangle's top-left corner, as the screen drawing places them.
constexpr int kLabelLeft = -15, kLabelTop = 34;

int tileOf(double pixel) {
    const double clamped = std::clamp(std::floor(pixel / PatternTiles::kTileSize), -1e9, 1e9);
    return static_cast<int>(clamped);
}

std::int64_t tileKey(int column, int row) {
    return (static_cast<std::int64_t>(column) << 32) |
           static_cast<std::int64_t>(static_cast<std::uint32_t>(row));
}

} // namespace

PatternTiles::PatternTiles(std::size_t byteLimit) : m_byteLimit(byteLimit) {}

PatternTiles::Inputs PatternTiles::inputsOf(const PatternContent& content,
                                            const ViewDrawingOptions& options, double dotsPerInch,
                                            double devicePixelRatio) {
    Inputs inputs;
    inputs.filmWidth = content.filmWidth;
    inputs.filmHeight = content.filmHeight;
    inputs.saturationIntensity = content.saturationIntensity;
    inputs.spots = content.spots.data();
    inputs.spotCount = content.spots.size();
    inputs.options = options;
    inputs.options.activeView = false; // the selection is drawn over the tiles, live
    inputs.dotsPerInch = dotsPerInch;
    inputs.devicePixelRatio = devicePixelRatio;
    return inputs;
}

void PatternTiles::paint(QPainter& painter, const QRect& exposed, QPoint scroll,
                         const QRect& drawingBounds, const PatternContent& content,
                         const ViewDrawingOptions& options, double dotsPerInch,
                         double devicePixelRatio) {
    const Inputs inputs = inputsOf(content, options, dotsPerInch, devicePixelRatio);
    if (!(inputs == m_inputs)) {
        invalidate();
        m_inputs = inputs;
    }
    if (!m_spotsSorted)
        sortSpotsIntoTiles(content, drawingBounds);
    const QRect wanted = exposed.translated(scroll).intersected(drawingBounds);
    if (wanted.isEmpty())
        return;
    const int firstColumn = floorDivide(wanted.left(), kTileSize);
    const int lastColumn = floorDivide(wanted.right(), kTileSize);
    const int firstRow = floorDivide(wanted.top(), kTileSize);
    const int lastRow = floorDivide(wanted.bottom(), kTileSize);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            painter.drawImage(QPoint(column * kTileSize - scroll.x(), row * kTileSize - scroll.y()),
                              tile(column, row, content));
        }
    }
}

void PatternTiles::invalidate() {
    m_tiles.clear();
    m_index.clear();
    m_bytes = 0;
    m_tileStarts.clear();
    m_tileSpots.clear();
    m_spotsSorted = false;
    m_tilesHaveSpotLists = false;
}

PatternTiles::SpotFootprint PatternTiles::footprintOf(const LaueSpot& spot,
                                                      const CanvasRect& spotTemplate,
                                                      double labelCharWidth,
                                                      double labelHeight) const {
    const double pixelsPerUnit = m_inputs.dotsPerInch / 254.0;
    const CanvasRect rect = viewSpotRect(spotTemplate, spot, m_inputs.options.scale);
    // Device pixels grow downwards from the drawing's top-left corner.
    double left = rect.left * pixelsPerUnit, right = rect.right * pixelsPerUnit;
    double top = -rect.top * pixelsPerUnit, bottom = -rect.bottom * pixelsPerUnit;
    if (m_inputs.options.showIndex) {
        const double labelLeft = (rect.left + kLabelLeft) * pixelsPerUnit;
        const double labelTop = -(rect.top + kLabelTop) * pixelsPerUnit;
        const double labelWidth = static_cast<double>(spotLabel(spot).size() + 1) * labelCharWidth;
        left = std::min(left, labelLeft);
        right = std::max(right, labelLeft + labelWidth);
        top = std::min(top, labelTop);
        bottom = std::max(bottom, labelTop + labelHeight);
    }
    return {tileOf(left - kFootprintMargin), tileOf(right + kFootprintMargin),
            tileOf(top - kFootprintMargin), tileOf(bottom + kFootprintMargin)};
}

// Two passes over the spots: count the spots of each tile, then place each spot's index in
// the run of every tile it reaches, in list order.
void PatternTiles::sortSpotsIntoTiles(const PatternContent& content, const QRect& drawingBounds) {
    m_spotsSorted = true;
    if (content.spots.size() > std::numeric_limits<std::uint32_t>::max() || drawingBounds.isEmpty())
        return;
    m_columns = drawingBounds.right() / kTileSize + 1;
    m_rows = drawingBounds.bottom() / kTileSize + 1;
    const ViewDrawingOptions& options = m_inputs.options;
    const CanvasRect spotTemplate =
        viewSpotTemplate(viewExtent(content.filmWidth, content.filmHeight, options.scale), options);
    // The screen's standard font draws the labels.
    const QFontMetricsF metrics(QGuiApplication::font());
    const double charWidth = metrics.maxWidth(), lineHeight = 2.0 * metrics.height();
    const auto forEachTileOf = [&](const LaueSpot& spot, auto visit) {
        const SpotFootprint area = footprintOf(spot, spotTemplate, charWidth, lineHeight);
        for (int row = std::max(area.firstRow, 0); row <= std::min(area.lastRow, m_rows - 1);
             ++row) {
            for (int column = std::max(area.firstColumn, 0);
                 column <= std::min(area.lastColumn, m_columns - 1); ++column)
                visit(static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                      static_cast<std::size_t>(column));
        }
    };
    const std::size_t tileCount =
        static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows);
    if (tileCount > kMaxSortedEntries)
        return;
    m_tileStarts.assign(tileCount + 1, 0);
    std::size_t entries = 0;
    for (const LaueSpot& spot : content.spots) {
        forEachTileOf(spot, [&](std::size_t tile) {
            ++m_tileStarts[tile + 1];
            ++entries;
        });
        if (entries > kMaxSortedEntries) {
            m_tileStarts.clear();
            return;
        }
    }
    for (std::size_t tile = 1; tile < m_tileStarts.size(); ++tile)
        m_tileStarts[tile] += m_tileStarts[tile - 1];
    m_tileSpots.resize(entries);
    std::vector<std::size_t> next(m_tileStarts.begin(), m_tileStarts.end() - 1);
    for (std::size_t i = 0; i < content.spots.size(); ++i)
        forEachTileOf(content.spots[i], [&](std::size_t tile) {
            m_tileSpots[next[tile]++] = static_cast<std::uint32_t>(i);
        });
    m_tilesHaveSpotLists = true;
}

std::span<const std::uint32_t> PatternTiles::spotsOfTile(int column, int row) const {
    if (column < 0 || row < 0 || column >= m_columns || row >= m_rows)
        return {};
    const std::size_t tile = static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns) +
                             static_cast<std::size_t>(column);
    return std::span(m_tileSpots)
        .subspan(m_tileStarts[tile], m_tileStarts[tile + 1] - m_tileStarts[tile]);
}

const QImage& PatternTiles::tile(int column, int row, const PatternContent& content) {
    const std::int64_t key = tileKey(column, row);
    if (const auto found = m_index.find(key); found != m_index.end()) {
        m_tiles.splice(m_tiles.begin(), m_tiles, found->second);
        return m_tiles.front().image;
    }
    m_tiles.push_front(Tile{key, drawTile(column, row, content)});
    m_index.emplace(key, m_tiles.begin());
    m_bytes += static_cast<std::size_t>(m_tiles.front().image.sizeInBytes());
    evictBeyondLimit();
    return m_tiles.front().image;
}

QImage PatternTiles::drawTile(int column, int row, const PatternContent& content) const {
    const double ratio = m_inputs.devicePixelRatio > 0 ? m_inputs.devicePixelRatio : 1.0;
    const int pixels = static_cast<int>(std::ceil(kTileSize * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.translate(-column * kTileSize, -row * kTileSize);
    QPainterCanvas canvas(painter, m_inputs.dotsPerInch, true);
    PatternContent part = content;
    if (m_tilesHaveSpotLists)
        part.drawnSpots = spotsOfTile(column, row);
    drawPattern(canvas, part, m_inputs.options);
    return image;
}

// The tile just drawn is always kept, however small the limit.
void PatternTiles::evictBeyondLimit() {
    while (m_bytes > m_byteLimit && m_tiles.size() > 1) {
        m_bytes -= static_cast<std::size_t>(m_tiles.back().image.sizeInBytes());
        m_index.erase(m_tiles.back().key);
        m_tiles.pop_back();
    }
}

} // namespace xtalsp::gui
