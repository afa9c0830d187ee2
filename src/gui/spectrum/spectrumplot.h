// The spectrum editor's plot: the 301 intensities as a red line against wavelength, 0 to 3
// Angstrom, scaled so that the largest reaches 99 % of the plot height.
#pragma once

#include "core/spectrum/spectrum.h"

#include <QLine>
#include <QPolygon>
#include <QWidget>

#include <array>

class QPainter;

namespace xtalsp::gui {

// The plot rectangle in pixels, y downwards; the border is drawn on all four edges, so width and
// height are right - left and bottom - top.
struct PlotArea {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// Everything the plot draws, in pixels.
struct SpectrumPlotLines {
    // Bottom-left, top-left, top-right, bottom-right, back to bottom-left.
    std::array<QPoint, 5> border;
    // The 1 and 2 Angstrom marks, each from the bottom edge 4 pixels up.
    std::array<QLine, 2> ticks;
    // One point per entry, 0.00 Angstrom first.
    QPolygon curve;
};

// The plot of a spectrum in an area. Intensities are drawn against their largest value, or
// against 0.0001 when all lie below it, so that a near-empty spectrum stays flat instead of
// blowing noise up to full height.
SpectrumPlotLines spectrumPlotLines(const PlotArea& area, const Spectrum& spectrum);

// White background, black border and marks, red curve, all one pixel wide and unsmoothed.
void paintSpectrumPlot(QPainter& painter, const PlotArea& area, const Spectrum& spectrum);

// The plot with the axis labels "0", "1", "2" and "3 (Angstrom)" under it. It shows the spectrum
// it is given, which must outlive it; call update() after the spectrum changes.
class SpectrumPlot : public QWidget {
public:
    explicit SpectrumPlot(const Spectrum& spectrum, QWidget* parent = nullptr);

    // Where the plot lies in the widget.
    PlotArea plotArea() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Spectrum& m_spectrum;
};

} // namespace xtalsp::gui
