// The selected-spot details dialog: six value fields beside a small drawn Laue pattern and the
// list of harmonics.
#include "gui/view/spotdetailsdlg.h"

#include "gui/shell/qtplatform.h"
#include "gui/spectrum/whitevaluelabel.h"
#include "gui/view/viewdialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace xtalsp::gui {

namespace {

struct Column {
    const char16_t* heading;
    int width; // pixels
};
constexpr std::array<Column, 5> kColumns = {{
    {u"h k l", 70},
    {u"Intensity %", 65},
    {u"W.L. (\u00C5)", 57},
    {u"   d (\u00C5)", 57},
    {u"| F(hkl) |", 80},
}};

constexpr std::array<const char*, CSpotDetailsDlg::FieldCount> kCaptions = {
    "Base Reflection:",
    "Spot Position:",
    "Base Wavelength:",
    "Base d-Spacing:",
    "Absolute Intensity \n(Total):",
    "Relative Intensity:",
};

// A small Laue pattern of a fourfold axis: the film, the beam centre and spots on the zone
// ellipses through it. Drawn, so that it stays sharp at any screen scale.
class LauePatternMotif : public QWidget {
public:
    explicit LauePatternMotif(QWidget* parent) : QWidget(parent) { setFixedSize(96, 96); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF film = QRectF(rect()).adjusted(2, 2, -2, -2);
        p.fillRect(film, Qt::white);
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(film);
        p.translate(film.center());
        const double r = film.width() / 2.0;
        p.setPen(QPen(QColor(0, 190, 190), 1));
        p.drawLine(QPointF(-r, 0), QPointF(r, 0));
        p.drawLine(QPointF(0, -r), QPointF(0, r));
        p.setPen(Qt::NoPen);
        for (int quarter = 0; quarter < 4; ++quarter) {
            p.save();
            p.rotate(90.0 * quarter);
            drawQuarter(p, r);
            p.restore();
        }
        p.setBrush(QColor(255, 0, 0));
        p.drawRect(QRectF(-2.5, -2.5, 5, 5));
    }

private:
    // Spots grow fainter away from the centre, as the spectrum and the polarisation weaken them.
    static void drawQuarter(QPainter& p, double r) {
        const double zones[][2] = {{0.35, 0.0}, {0.62, 0.0}, {0.3, 0.3},  {0.55, 0.55},
                                   {0.5, 0.22}, {0.22, 0.5}, {0.82, 0.3}, {0.3, 0.82}};
        for (const auto& zone : zones) {
            const double distance = std::hypot(zone[0], zone[1]);
            const int grey = std::clamp(static_cast<int>(distance * 150.0), 0, 170);
            p.setBrush(QColor(grey, grey, grey));
            p.drawRect(QRectF(zone[0] * r - 2.0, zone[1] * r - 2.0, 4.0, 4.0));
        }
    }
};

} // namespace

CSpotDetailsDlg::CSpotDetailsDlg(const SpotDetails& details, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Detailed Information of Selected Spot");
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new LauePatternMotif(this), 0, Qt::AlignTop);
    auto* values = new QGridLayout;
    const std::array<const std::string*, FieldCount> texts = {
        &details.baseReflection, &details.spotPosition,      &details.baseWavelength,
        &details.baseDSpacing,   &details.absoluteIntensity, &details.relativeIntensity};
    for (int field = 0; field < FieldCount; ++field) {
        values->addWidget(new QLabel(kCaptions[field], this), field, 0);
        m_values[field] = new WhiteValueLabel(fromCp1252(*texts[field]), this);
        m_values[field]->setMinimumWidth(180);
        values->addWidget(m_values[field], field, 1);
    }
    top->addLayout(values);
    layout->addLayout(top);

    layout->addWidget(new QLabel("Harmonics Components:", this));
    m_harmonics = new QTableWidget(this);
    fillHarmonics(details.harmonics);
    layout->addWidget(m_harmonics);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSpotDetailsDlg::accept);
    layout->addWidget(buttons);
}

void CSpotDetailsDlg::fillHarmonics(const std::vector<HarmonicDetails>& rows) {
    m_harmonics->setColumnCount(static_cast<int>(kColumns.size()));
    m_harmonics->setRowCount(static_cast<int>(rows.size()));
    m_harmonics->setShowGrid(true);
    m_harmonics->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_harmonics->setSelectionMode(QAbstractItemView::SingleSelection);
    m_harmonics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_harmonics->verticalHeader()->hide();
    m_harmonics->verticalHeader()->setDefaultSectionSize(m_harmonics->fontMetrics().height() + 6);
    int tableWidth = 0;
    for (int column = 0; column < static_cast<int>(kColumns.size()); ++column) {
        auto* heading = new QTableWidgetItem(QString::fromUtf16(kColumns[column].heading));
        heading->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_harmonics->setHorizontalHeaderItem(column, heading);
        // The classic widths, widened where this desktop's font needs more for the heading.
        const int width = std::max(kColumns[column].width,
                                   m_harmonics->horizontalHeader()->sectionSizeHint(column));
        m_harmonics->setColumnWidth(column, width);
        tableWidth += width;
    }
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const HarmonicDetails& entry = rows[static_cast<std::size_t>(row)];
        const std::array<const std::string*, 5> cells = {&entry.indices, &entry.intensityShare,
                                                         &entry.wavelength, &entry.dSpacing,
                                                         &entry.structureFactor};
        for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
            auto* item = new QTableWidgetItem(fromCp1252(*cells[column]));
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            m_harmonics->setItem(row, column, item);
        }
    }
    m_harmonics->setMinimumWidth(tableWidth + 2 * m_harmonics->frameWidth() +
                                 m_harmonics->verticalScrollBar()->sizeHint().width());
}

void QtViewDialogs::spotDetails(QWidget* parent, const SpotDetails& details) {
    CSpotDetailsDlg dialog(details, parent);
    dialog.exec();
}

} // namespace xtalsp::gui
