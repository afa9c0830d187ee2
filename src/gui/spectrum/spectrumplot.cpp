// Drawing of the spectrum plot.
#include "gui/spectrum/spectrumplot.h"

#include "core/text/numbertext.h"
#include "gui/shell/qtplatform.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace xtalsp::gui {
namespace {

// One pixel per hundredth of an Angstrom.
constexpr int kPlotWidth = 300;
constexpr int kPlotHeight = 200;
constexpr int kMargin = 6;
constexpr double kSmallestScale = 0.0001;
constexpr int kTickLength = 4;

QString axisLabel(int angstrom) {
    if (angstrom < 3)
        return QString::number(angstrom);
    return fromCp1252("3 (\xC5)");
}

// The x of a label: "0" to "2" centred on their marks, the last one with its "3" on the right
// edge and the unit following.
int labelLeft(const QFontMetrics& metrics, const PlotArea& area, int angstrom) {
    const int x = area.left + angstrom * area.width() / 3;
    return x - metrics.horizontalAdvance(QString::number(angstrom)) / 2;
}

} // namespace

SpectrumPlotLines spectrumPlotLines(const PlotArea& area, const Spectrum& spectrum) {
    SpectrumPlotLines lines;
    lines.border = {QPoint(area.left, area.bottom), QPoint(area.left, area.top),
                    QPoint(area.right, area.top), QPoint(area.right, area.bottom),
                    QPoint(area.left, area.bottom)};
    for (int third = 1; third <= 2; ++third) {
        const int x = area.left + third * area.width() / 3;
        lines.ticks[static_cast<std::size_t>(third - 1)] =
            QLine(x, area.bottom, x, area.bottom - kTickLength);
    }
    double scale = largestIntensity(spectrum);
    if (!(scale >= kSmallestScale))
        scale = kSmallestScale;
    const int last = static_cast<int>(kSpectrumSize) - 1;
    lines.curve.reserve(static_cast<int>(kSpectrumSize));
    for (int i = 0; i <= last; ++i) {
        const double relative = spectrum.intensity[static_cast<std::size_t>(i)] / scale;
        // truncateToInt keeps a stray NaN from turning into undefined behaviour.
        const int rise = truncateToInt(relative * area.height() * 0.99);
        lines.curve.append(QPoint(area.left + i * area.width() / last, area.bottom - rise - 1));
    }
    return lines;
}

void paintSpectrumPlot(QPainter& painter, const PlotArea& area, const Spectrum& spectrum) {
    const SpectrumPlotLines lines = spectrumPlotLines(area, spectrum);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRect(QPoint(area.left, area.top), QPoint(area.right, area.bottom)),
                     Qt::white);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPolyline(lines.border.data(), static_cast<int>(lines.border.size()));
    painter.drawLines(lines.ticks.data(), static_cast<int>(lines.ticks.size()));
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.drawPolyline(lines.curve);
    painter.restore();
}

SpectrumPlot::SpectrumPlot(const Spectrum& spectrum, QWidget* parent)
    : QWidget(parent), m_spectrum(spectrum) {
    const QFontMetrics metrics = fontMetrics();
    const int lastLabelOverhang =
        metrics.horizontalAdvance(axisLabel(3)) - metrics.horizontalAdvance("3") / 2;
    setFixedSize(kMargin + kPlotWidth + 1 + lastLabelOverhang + kMargin,
                 kMargin + kPlotHeight + 1 + metrics.height() + kMargin);
}

PlotArea SpectrumPlot::plotArea() const {
    return PlotArea{kMargin, kMargin, kMargin + kPlotWidth, kMargin + kPlotHeight};
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const PlotArea area = plotArea();
    paintSpectrumPlot(painter, area, m_spectrum);
    const QFontMetrics metrics = fontMetrics();
    painter.setPen(palette().color(QPalette::WindowText));
    const int baseline = area.bottom + 1 + metrics.ascent();
    for (int angstrom = 0; angstrom <= 3; ++angstrom)
        painter.drawText(labelLeft(metrics, area, angstrom), baseline, axisLabel(angstrom));
}

} // namespace xtalsp::gui
