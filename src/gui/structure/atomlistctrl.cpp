// The structure editor's atom list: rows, cells, editing, deleting and the popup menu.
#include "gui/structure/atomlistctrl.h"

#include "core/structure/elements.h"
#include "core/text/numbertext.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>

namespace xtalsp::gui {

namespace {

enum Column { kNumber, kSymbol, kX, kY, kZ, kOccupancy, kColumnCount };

QString symbolText(int element) {
    const std::string_view symbol = elementSymbol(element);
    return QString::fromLatin1(symbol.data(), static_cast<qsizetype>(symbol.size()));
}

QString numberCell(double value) {
    return QString::fromStdString(FormatNumber(value));
}

double readCell(const QString& text) {
    return readReal(text.toStdString());
}

} // namespace

CAtomListCtrl::CAtomListCtrl(QWidget* parent) : QTableWidget(0, kColumnCount, parent) {
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(false);
    int width = 0;
    for (int column = 0; column < kColumnCount; ++column) {
        setColumnWidth(column, kColumnWidths[column]);
        width += kColumnWidths[column];
    }
    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Wide enough for every column and the scroll bar, never wider.
    setFixedWidth(width + 2 * frameWidth() + verticalScrollBar()->sizeHint().width());
    appendBlankRow();
}

void CAtomListCtrl::setAtoms(const std::vector<AtomSite>& atoms) {
    setRowCount(0);
    for (const AtomSite& atom : atoms) {
        appendBlankRow();
        writeAtom(blankRow(), atom);
    }
    appendBlankRow();
}

std::vector<AtomSite> CAtomListCtrl::atoms() const {
    std::vector<AtomSite> result;
    result.reserve(static_cast<std::size_t>(atomCount()));
    for (int row = 0; row < atomCount(); ++row)
        result.push_back(atomAt(row));
    return result;
}

int CAtomListCtrl::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CAtomListCtrl::editSelectedAtom() {
    const int row = selectedRow();
    if (row < 0 || !m_editor)
        return;
    scrollToItem(item(row, kNumber));
    const bool adding = row == blankRow();
    const std::optional<AtomSite> edited = m_editor(adding ? AtomSite{} : atomAt(row));
    if (!edited)
        return;
    const bool changed = adding || rowDiffers(row, *edited);
    writeAtom(row, *edited);
    if (adding)
        appendBlankRow();
    if (changed)
        emit atomsModified();
}

void CAtomListCtrl::deleteSelectedAtom() {
    const int row = selectedRow();
    if (row < 0 || row == blankRow())
        return;
    scrollToItem(item(row, kNumber));
    removeRow(row);
    renumberRows();
    emit atomsModified();
}

std::unique_ptr<QMenu> CAtomListCtrl::createPopupMenu() {
    const int row = selectedRow();
    if (row < 0)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    connect(menu->addAction("&Edit\t^E/ Dblclk"), &QAction::triggered, this,
            &CAtomListCtrl::editSelectedAtom);
    QAction* remove = menu->addAction("&Delete\tDel");
    remove->setEnabled(row != blankRow());
    connect(remove, &QAction::triggered, this, &CAtomListCtrl::deleteSelectedAtom);
    return menu;
}

void CAtomListCtrl::keyPressEvent(QKeyEvent* event) {
    const bool plainOrControl = (event->modifiers() & ~Qt::ControlModifier) == Qt::NoModifier;
    if (event->key() == Qt::Key_E && plainOrControl) {
        editSelectedAtom();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        deleteSelectedAtom();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// The press before the double-click has selected the row under the pointer; a double-click
// below the rows edits nothing.
void CAtomListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !indexAt(event->position().toPoint()).isValid()) {
        QTableWidget::mouseDoubleClickEvent(event);
        return;
    }
    editSelectedAtom();
}

// The right button press has already selected the row under the pointer (or cleared the
// selection off the rows), so the menu acts on what is selected now.
void CAtomListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    const std::unique_ptr<QMenu> menu = createPopupMenu();
    if (!menu)
        return;
    QPoint position = event->globalPos();
    if (event->reason() != QContextMenuEvent::Mouse)
        position = viewport()->mapToGlobal(visualItemRect(item(selectedRow(), 0)).center());
    menu->exec(position);
}

AtomSite CAtomListCtrl::atomAt(int row) const {
    return AtomSite{LookUpElement(cellText(row, kSymbol).toStdString()),
                    readCell(cellText(row, kX)), readCell(cellText(row, kY)),
                    readCell(cellText(row, kZ)), readCell(cellText(row, kOccupancy))};
}

// Compares with what the row shows: the symbol as text, the numbers as read from the cells.
bool CAtomListCtrl::rowDiffers(int row, const AtomSite& atom) const {
    return symbolText(atom.element) != cellText(row, kSymbol) ||
           atom.x != readCell(cellText(row, kX)) || atom.y != readCell(cellText(row, kY)) ||
           atom.z != readCell(cellText(row, kZ)) ||
           atom.occupancy != readCell(cellText(row, kOccupancy));
}

void CAtomListCtrl::writeAtom(int row, const AtomSite& atom) {
    setCellText(row, kSymbol, symbolText(atom.element));
    setCellText(row, kX, numberCell(atom.x));
    setCellText(row, kY, numberCell(atom.y));
    setCellText(row, kZ, numberCell(atom.z));
    setCellText(row, kOccupancy, numberCell(atom.occupancy));
}

void CAtomListCtrl::appendBlankRow() {
    const int row = rowCount();
    insertRow(row);
    for (int column = 0; column < kColumnCount; ++column)
        setCellText(row, column, QString());
    setCellText(row, kNumber, QString::number(row + 1));
}

void CAtomListCtrl::renumberRows() {
    for (int row = 0; row < rowCount(); ++row)
        setCellText(row, kNumber, QString::number(row + 1));
}

QString CAtomListCtrl::cellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell == nullptr ? QString() : cell->text();
}

void CAtomListCtrl::setCellText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, column, cell);
    }
    cell->setText(text);
}

} // namespace xtalsp::gui
