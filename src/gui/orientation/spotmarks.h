// The measured spots marked on one pattern window: by hand, or read from a CSV file.
#pragma once

#include "core/image/calibration.h"
#include "core/image/peaklist.h"

#include <QObject>

#include <vector>

namespace xtalsp::gui {

class SpotMarks : public QObject {
    Q_OBJECT
public:
    explicit SpotMarks(QObject* parent = nullptr) : QObject(parent) {}

    const std::vector<FilmPoint>& marks() const { return m_marks; }
    void setMarks(std::vector<FilmPoint> marks);
    void clear();
    // Removes the mark nearest the point when one lies within reachMm, else adds the point.
    void toggleAt(FilmPoint point, double reachMm);
    // The marks as measured spots for the fit (no intensity).
    std::vector<FilmPeak> measuredSpots() const;

signals:
    void changed();

private:
    std::vector<FilmPoint> m_marks; // film mm from the centre, x right, y up
};

// Film points of measured spots (intensities dropped).
std::vector<FilmPoint> markPoints(const std::vector<FilmPeak>& peaks);

} // namespace xtalsp::gui
