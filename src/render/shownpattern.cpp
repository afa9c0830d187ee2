// Gnomonic projection of a pattern's spots for drawing.
#include "render/shownpattern.h"

#include "core/computation/geometry.h"
#include "core/orientation/orientation.h"

#include <cmath>
#include <cstddef>

namespace xtalsp {

namespace {

bool isOnFilm(const FilmPosition& point, const CXtalspDoc::ShownInputs& shown) {
    return std::fabs(point.x) <= 0.5 * shown.filmWidth &&
           std::fabs(point.y) <= 0.5 * shown.filmHeight;
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
    // The spots on show are projected with the settings they were computed from.
    const CXtalspDoc::ShownInputs shown = doc.shownInputs();
    if (!gnomonic || !isStructureDefined(shown.structure))
        return;
    const CrystalStructure& s = shown.structure;
    const ReciprocalBasis basis = computeReciprocalBasis(s.a, s.b, s.c, s.alpha, s.beta, s.gamma);
    const auto axes = orientedAxes(shown.settings, basis, 0.0);
    int selected = -1;
    for (std::size_t i = 0; i < doc.spots().size(); ++i) {
        const LaueSpot& spot = doc.spots()[i];
        const Vector3 hkl{static_cast<double>(spot.h), static_cast<double>(spot.k),
                          static_cast<double>(spot.l)};
        const std::optional<FilmPosition> point =
            gnomonicPoint(axes, basis, hkl, shown.settings.distance);
        if (!point || !isOnFilm(*point, shown))
            continue;
        if (static_cast<int>(i) == doc.selectedSpot())
            selected = static_cast<int>(m_spots.size());
        LaueSpot& projected = m_spots.emplace_back(spot);
        projected.x = point->x;
        projected.y = point->y;
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
