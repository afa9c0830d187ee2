// The table of the spectrum editor: one row per entry, its wavelength and its intensity.
#pragma once

#include "core/spectrum/spectrum.h"

#include <QTableWidget>

#include <memory>

class QMenu;

namespace xtalsp::gui {

class CSpectrumListCtrl : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kWavelengthColumnWidth = 70;
    // The intensity column fills the list less this many pixels (wavelength column, scroll bar
    // and frame).
    static constexpr int kIntensityColumnInset = 92;

    explicit CSpectrumListCtrl(QWidget* parent = nullptr);

    // Writes every intensity cell from the spectrum.
    void showSpectrum(const Spectrum& spectrum);
    // Writes one intensity cell.
    void showIntensity(int row, double intensity);

    // The selected row, or -1.
    int selectedRow() const;

    // The popup menu of a right click on a selected row: its one entry asks for an edit.
    std::unique_ptr<QMenu> createContextMenu();

signals:
    // The user asked to change the selected row's intensity: double click, the E key or the
    // popup menu.
    void editRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace xtalsp::gui
