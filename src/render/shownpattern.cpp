// Gnomonic projection of a pattern's spots for drawing.
#include "render/shownpattern.h"

#include "core/orientation/orientation.h"

#include <cmath>
#include <cstddef>

namespace xtalsp {

namespace {

bool isOnFilm(const FilmPosition& point, const CXtalspDoc& doc) {
    return std::fabs(point.x) <= doc.halfFilmWidth() && std::fabs(point.y) <= doc.halfFilmHeight();
}

std::array<Vector3, 3> laboratoryAxes(const CXtalspDoc& doc) {
    return orientedAxes(doc.settings(), doc.reciprocalBasis(), 0.0);
}

// The gnomonic point of a plane normal given in laboratory components.
std::optional<FilmPosition> gnomonicOfNormal(const Vector3& normal, double distance) {
    if (!(normal[0] > 0.0))
        return std::nullopt;
    return FilmPosition{distance * normal[1] / normal[0], distance * normal[2] / normal[0]};
}

} // namespace

std::optional<FilmPosition> gnomonicSpotPosition(const CXtalspDoc& doc, const LaueSpot& spot) {
    const Vector3 hkl{static_cast<double>(spot.h), static_cast<double>(spot.k),
                      static_cast<double>(spot.l)};
    return gnomonicPoint(laboratoryAxes(doc), doc.reciprocalBasis(), hkl, doc.settings().distance);
}

std::optional<FilmPosition> gnomonicMeasuredPosition(const CXtalspDoc& doc, FilmPosition point) {
    const DiffractionSettings& settings = doc.settings();
    return gnomonicOfNormal(scatteringDirection(settings.geometry, settings.distance, point),
                            settings.distance);
}

ShownPattern::ShownPattern(const CXtalspDoc& doc, bool gnomonic) : m_content(patternContent(doc)) {
    if (!gnomonic || !doc.isCrystalDefined())
        return;
    const auto axes = laboratoryAxes(doc);
    const ReciprocalBasis basis = doc.reciprocalBasis();
    int selected = -1;
    for (std::size_t i = 0; i < doc.spots().size(); ++i) {
        const LaueSpot& spot = doc.spots()[i];
        const Vector3 hkl{static_cast<double>(spot.h), static_cast<double>(spot.k),
                          static_cast<double>(spot.l)};
        const std::optional<FilmPosition> point =
            gnomonicPoint(axes, basis, hkl, doc.settings().distance);
        if (!point || !isOnFilm(*point, doc))
            continue;
        if (static_cast<int>(i) == doc.selectedSpot())
            selected = static_cast<int>(m_spots.size());
        LaueSpot& shown = m_spots.emplace_back(spot);
        shown.x = point->x;
        shown.y = point->y;
        m_documentIndices.push_back(static_cast<int>(i));
    }
    m_projected = true;
    m_content.spots = m_spots;
    m_content.selectedSpot = selected;
}

int ShownPattern::documentIndex(int shownIndex) const {
    if (!m_projected || shownIndex < 0)
        return shownIndex;
    return static_cast<std::size_t>(shownIndex) < m_documentIndices.size()
               ? m_documentIndices[static_cast<std::size_t>(shownIndex)]
               : -1;
}

} // namespace xtalsp
