#include "gui/structure/atomdlg.h"
#include "gui/structure/atomlistctrl.h"
#include "gui/structure/numberfield.h"

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
    for (int column = 0; column < list.columnCount(); ++column)
        texts << list.item(row, column)->text();
    return texts;
}

const QStringList kBlank{"", "", "", "", ""};
const AtomSite kSi{14, 0.4697, 0.0, 0.0, 1.0};
const AtomSite kO{8, 0.4135, 0.2669, 0.1191, 0.5};
const AtomSite kCu{29, -1.0, 2.0, 0.125, 1e-30};

// A list whose atom editor answers from a script and records the atom it was shown.
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

TEST_F(AtomList, ShowsNumberedRowsThenTheBlankRow) {
    EXPECT_TRUE(list.horizontalHeader()->isHidden());
    const int widths[] = {30, 40, 82, 82, 82, 71};
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(list.columnWidth(column), widths[column]);
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "Si", "0.4697", "0", "0", "1"}));
    EXPECT_EQ(rowTexts(list, 2), QStringList({"3", "Cu", "-1", "2", "0.125", "1e-30"}));
    EXPECT_EQ(rowTexts(list, 3), QStringList{"4"} + kBlank);
    EXPECT_EQ(list.atoms(), (std::vector<AtomSite>{kSi, kO, kCu}));
}

TEST_F(AtomList, EditingAddsFromTheBlankRowAndMarksOnlyRealChanges) {
    list.selectRow(3);
    answer = AtomSite{14, 0.25, 0.25, 0.25, 1.0};
    list.editSelectedAtom();
    EXPECT_EQ(shown.at(0), AtomSite{}); // no element at the origin, fully occupied
    EXPECT_EQ(rowTexts(list, 3), QStringList({"4", "Si", "0.25", "0.25", "0.25", "1"}));
    EXPECT_EQ(rowTexts(list, 4), QStringList{"5"} + kBlank);
    EXPECT_EQ(modified.count(), 1);

    list.selectRow(1);
    answer = kO; // OK without a change
    list.editSelectedAtom();
    EXPECT_EQ(shown.at(1), kO);
    EXPECT_EQ(modified.count(), 1);
    answer = AtomSite{16, 0.4135, 0.2669, 0.1191, 0.5};
    list.editSelectedAtom();
    EXPECT_EQ(list.item(1, 1)->text(), "S");
    EXPECT_EQ(modified.count(), 2);
    answer.reset(); // Cancel
    list.editSelectedAtom();
    EXPECT_EQ(list.rowCount(), 5);
    EXPECT_EQ(modified.count(), 2);

    list.clearSelection();
    list.editSelectedAtom();
    EXPECT_EQ(shown.size(), 4u);
    EXPECT_EQ(list.createPopupMenu(), nullptr);
}

TEST_F(AtomList, DeletingRenumbersAndSparesTheBlankRow) {
    list.selectRow(3);
    std::unique_ptr<QMenu> menu = list.createPopupMenu();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "&Edit\t^E/ Dblclk");
    EXPECT_EQ(menu->actions()[1]->text(), "&Delete\tDel");
    EXPECT_FALSE(menu->actions()[1]->isEnabled()); // greyed on the blank row
    list.deleteSelectedAtom();
    EXPECT_EQ(list.rowCount(), 4);

    list.selectRow(1);
    list.createPopupMenu()->actions()[1]->trigger();
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(rowTexts(list, 0), QStringList({"1", "Si", "0.4697", "0", "0", "1"}));
    EXPECT_EQ(rowTexts(list, 1), QStringList({"2", "Cu", "-1", "2", "0.125", "1e-30"}));
    EXPECT_EQ(rowTexts(list, 2), QStringList{"3"} + kBlank);
    EXPECT_EQ(modified.count(), 1);
}

TEST_F(AtomList, KeysAndMouseActOnTheRowUnderThePointer) {
    list.resize(420, 200);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const auto centre = [this](int row) { return list.visualItemRect(list.item(row, 1)).center(); };
    QTest::mouseClick(list.viewport(), Qt::RightButton, {}, centre(2)); // selects before a menu
    EXPECT_EQ(list.selectedRow(), 2);
    answer = kSi;
    QTest::keyClick(&list, Qt::Key_E);
    EXPECT_EQ(shown.at(0), kCu);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_EQ(list.rowCount(), 3);

    // A double-click follows the press that selects the row; below the rows it edits nothing.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre(1));
    EXPECT_EQ(shown.at(1), kO);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre(2) + QPoint(0, 60));
    EXPECT_EQ(shown.size(), 2u);
}

TEST(NumberField, ReadsTheWholeTextAsOneDecimalNumber) {
    EXPECT_EQ(readFieldNumber("  -1e-3 "), -0.001);
    EXPECT_EQ(readFieldNumber("+.5"), 0.5);
    EXPECT_EQ(readFieldNumber("5."), 5.0);
    for (const char* text :
         {"", "abc", "5,4305", "5.4a", "1e", ".", "-", "1e400", "inf", "nan", "0x10", "5 4"})
        EXPECT_EQ(readFieldNumber(text), std::nullopt) << text;
}

TEST(NumberField, ShowsAndReadsPointDecimalsUnderACommaLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    EXPECT_EQ(numberFieldText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberFieldText(179.9999), "179.9999");
    EXPECT_EQ(readFieldNumber("5.4305"), 5.4305);
}

TEST(AtomDialog, OffersTheSymbolTableAndChecksRangesBeforeTheElement) {
    test::RecordingPrompt prompt;
    CAtomDlg dialog(AtomSite{}, prompt);
    EXPECT_EQ(dialog.windowTitle(), "Add or Change Individual Atom");
    auto& element = *dialog.findChild<QComboBox*>("element");
    const auto box = [&](const char* name) { return dialog.findChild<QLineEdit*>(name); };
    ASSERT_EQ(element.count(), 93);
    EXPECT_EQ(element.itemText(0), " ");
    EXPECT_EQ(element.itemText(92), "U");
    EXPECT_EQ(element.currentIndex(), 0);
    EXPECT_EQ(box("z")->text(), "0");
    EXPECT_EQ(box("occupancy")->text(), "1");
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));

    struct Step {
        const char *y, *occupancy;
        QWidget* focus;
        const char* message;
    };
    const Step steps[] = {{"2.5", "half", box("y"), "Please enter a number between -1 and 2."},
                          {"2", "half", box("occupancy"), "Please enter a number."},
                          {"2", "1e-30", &element, "Please select an atom name! "}};
    for (const Step& step : steps) {
        box("y")->setText(step.y);
        box("occupancy")->setText(step.occupancy);
        dialog.accept();
        EXPECT_EQ(prompt.messages.back().text, step.message);
        EXPECT_EQ(QApplication::focusWidget(), step.focus);
    }
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    element.setCurrentIndex(14);
    dialog.accept();
    EXPECT_EQ(prompt.messages.size(), 3u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.atom(), (AtomSite{14, 0.0, 2.0, 0.0, 1e-30}));

    CAtomDlg existing(kO, prompt);
    EXPECT_EQ(existing.findChild<QComboBox*>("element")->currentText(), "O");
    EXPECT_EQ(existing.findChild<QLineEdit*>("x")->text(), "0.4135");
}

} // namespace
} // namespace xtalsp::gui
