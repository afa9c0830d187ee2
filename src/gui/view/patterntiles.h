// The pattern drawing of a view kept in square tiles, so that a repaint or a scroll step draws
// only the part of a big pattern that newly comes into sight.
#pragma once

#include "render/patterndrawing.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <cstddef>
#include <cstdint>
#include <list>
#include <span>
#include <unordered_map>
#include <vector>

class QPainter;

namespace xtalsp::gui {

// Tiles hold the drawing of an inactive view (spots, labels, crossline, surround and outline;
// no selection) on a transparent background, in device pixels from the drawing's top-left
// corner. They stay valid while the drawing's inputs stay the same; the least recently used
// go first when the tiles would take more than the memory limit.
class PatternTiles {
public:
    static constexpr int kTileSize = 256; // logical pixels
    static constexpr std::size_t kDefaultByteLimit = std::size_t{64} << 20;

    explicit PatternTiles(std::size_t byteLimit = kDefaultByteLimit);

    // Draws the part `exposed` (painter coordinates, where the drawing's origin lies at
    // -scroll) of the drawing, within `drawingBounds` (device pixels from the drawing's
    // origin; outside them the drawing is nothing but surround).
    void paint(QPainter& painter, const QRect& exposed, QPoint scroll, const QRect& drawingBounds,
               const PatternContent& content, const ViewDrawingOptions& options, double dotsPerInch,
               double devicePixelRatio);

    // The spots changed where the content cannot tell (a new list in the same place).
    void invalidate();

    std::size_t tileCount() const { return m_tiles.size(); }
    std::size_t byteCount() const { return m_bytes; }

private:
    // Everything the tiles' pixels depend on.
    struct Inputs {
        double filmWidth = 0.0, filmHeight = 0.0, saturationIntensity = 0.0;
        const LaueSpot* spots = nullptr;
        std::size_t spotCount = 0;
        ViewDrawingOptions options;
        double dotsPerInch = 0.0, devicePixelRatio = 0.0;
        bool operator==(const Inputs&) const = default;
    };
    struct Tile {
        std::int64_t key = 0;
        QImage image;
    };

    static Inputs inputsOf(const PatternContent& content, const ViewDrawingOptions& options,
                           double dotsPerInch, double devicePixelRatio);
    const QImage& tile(int column, int row, const PatternContent& content);
    QImage drawTile(int column, int row, const PatternContent& content) const;
    void evictBeyondLimit();
    // Sorts the spots into the tiles their rectangle and label may reach, once per inputs.
    void sortSpotsIntoTiles(const PatternContent& content, const QRect& drawingBounds);
    std::span<const std::uint32_t> spotsOfTile(int column, int row) const;

    struct SpotFootprint {
        int firstColumn, lastColumn, firstRow, lastRow;
    };
    SpotFootprint footprintOf(const LaueSpot& spot, const CanvasRect& spotTemplate,
                              double labelCharWidth, double labelHeight) const;

    std::size_t m_byteLimit;
    Inputs m_inputs;
    std::list<Tile> m_tiles; // most recently used first
    std::unordered_map<std::int64_t, std::list<Tile>::iterator> m_index;
    std::size_t m_bytes = 0;
    // The spots each tile draws, in list order; without the lists every tile visits every spot.
    // Tiles in rows over the drawing; tile t lists m_tileSpots[m_tileStarts[t] ...
    // m_tileStarts[t + 1]).
    int m_columns = 0, m_rows = 0;
    std::vector<std::size_t> m_tileStarts;
    std::vector<std::uint32_t> m_tileSpots;
    bool m_spotsSorted = false;        // sorting was tried for the current inputs
    bool m_tilesHaveSpotLists = false; // and gave the lists
};

} // namespace xtalsp::gui
