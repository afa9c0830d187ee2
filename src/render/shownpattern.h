// The spots a view shows: the film positions, or the gnomonic projection of the same spots.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/orientation/orientation.h"
#include "render/patterndrawing.h"

#include <optional>
#include <vector>

namespace xtalsp {

// Where the reflection of a spot's plane would be seen in gnomonic projection: its plane normal
// meets the plane perpendicular to the beam at the film distance. Zones of planes then lie on
// straight lines. Film units from the centre; nothing for a normal at a right angle to the beam.
std::optional<FilmPosition> gnomonicSpotPosition(const CXtalspDoc& doc, const LaueSpot& spot);
// The same for a measured spot at film point (x, y), through the scattering vector its
// position alone fixes.
std::optional<FilmPosition> gnomonicMeasuredPosition(const CXtalspDoc& doc, FilmPosition point);

// The content a view draws. In gnomonic projection every spot moves to its gnomonic point and
// those whose point falls outside the film are left out; the selection follows its spot.
class ShownPattern {
public:
    ShownPattern(const CXtalspDoc& doc, bool gnomonic);
    ShownPattern(const ShownPattern&) = delete;
    ShownPattern& operator=(const ShownPattern&) = delete;

    const PatternContent& content() const { return m_content; }
    // The document's index of a shown spot; -1 stays -1.
    int documentIndex(int shownIndex) const;

private:
    std::vector<LaueSpot> m_spots;
    std::vector<int> m_documentIndices;
    bool m_projected = false; // false: the document's own list is shown
    PatternContent m_content;
};

} // namespace xtalsp
