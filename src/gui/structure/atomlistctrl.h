// CAtomListCtrl: the atoms of the structure editor, one row per atom and a blank last row that
// stands for a new atom. The cells are the editor's only record of the atoms.
#pragma once

#include "core/structure/crystalstructure.h"

#include <QTableWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace xtalsp::gui {

class CAtomListCtrl : public QTableWidget {
    Q_OBJECT
public:
    // Shows the atom dialog for a row's atom (the blank row starts as no element at 0, 0, 0 with
    // occupancy 1); the atom to write into the row, or nothing when the user cancels.
    using AtomEditor = std::function<std::optional<AtomSite>(const AtomSite& start)>;

    // Column widths in pixels: row number, element symbol, x, y, z, occupancy.
    static constexpr int kColumnWidths[] = {30, 40, 82, 82, 82, 71};

    explicit CAtomListCtrl(QWidget* parent = nullptr);

    void setAtomEditor(AtomEditor editor) { m_editor = std::move(editor); }

    // One row per atom in the given order, then the blank row.
    void setAtoms(const std::vector<AtomSite>& atoms);
    // The atoms of the rows in row order, read back from the cells.
    std::vector<AtomSite> atoms() const;
    int atomCount() const { return rowCount() - 1; }
    int blankRow() const { return rowCount() - 1; }
    // The selected row, or -1.
    int selectedRow() const;

    // Adds an atom (blank row) or changes the selected atom through the atom editor.
    void editSelectedAtom();
    // Removes the selected atom and renumbers the rows; the blank row cannot be removed.
    void deleteSelectedAtom();
    // The popup menu for the selected row ("&Edit\t^E/ Dblclk", "&Delete\tDel", the latter
    // greyed on the blank row), or nothing without a selected row.
    std::unique_ptr<QMenu> createPopupMenu();

signals:
    // The atoms changed: one was added, removed or given a different element or site.
    void atomsModified();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    AtomSite atomAt(int row) const;
    bool rowDiffers(int row, const AtomSite& atom) const;
    void writeAtom(int row, const AtomSite& atom);
    void appendBlankRow();
    void renumberRows();
    QString cellText(int row, int column) const;
    void setCellText(int row, int column, const QString& text);

    AtomEditor m_editor;
};

} // namespace xtalsp::gui
