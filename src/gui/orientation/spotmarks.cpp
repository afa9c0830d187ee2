// Marked measured spots of a pattern window.
#include "gui/orientation/spotmarks.h"

#include <cmath>
#include <utility>

namespace xtalsp::gui {

void SpotMarks::setMarks(std::vector<FilmPoint> marks) {
    m_marks = std::move(marks);
    emit changed();
}

void SpotMarks::clear() {
    if (m_marks.empty())
        return;
    m_marks.clear();
    emit changed();
}

void SpotMarks::toggleAt(FilmPoint point, double reachMm) {
    auto nearest = m_marks.end();
    double nearestDistance = reachMm;
    for (auto mark = m_marks.begin(); mark != m_marks.end(); ++mark) {
        const double distance = std::hypot(mark->xMm - point.xMm, mark->yMm - point.yMm);
        if (distance <= nearestDistance) {
            nearestDistance = distance;
            nearest = mark;
        }
    }
    if (nearest != m_marks.end())
        m_marks.erase(nearest);
    else
        m_marks.push_back(point);
    emit changed();
}

std::vector<FilmPeak> SpotMarks::measuredSpots() const {
    std::vector<FilmPeak> spots;
    spots.reserve(m_marks.size());
    for (const FilmPoint& mark : m_marks)
        spots.push_back({mark.xMm, mark.yMm, 0.0});
    return spots;
}

std::vector<FilmPoint> markPoints(const std::vector<FilmPeak>& peaks) {
    std::vector<FilmPoint> points;
    points.reserve(peaks.size());
    for (const FilmPeak& peak : peaks)
        points.push_back({peak.xMm, peak.yMm});
    return points;
}

} // namespace xtalsp::gui
