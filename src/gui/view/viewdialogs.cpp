// The real custom zoom, spot size, print and print preview dialogs of the pattern view.
#include "gui/view/viewdialogs.h"

#include "gui/shell/settingsdialogs.h"

#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace xtalsp::gui {

QtViewDialogs::QtViewDialogs() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {}

QtViewDialogs::~QtViewDialogs() = default;

std::optional<double> QtViewDialogs::customZoom(QWidget* parent, double percentage) {
    CCustomZoomDlg dialog(percentage, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.percentage();
}

std::optional<SpotSizeMm> QtViewDialogs::spotSize(QWidget* parent, SpotSizeMm initial) {
    CSpotSizeDlg dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.size();
}

bool QtViewDialogs::print(QWidget* parent, const PagePainter& paintPage) {
    // A pattern is always one page.
    m_printer->setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(m_printer.get(), parent);
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return paintPage(*m_printer);
}

void QtViewDialogs::printPreview(QWidget* parent, const PagePainter& paintPage) {
    QPrintPreviewDialog preview(m_printer.get(), parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&paintPage](QPrinter* printer) { paintPage(*printer); });
    preview.exec();
}

void QtViewDialogs::printSetup(QWidget* parent) {
    QPageSetupDialog dialog(m_printer.get(), parent);
    dialog.exec();
}

} // namespace xtalsp::gui
