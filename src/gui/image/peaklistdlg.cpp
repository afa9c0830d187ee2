// The peak list window.
#include "gui/image/peaklistdlg.h"

#include "core/io/filebytes.h"
#include "core/text/numbertext.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace xtalsp::gui {

namespace {

// The command line accepts thresholds in this range too.
constexpr double kLowestThreshold = 1.0, kHighestThreshold = 1000.0;

QTableWidgetItem* numberItem(double value, int decimals) {
    auto* item = new QTableWidgetItem(QString::fromStdString(formatFixed(value, 0, decimals)));
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

Status writePeaksCsv(const std::vector<FilmPeak>& peaks, const QString& path) {
    if (writeFileAtomically(QFile::encodeName(path).toStdString(), formatPeaksCsv(peaks)).ok())
        return Status::success();
    return utf8Warning(path.toStdString() + " could not be written.");
}

PeakListDlg::PeakListDlg(PatternImageLayer& layer, FileChooser& chooser, UserPrompt& prompt,
                         QWidget* parent)
    : QDialog(parent), m_layer(layer), m_chooser(chooser), m_prompt(prompt) {
    setWindowTitle("Peaks");
    m_threshold = new QDoubleSpinBox;
    m_threshold->setRange(kLowestThreshold, kHighestThreshold);
    m_threshold->setDecimals(1);
    m_threshold->setValue(layer.peakThresholdSigma());
    m_threshold->setSuffix(" \u03C3");
    auto* find = new QPushButton("Find Peaks");
    auto* exportButton = new QPushButton("Export CSV...");
    m_count = new QLabel;
    m_table = new QTableWidget(0, 3);
    m_table->setHorizontalHeaderLabels({"x (mm)", "y (mm)", "Intensity"});
    m_table->verticalHeader()->setVisible(false);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setMinimumSize(360, 300);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel("Threshold:"));
    controls->addWidget(m_threshold);
    controls->addWidget(find);
    controls->addStretch();
    controls->addWidget(exportButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(m_count);
    layout->addWidget(m_table);

    connect(find, &QPushButton::clicked, this, &PeakListDlg::findAgain);
    connect(exportButton, &QPushButton::clicked, this, &PeakListDlg::exportCsv);
    connect(&m_layer, &PatternImageLayer::changed, this, &PeakListDlg::showPeaks);
    showPeaks();
}

void PeakListDlg::showPeaks() {
    const std::vector<FilmPeak>& peaks = m_layer.settings().peaks;
    m_count->setText(QString("%1 peaks").arg(peaks.size()));
    m_table->setRowCount(static_cast<int>(peaks.size()));
    for (int row = 0; row < static_cast<int>(peaks.size()); ++row) {
        const FilmPeak& peak = peaks[static_cast<std::size_t>(row)];
        m_table->setItem(row, 0, numberItem(peak.xMm, 3));
        m_table->setItem(row, 1, numberItem(peak.yMm, 3));
        m_table->setItem(row, 2, numberItem(peak.intensity, 0));
    }
}

void PeakListDlg::findAgain() {
    m_layer.findPeaks(m_threshold->value());
}

void PeakListDlg::exportCsv() {
    const QString path = m_chooser.saveFileName(
        {"Export Peaks", "CSV Files (*.csv);;All Files (*)", "csv", {}, true});
    if (path.isEmpty())
        return;
    if (const Status written = writePeaksCsv(m_layer.settings().peaks, path); !written.ok())
        m_prompt.show(written.failure());
}

void showPeakWindow(PatternImageLayer& layer, FileChooser& chooser, UserPrompt& prompt,
                    QWidget* parent) {
    if (layer.peakWindow == nullptr) {
        auto* window = new PeakListDlg(layer, chooser, prompt, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
        layer.peakWindow = window;
    }
    layer.peakWindow->show();
    layer.peakWindow->raise();
}

} // namespace xtalsp::gui
