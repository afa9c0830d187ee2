#include "structure/atomdlg.h"
#include "structure/atomlistctrl.h"
#include "structure/numberfield.h"

#include "support/localetest.h"
#include "support/recordingprompt.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

QStringList rowTexts(const CAtomListCtrl& list, int row) {
    QStringList texts;
    for (int column = 0; column < list.columnCount(); ++column) {
        const QTableWidgetItem* cell = list.item(row, column);
        texts << (cell ? cell->text() : QString("<none>"));
    }
    return texts;
}

const AtomSite kSi{14, 0.4697, 0.0, 0.0, 1.0};
const AtomSite kO{8, 0.4135, 0.2669, 0.1191, 0.5};
const AtomSite kCu{29, -1.0, 2.0, 0.125, 1e-30};

// A list with an atom editor that answers from a script and records what it was shown.
class AtomList : public ::testing::Test {
protected:
    AtomList() {
        list.setAtomEditor([this](const AtomSite& start) {
            shown.push_back(start);
            return answer;
        });
        list.setAtoms({kSi, kO, kCu});
    }

    CAtomListCtrl list;
    std::vector<AtomSite> shown;
    std::optional<AtomSite> answer;
    QSignalSpy modified{&list, &CAtomListCtrl::atomsModified};
};

TEST_F(AtomList, ShowsNumberedRowsAndTheBlankRow) {
    EXPECT_TRUE(list.horizontalHeader()->isHidden());
    EXPECT_TRUE(list.showGrid());
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    const int widths[] = {30, 40, 82, 82, 82, 71};
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(list.columnWidth(column), widths[column]);

    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.atomCount(), 3);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "Si", "0.4697", "0", "0", "1"}));
    EXPECT_EQ(rowTexts(list, 1), QStringList({"2", "O", "0.4135", "0.2669", "0.1191", "0.5"}));
    EXPECT_EQ(rowTexts(list, 2), QStringList({"3", "Cu", "-1", "2", "0.125", "1e-30"}));
    EXPECT_EQ(rowTexts(list, 3), QStringList({"4", "", "", "", "", ""}));
    // The cells read back to the atoms, in row order.
    EXPECT_EQ(list.atoms(), (std::vector<AtomSite>{kSi, kO, kCu}));

    list.setAtoms({});
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "", "", "", "", ""}));
    EXPECT_TRUE(list.atoms().empty());
}

TEST_F(AtomList, EditingTheBlankRowAddsAnAtom) {
    list.setAtoms({});
    list.selectRow(0);
    answer = AtomSite{14, 0.25, 0.25, 0.25, 1.0};
    list.editSelectedAtom();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], AtomSite{}); // no element at the origin, fully occupied
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "Si", "0.25", "0.25", "0.25", "1"}));
    EXPECT_EQ(rowTexts(list, 1), QStringList({"2", "", "", "", "", ""}));
    EXPECT_EQ(modified.count(), 1);
}

TEST_F(AtomList, EditingAnAtomRowMarksOnlyRealChanges) {
    list.selectRow(1);
    answer = kO; // OK without changes
    list.editSelectedAtom();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], kO);
    EXPECT_EQ(modified.count(), 0);
    EXPECT_EQ(list.rowCount(), 4);

    answer = AtomSite{8, 0.4135, 0.2669, 0.1191, 0.75};
    list.editSelectedAtom();
    EXPECT_EQ(modified.count(), 1);
    EXPECT_EQ(rowTexts(list, 1), QStringList({"2", "O", "0.4135", "0.2669", "0.1191", "0.75"}));

    answer = AtomSite{16, 0.4135, 0.2669, 0.1191, 0.75}; // only the element
    list.editSelectedAtom();
    EXPECT_EQ(modified.count(), 2);
    EXPECT_EQ(list.item(1, 1)->text(), "S");
    EXPECT_EQ(list.rowCount(), 4);

    answer.reset(); // Cancel
    list.editSelectedAtom();
    EXPECT_EQ(modified.count(), 2);
    EXPECT_EQ(list.item(1, 1)->text(), "S");
}

TEST_F(AtomList, NothingIsEditedOrDeletedWithoutASelectedRow) {
    list.clearSelection();
    answer = kSi;
    list.editSelectedAtom();
    list.deleteSelectedAtom();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.createPopupMenu(), nullptr);
    EXPECT_EQ(modified.count(), 0);
}

TEST_F(AtomList, DeletingRenumbersTheRowsButNeverRemovesTheBlankRow) {
    list.selectRow(1);
    list.deleteSelectedAtom();
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "Si", "0.4697", "0", "0", "1"}));
    EXPECT_EQ(rowTexts(list, 1), QStringList({"2", "Cu", "-1", "2", "0.125", "1e-30"}));
    EXPECT_EQ(rowTexts(list, 2), QStringList({"3", "", "", "", "", ""}));
    EXPECT_EQ(modified.count(), 1);

    list.selectRow(2);
    list.deleteSelectedAtom();
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(modified.count(), 1);
}

TEST_F(AtomList, PopupMenuEditsAndDeletesTheSelectedRow) {
    list.selectRow(3);
    std::unique_ptr<QMenu> menu = list.createPopupMenu();
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), "&Edit\t^E/ Dblclk");
    EXPECT_EQ(actions[1]->text(), "&Delete\tDel");
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[1]->isEnabled()); // greyed on the blank row

    list.selectRow(0);
    menu = list.createPopupMenu();
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    menu->actions()[1]->trigger();
    EXPECT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.item(0, 1)->text(), "O");

    list.selectRow(0);
    answer = kCu;
    list.createPopupMenu()->actions()[0]->trigger();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], kO);
    EXPECT_EQ(list.item(0, 1)->text(), "Cu");
}

TEST_F(AtomList, KeysAndMouseReachTheSelectedRow) {
    list.resize(420, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    // A right button press selects the row under the pointer before any menu.
    QTest::mouseClick(list.viewport(), Qt::RightButton, {},
                      list.visualItemRect(list.item(2, 1)).center());
    EXPECT_EQ(list.selectedRow(), 2);

    answer = kSi;
    QTest::keyClick(&list, Qt::Key_E);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], kCu);
    EXPECT_EQ(list.item(2, 1)->text(), "Si");

    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.rowCount(), 3);

    // A double-click comes after the press that selects the row.
    const QPoint onRow = list.visualItemRect(list.item(1, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, onRow);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, onRow);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1], kO);

    const QPoint belowRows(onRow.x(), list.visualItemRect(list.item(2, 1)).bottom() + 20);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, belowRows);
    EXPECT_EQ(shown.size(), 2u);
}

TEST(NumberField, ReadsTheWholeTextAsOneDecimalNumber) {
    EXPECT_EQ(readFieldNumber("5.4305"), 5.4305);
    EXPECT_EQ(readFieldNumber("  -1e-3 "), -0.001);
    EXPECT_EQ(readFieldNumber("+.5"), 0.5);
    EXPECT_EQ(readFieldNumber("5."), 5.0);
    EXPECT_EQ(readFieldNumber("1E+2"), 100.0);
    for (const char* text :
         {"", " ", "abc", "5,4305", "5.4a", "1e", ".", "-", "1e400", "inf", "nan", "0x10", "5 4"})
        EXPECT_EQ(readFieldNumber(text), std::nullopt) << text;
}

TEST(NumberField, ShowsAndReadsNumbersTheSameUnderACommaLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    EXPECT_EQ(numberFieldText(5.4305), "5.4305");
    EXPECT_EQ(numberFieldText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberFieldText(179.9999), "179.9999");
    EXPECT_EQ(readFieldNumber("5.4305"), 5.4305);
    EXPECT_EQ(readFieldNumber("5,4305"), std::nullopt);
}

class AtomDialog : public ::testing::Test {
protected:
    QLineEdit& box(CAtomDlg& dialog, const char* name) {
        return *dialog.findChild<QLineEdit*>(name);
    }
    QComboBox& elements(CAtomDlg& dialog) { return *dialog.findChild<QComboBox*>("element"); }
    void showActive(QWidget& widget) {
        widget.show();
        widget.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&widget));
    }

    test::RecordingPrompt prompt;
};

TEST_F(AtomDialog, OffersTheWholeSymbolTableAndStartsFromTheAtom) {
    CAtomDlg dialog(kO, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Add or Change Individual Atom");
    QComboBox& list = elements(dialog);
    EXPECT_FALSE(list.isEditable());
    ASSERT_EQ(list.count(), 93);
    EXPECT_EQ(list.itemText(0), " ");
    EXPECT_EQ(list.itemText(14), "Si");
    EXPECT_EQ(list.itemText(92), "U");
    EXPECT_EQ(list.currentIndex(), 8);
    EXPECT_EQ(box(dialog, "x").text(), "0.4135");
    EXPECT_EQ(box(dialog, "occupancy").text(), "0.5");

    CAtomDlg blank(AtomSite{}, prompt);
    EXPECT_EQ(elements(blank).currentIndex(), 0);
    EXPECT_EQ(box(blank, "x").text(), "0");
    EXPECT_EQ(box(blank, "z").text(), "0");
    EXPECT_EQ(box(blank, "occupancy").text(), "1");
}

TEST_F(AtomDialog, ChecksTheRangesBeforeTheElement) {
    CAtomDlg dialog(AtomSite{}, prompt);
    showActive(dialog);
    box(dialog, "y").setText("2.5");
    box(dialog, "occupancy").setText("0");
    dialog.accept();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Please enter a number between -1 and 2.");
    EXPECT_EQ(QApplication::focusWidget(), &box(dialog, "y"));

    box(dialog, "y").setText("2");
    dialog.accept();
    EXPECT_EQ(prompt.messages.at(1).text, "Please enter a number between 1e-30 and 1.");
    EXPECT_EQ(QApplication::focusWidget(), &box(dialog, "occupancy"));

    box(dialog, "occupancy").setText("half");
    dialog.accept();
    EXPECT_EQ(prompt.messages.at(2).text, "Please enter a number.");

    box(dialog, "occupancy").setText("1e-30");
    dialog.accept();
    EXPECT_EQ(prompt.messages.at(3).text, "Please select an atom name! ");
    EXPECT_EQ(QApplication::focusWidget(), &elements(dialog));
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.isVisible());

    elements(dialog).setCurrentIndex(14);
    box(dialog, "x").setText(" -1 ");
    dialog.accept();
    EXPECT_EQ(prompt.messages.size(), 4u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.atom(), (AtomSite{14, -1.0, 2.0, 0.0, 1e-30}));
}

} // namespace
} // namespace xtalsp::gui
