// The spectrum table of the spectrum editor.
#include "gui/spectrum/spectrumlistctrl.h"

#include "core/text/numbertext.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace xtalsp::gui {

CSpectrumListCtrl::CSpectrumListCtrl(QWidget* parent)
    : QTableWidget(static_cast<int>(kSpectrumSize), 2, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setColumnWidth(0, kWavelengthColumnWidth);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    for (int row = 0; row < rowCount(); ++row) {
        const double wavelength = row * kSpectrumStep;
        setItem(row, 0,
                new QTableWidgetItem(QString::fromStdString(formatFixed(wavelength, 4, 2))));
        setItem(row, 1, new QTableWidgetItem);
    }
    connect(this, &QAbstractItemView::doubleClicked, this, &CSpectrumListCtrl::editRequested);
}

void CSpectrumListCtrl::showSpectrum(const Spectrum& spectrum) {
    for (int row = 0; row < rowCount(); ++row)
        showIntensity(row, spectrum.intensity[static_cast<std::size_t>(row)]);
}

void CSpectrumListCtrl::showIntensity(int row, double intensity) {
    if (QTableWidgetItem* cell = item(row, 1))
        cell->setText(QString::fromStdString(FormatNumber(intensity)));
}

int CSpectrumListCtrl::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

std::unique_ptr<QMenu> CSpectrumListCtrl::createContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    // The text after the tab is the hint shown at the right of the entry.
    QAction* edit = menu->addAction("&Edit\t^E/ Dblclk");
    connect(edit, &QAction::triggered, this, &CSpectrumListCtrl::editRequested);
    return menu;
}

void CSpectrumListCtrl::keyPressEvent(QKeyEvent* event) {
    // E, also with Ctrl as the menu hint shows; the table would otherwise search for a row
    // starting with "e".
    const bool otherModifier = (event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) != 0;
    if (event->key() == Qt::Key_E && !otherModifier) {
        event->accept();
        emit editRequested();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CSpectrumListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    if (selectedRow() < 0)
        return;
    const std::unique_ptr<QMenu> menu = createContextMenu();
    menu->exec(event->globalPos());
}

void CSpectrumListCtrl::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    setColumnWidth(1, std::max(1, width() - kIntensityColumnInset));
}

} // namespace xtalsp::gui
