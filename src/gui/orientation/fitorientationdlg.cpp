// The orientation fit dialog.
#include "gui/orientation/fitorientationdlg.h"

#include "core/document/fieldranges.h"
#include "core/text/numbertext.h"
#include "gui/shell/stepedit.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <utility>

namespace xtalsp::gui {

namespace {

constexpr double kMinToleranceMm = 0.1, kMaxToleranceMm = 50.0, kToleranceStepMm = 0.5;

QString fixed(double value, int decimals) {
    return QString::fromStdString(formatFixed(value, 0, decimals));
}

QString hklText(const FitPair& pair) {
    return QString("%1 %2 %3").arg(pair.h).arg(pair.k).arg(pair.l);
}

QString summaryText(const FitResult& fit) {
    const QString degree(QChar(0x00B0));
    return QString("Pairs: %1    rms: %2 mm    largest: %3 mm\n"
                   "\u0394X: %4%7    \u0394Y: %5%7    \u0394\u03C8: %6%7")
        .arg(fit.pairs.size())
        .arg(fixed(fit.rmsMm, 3), fixed(fit.maxMm, 3), fixed(fit.deltaX, 4), fixed(fit.deltaY, 4),
             fixed(fit.deltaPsi, 4), degree);
}

} // namespace

Result<FitResult> fitDocumentOrientation(const CXtalspDoc& doc,
                                         const std::vector<FilmPeak>& measured, double toleranceMm,
                                         bool refineDistance) {
    FitOptions options;
    options.toleranceMm = toleranceMm;
    options.refineDistance = refineDistance;
    options.saturationIntensity = doc.intensityScale().saturationIntensity;
    options.maxRotation = kMaxRotation;
    return fitOrientation(doc.computationInput(), measured, options);
}

CStepEdit* addMarksAndTolerance(QWidget* dialog, QGridLayout& fields, std::size_t markCount,
                                double* toleranceMm, ToleranceRange range) {
    auto* label = new QLabel("Pairing &tolerance:", dialog);
    auto* edit = new CStepEdit(dialog);
    edit->Attach(toleranceMm, range.minimumMm, range.maximumMm, range.stepMm, false, " mm");
    label->setBuddy(edit->lineEdit());
    fields.addWidget(new QLabel(QString("%1 marked spots").arg(markCount), dialog), 0, 0, 1, 2);
    fields.addWidget(label, 1, 0);
    fields.addWidget(edit, 1, 1);
    return edit;
}

CFitOrientationDlg::CFitOrientationDlg(const CXtalspDoc& doc, std::vector<FilmPeak> measured,
                                       UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_doc(doc), m_measured(std::move(measured)), m_prompt(prompt) {
    setWindowTitle("Fit Orientation");
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    m_toleranceEdit = addMarksAndTolerance(this, *fields, m_measured.size(), &m_toleranceMm,
                                           {kMinToleranceMm, kMaxToleranceMm, kToleranceStepMm});
    m_refineDistance = new QCheckBox("Refine the &distance", this);
    fields->addWidget(m_refineDistance, 2, 0, 1, 2);
    m_fitButton = new QPushButton("&Fit", this);
    fields->addWidget(m_fitButton, 1, 2);
    layout->addLayout(fields);

    m_summary = new QLabel(this);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);
    m_pairs = new QTableWidget(0, 4, this);
    m_pairs->setHorizontalHeaderLabels({"Mark", "h k l", "dx, dy (mm)", "Residual (mm)"});
    m_pairs->verticalHeader()->setVisible(false);
    m_pairs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pairs->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_pairs, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_applyButton = buttons->addButton("&Apply", QDialogButtonBox::AcceptRole);
    m_applyButton->setEnabled(false);
    layout->addWidget(buttons);
    connect(m_fitButton, &QPushButton::clicked, this, &CFitOrientationDlg::runFit);
    connect(m_applyButton, &QPushButton::clicked, this, &CFitOrientationDlg::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_fitButton->setDefault(true);
    resize(460, 380);
}

void CFitOrientationDlg::runFit() {
    m_toleranceEdit->commit();
    Result<FitResult> fit =
        fitDocumentOrientation(m_doc, m_measured, m_toleranceMm, m_refineDistance->isChecked());
    if (!fit.ok()) {
        // A refused fit leaves nothing to apply, not even an earlier one for other options.
        m_fit.reset();
        m_applyButton->setEnabled(false);
        m_summary->clear();
        m_pairs->setRowCount(0);
        m_prompt.show(fit.failure());
        return;
    }
    m_fit = std::move(fit.value());
    showFit(*m_fit);
    m_applyButton->setEnabled(true);
}

void CFitOrientationDlg::showFit(const FitResult& fit) {
    m_summary->setText(summaryText(fit));
    m_pairs->setRowCount(static_cast<int>(fit.pairs.size()));
    int row = 0;
    for (const FitPair& pair : fit.pairs) {
        const QString offsets = fixed(pair.dxMm, 3) + ", " + fixed(pair.dyMm, 3);
        const QString cells[] = {QString::number(pair.measured + 1), hklText(pair), offsets,
                                 fixed(std::hypot(pair.dxMm, pair.dyMm), 3)};
        for (int column = 0; column < 4; ++column)
            m_pairs->setItem(row, column, new QTableWidgetItem(cells[column]));
        ++row;
    }
    m_pairs->resizeColumnsToContents();
}

void CFitOrientationDlg::apply() {
    if (!m_fit)
        return;
    m_applied = m_fit;
    accept();
}

std::optional<FitResult> QtOrientationDialogs::fitOrientation(QWidget* parent,
                                                              const CXtalspDoc& doc,
                                                              const std::vector<FilmPeak>& measured,
                                                              UserPrompt& prompt) {
    CFitOrientationDlg dialog(doc, measured, prompt, parent);
    dialog.exec();
    return dialog.appliedFit();
}

} // namespace xtalsp::gui
