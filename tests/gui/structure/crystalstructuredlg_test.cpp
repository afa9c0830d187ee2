#include "gui/structure/crystalstructuredlg.h"

#include "gui/structure/atomlistctrl.h"

#include "gui/support/scriptedfilechooser.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include "core/io/binaryarchive.h"
#include "core/structure/cifstructure.h"
#include "core/structure/structurefile.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace xtalsp::gui {
namespace {

const std::string kOkQuestion = "Do you want to save a copy of the structure for later use?   "
                                "\nIf yes, click on Yes and go back to save it.";
const std::string kImportQuestion = "Do you want to save a copy of the current structure for "
                                    "later use?\nIf yes, click on Yes and go back to save it.";

// A cell whose atoms are deliberately not grouped by element.
FlatStructure cristobalite() {
    return {"Cristobalite",
            4.9717,
            4.9717,
            6.9223,
            90.0,
            90.0,
            90.0,
            {{14, 0.3003, 0.3003, 0.0, 1.0},
             {8, 0.2392, 0.1044, 0.1787, 1.0},
             {14, 0.6997, 0.6997, 0.5, 0.5}},
            470.0,
            12.3};
}

const AtomSite kOxygen{8, 0.5, 0.5, 0.5, 0.25};

QString quartzFile() {
    return QString(test::kTestDataDir) + "/structure/quartz-low.struct";
}

class StructureEditor : public ::testing::Test {
protected:
    CCrystalStructureDlg& open(const FlatStructure& start) {
        dialog = std::make_unique<CCrystalStructureDlg>(start, prompt, chooser,
                                                        QString::fromStdString(dir.path()));
        dialog->atomList().setAtomEditor([this](const AtomSite&) { return nextAtom; });
        dialog->show();
        dialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
        return *dialog;
    }
    QLineEdit* field(const char* name) const { return dialog->findChild<QLineEdit*>(name); }
    // Through the blank row, as the atom dialog would.
    void addAtom(const AtomSite& atom) {
        dialog->atomList().selectRow(dialog->atomList().blankRow());
        nextAtom = atom;
        dialog->atomList().editSelectedAtom();
    }
    std::string lastMessage() const {
        return prompt.messages.empty() ? "" : prompt.messages.back().text;
    }

    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    test::TempDir dir;
    std::unique_ptr<CCrystalStructureDlg> dialog;
    std::optional<AtomSite> nextAtom;
};

TEST_F(StructureEditor, OpensWithTheStructureAndHandsItBackInRowOrder) {
    FlatStructure start = cristobalite();
    start.c = 6.92230000000001; // fifteen significant digits survive
    open(start);
    EXPECT_EQ(dialog->windowTitle(), "Define or Modify Crystal Structure");
    EXPECT_EQ(field("crystalName")->text(), "Cristobalite");
    EXPECT_EQ(field("c")->text(), "6.92230000000001");
    EXPECT_EQ(field("gamma")->text(), "90");
    EXPECT_EQ(field("thermalExpansion")->text(), "12.3");
    const CAtomListCtrl& list = dialog->atomList();
    ASSERT_EQ(list.rowCount(), 4);
    EXPECT_EQ(list.item(1, 1)->text(), "O");
    EXPECT_EQ(list.item(3, 0)->text(), "4");
    EXPECT_FALSE(dialog->isModified());
    EXPECT_EQ(dialog->editedStructure(), std::nullopt);

    dialog->accept(); // unchanged: nothing to ask
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->editedStructure(), start);
}

TEST_F(StructureEditor, OpensEmptyThenChecksNameFieldsAndAtomsInOrder) {
    open(FlatStructure{});
    EXPECT_EQ(field("crystalName")->text(), "");
    EXPECT_EQ(field("b")->text(), "0");
    EXPECT_EQ(field("beta")->text(), "90");
    EXPECT_EQ(dialog->atomList().rowCount(), 1);

    field("crystalName")->setText("  ");
    dialog->accept();
    EXPECT_EQ(lastMessage(), "Please enter a crystal name!   ");
    EXPECT_EQ(QApplication::focusWidget(), field("crystalName"));
    field("crystalName")->setText("  alpha  Quartz ");

    const char* const range = "Please enter a number between ";
    const std::tuple<const char*, const char*, const char*, std::string> steps[] = {
        {"a", "0", "5000", range + std::string("0.0001 and 5000.")},
        {"b", "5,4305", "0.0001", "Please enter a number."},
        {"alpha", "0", "90", range + std::string("0.0001 and 179.9999.")},
        {"gamma", "180", "120", range + std::string("0.0001 and 179.9999.")},
        {"debye", "-1", "999999", range + std::string("0 and 999999.")},
        {"thermalExpansion", "1e6", "-999999", range + std::string("-999999 and 999999.")}};
    field("c")->setText("3");
    for (const auto& [name, bad, good, message] : steps)
        field(name)->setText(bad);
    for (const auto& [name, bad, good, message] : steps) {
        dialog->accept();
        EXPECT_EQ(lastMessage(), message) << name;
        EXPECT_EQ(QApplication::focusWidget(), field(name)) << name;
        field(name)->setText(good);
    }
    EXPECT_EQ(field("crystalName")->text(), "alpha  Quartz");
    dialog->accept();
    EXPECT_EQ(lastMessage(), "No atom was added!   ");
    EXPECT_EQ(QApplication::focusWidget(), &dialog->atomList());
    EXPECT_EQ(dialog->atomList().selectedRow(), 0);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    addAtom(kOxygen);
    prompt.answers = {MessageAnswer::No};
    dialog->accept();
    EXPECT_EQ(lastMessage(), kOkQuestion);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(
        *dialog->editedStructure(),
        (FlatStructure{"alpha  Quartz", 5000, 0.0001, 3, 90, 90, 120, {kOxygen}, 999999, -999999}));
}

TEST_F(StructureEditor, RefusesNamesThatWouldNotReadBackAndAnglesThatCloseNoCell) {
    open(cristobalite());
    field("crystalName")->setText(QString::fromUtf8("SrTiO3, cubic \u03A9"));
    dialog->accept();
    EXPECT_EQ(lastMessage(), "The crystal name cannot contain \",\" and \"\u03A9\".");
    EXPECT_EQ(QApplication::focusWidget(), field("crystalName"));
    field("crystalName")->setText("SrTiO3 cubic");

    for (const char* angle : {"alpha", "beta", "gamma"})
        field(angle)->setText("150");
    dialog->accept();
    EXPECT_EQ(lastMessage(), "The angles \u03B1, \u03B2 and \u03B3 do not form a unit cell.");
    EXPECT_EQ(QApplication::focusWidget(), field("alpha"));
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(StructureEditor, OkAsksOnlyWhenSomethingReallyChanged) {
    open(cristobalite());
    field("a")->setText("4.97170"); // the same number, written differently
    field("crystalName")->setText(" Cristobalite ");
    dialog->atomList().selectRow(1);
    nextAtom = cristobalite().atoms[1]; // an atom opened and confirmed as it was
    dialog->atomList().editSelectedAtom();
    EXPECT_FALSE(dialog->isModified());

    field("a")->setText("4.98");
    prompt.answers = {MessageAnswer::Yes};
    dialog->accept();
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], (Message{kOkQuestion, "", MessageIcon::Question,
                                           MessageButtons::YesNo, MessageAnswer::Yes}));
    EXPECT_EQ(dialog->result(), QDialog::Rejected); // Yes: back to save a copy

    field("a")->setText("4.9717");
    dialog->atomList().selectRow(0);
    dialog->atomList().deleteSelectedAtom();
    addAtom(cristobalite().atoms[0]); // the atoms differ only in order now
    prompt.answers = {MessageAnswer::No};
    dialog->accept();
    EXPECT_EQ(prompt.messages.size(), 2u);
    ASSERT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->editedStructure()->atoms.front().element, 8);
}

TEST_F(StructureEditor, ImportReplacesEverythingAndCountsAsUnchanged) {
    open(cristobalite());
    chooser.answers = {quartzFile()};
    dialog->importFile();
    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0].title, "Open A Crystal Structure File");
    EXPECT_EQ(chooser.offered[0].filter, "Crystal Structure Files (*.struct);;Crystallographic "
                                         "Information Files (*.cif);;All Files (*)");
    EXPECT_EQ(chooser.offered[0].defaultSuffix, "struct");
    EXPECT_EQ(chooser.offered[0].initialPath, QString::fromStdString(dir.path()));
    EXPECT_EQ(field("crystalName")->text(), "Quartz  low");
    EXPECT_EQ(field("gamma")->text(), "120");
    EXPECT_EQ(field("thermalExpansion")->text(), "12.3");
    ASSERT_EQ(dialog->atomList().rowCount(), 10);
    EXPECT_EQ(dialog->atomList().item(3, 1)->text(), "O"); // the file's order, not grouped
    EXPECT_EQ(dialog->atomList().item(9, 0)->text(), "10");
    EXPECT_FALSE(dialog->isModified());

    dialog->accept();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(*dialog->editedStructure(), importStructure(quartzFile().toStdString()).value());
}

TEST_F(StructureEditor, ImportAsksAfterAtomChangesAndAFailureChangesNothing) {
    open(cristobalite());
    field("a")->setText("6");
    dialog->importFile(); // a field change asks nothing; the file dialog is cancelled
    EXPECT_TRUE(prompt.messages.empty());

    addAtom(kOxygen);
    prompt.answers = {MessageAnswer::Yes};
    dialog->importFile();
    EXPECT_EQ(prompt.messages.at(0), (Message{kImportQuestion, "", MessageIcon::Question,
                                              MessageButtons::YesNo, MessageAnswer::Yes}));
    EXPECT_EQ(chooser.offered.size(), 1u); // Yes: back to save first

    const std::string broken = dir.write("broken.struct", "Broken\n4 5 6\n90 90 90\n");
    prompt.answers = {MessageAnswer::No};
    chooser.answers = {QString::fromStdString(broken)};
    dialog->importFile();
    EXPECT_EQ(prompt.messages.back().caption, "Error in Reading Structure File");
    EXPECT_EQ(lastMessage().rfind(broken + "\nXtalsp cannot read this file.", 0), 0u);
    EXPECT_EQ(field("crystalName")->text(), "Cristobalite");
    EXPECT_EQ(field("a")->text(), "6");
    EXPECT_EQ(dialog->atomList().atoms().back(), kOxygen);
    EXPECT_TRUE(dialog->isModified());

    dialog->reject(); // Cancel discards everything
    EXPECT_EQ(dialog->editedStructure(), std::nullopt);
}

TEST_F(StructureEditor, ImportFindsAndNamesFilesInNonAsciiFolders) {
    open(cristobalite());
    const QString folder = QString::fromStdString(dir.path()) + QString::fromUtf8("/Pr\u00FCfung");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(QFile::copy(quartzFile(), folder + "/quartz.struct"));
    chooser.answers = {folder + "/quartz.struct",
                       folder + QString::fromUtf8("/Z\u00FCrich.struct")};
    dialog->importFile();
    EXPECT_EQ(dialog->atomList().atomCount(), 9);
    dialog->importFile(); // no such file; the message carries Windows-1252 text
    EXPECT_EQ(lastMessage(), "Xtalsp cannot open the file  Z\xFCrich.struct !  ");
}

TEST_F(StructureEditor, ImportsCifFilesAndAsksForTheirBlock) {
    open(cristobalite());
    for (const char* stem : {"rutile", "corundum", "nacl", "magnesium", "monazite", "quartz"}) {
        const std::string path = std::string(test::kExamplesDir) + "/" + stem + ".cif";
        chooser.answers = {QString::fromStdString(path)};
        dialog->importFile();
        const Result<CifStructure> expected = importCifStructure(path);
        ASSERT_TRUE(expected.ok());
        EXPECT_EQ(lastMessage(), describeCifImport(expected.value()));
        // The list holds what its cells show, ten decimals at most.
        const std::vector<AtomSite> shown = dialog->atomList().atoms();
        const std::vector<AtomSite>& read = expected.value().structure.atoms;
        ASSERT_EQ(shown.size(), read.size()) << stem;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i].element, read[i].element);
            EXPECT_NEAR(shown[i].x + shown[i].y + shown[i].z, read[i].x + read[i].y + read[i].z,
                        1e-9);
        }
    }
    EXPECT_EQ(field("crystalName")->text(), "alpha-Quartz");
    EXPECT_FALSE(dialog->isModified());

    const std::string twoBlocks =
        dir.write("two.cif", "data_one\n_cell_length_a 3\n_cell_length_b 3\n_cell_length_c 3\n"
                             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                             "_atom_site_fract_z\nNa1 0 0 0\n"
                             "data_two\n_cell_length_a 4\n_cell_length_b 4\n_cell_length_c 4\n"
                             "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n"
                             "_atom_site_fract_z\nCl1 0 0 0\nCl2 0.5 0.5 0.5\n");
    QStringList offeredBlocks;
    std::optional<QString> choice = "two";
    dialog->setBlockChooser([&](const QStringList& blocks) {
        offeredBlocks = blocks;
        return choice;
    });
    chooser.answers = {QString::fromStdString(twoBlocks)};
    dialog->importFile();
    EXPECT_EQ(offeredBlocks, QStringList({"one", "two"}));
    EXPECT_EQ(field("crystalName")->text(), "two");
    EXPECT_EQ(dialog->atomList().atomCount(), 2);

    // Cancelling the choice, or a broken file, changes nothing.
    const std::size_t messages = prompt.messages.size();
    choice.reset();
    chooser.answers = {QString::fromStdString(twoBlocks),
                       QString::fromStdString(dir.write("bad.cif", "data_x\nloop_\n"))};
    dialog->importFile();
    EXPECT_EQ(prompt.messages.size(), messages);
    dialog->importFile();
    EXPECT_EQ(lastMessage(), "bad.cif: syntax error in line 3:1: parse error");
    EXPECT_EQ(field("a")->text(), "4");
    EXPECT_EQ(dialog->atomList().atomCount(), 2);
}

TEST_F(StructureEditor, RefusesArchivedAtomsOutsideTheCell) {
    ArchiveWriter out;
    out.writeString("Far atom");
    for (const double value : {4.0, 4.0, 4.0, 90.0, 90.0, 90.0})
        out.writeDouble(value);
    out.writeInt32(2);
    for (const double z : {0.0, 3.5}) {
        out.writeInt32(29);
        for (const double coordinate : {0.5, 0.5, z})
            out.writeDouble(coordinate);
    }
    open(cristobalite());
    chooser.answers = {QString::fromStdString(dir.write("far.structure", out.bytes()))};
    dialog->importFile();
    ASSERT_EQ(dialog->atomList().atomCount(), 2);
    dialog->saveCopy();
    dialog->accept();
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(lastMessage(), "Please enter a number between -1 and 2.");
    EXPECT_EQ(chooser.offered.size(), 1u); // no save dialog
    EXPECT_EQ(dialog->atomList().selectedRow(), 1);
    EXPECT_EQ(QApplication::focusWidget(), &dialog->atomList());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(StructureEditor, SaveACopyChecksFirstThenWritesAndClearsTheChanges) {
    open(cristobalite());
    field("crystalName")->setText("");
    dialog->saveCopy();
    EXPECT_EQ(lastMessage(), "Please enter a crystal name!   ");
    EXPECT_TRUE(chooser.offered.empty());

    field("crystalName")->setText("Low cristobalite ");
    field("a")->setText("5");
    addAtom(kOxygen);
    dialog->saveCopy(); // cancelled
    EXPECT_TRUE(dialog->isModified());
    chooser.answers = {QString::fromStdString(dir.file("missing/copy.struct"))};
    dialog->saveCopy();
    EXPECT_EQ(lastMessage(),
              "Xtalsp cannot create the file   " + dir.file("missing/copy.struct") + " !");
    EXPECT_TRUE(dialog->isModified());

    chooser.answers = {QString::fromStdString(dir.file("copy.struct"))};
    dialog->saveCopy();
    const FileDialogSpec& offered = chooser.offered.back();
    EXPECT_EQ(offered.title, "Save Crystal Structure");
    EXPECT_EQ(offered.filter, "Structure File (*.struct);;All Files (*)");
    EXPECT_EQ(offered.defaultSuffix, "struct");
    EXPECT_EQ(offered.initialPath, QString::fromStdString(dir.path()) + "/Low cristobalite");
    EXPECT_TRUE(offered.confirmOverwrite);
    FlatStructure expected = cristobalite();
    expected.name = "Low cristobalite";
    expected.a = 5.0;
    expected.atoms.push_back(kOxygen);
    EXPECT_EQ(dir.read("copy.struct"), writeStructureText(expected));
    EXPECT_FALSE(dialog->isModified());

    const std::size_t messages = prompt.messages.size();
    dialog->accept(); // saved: nothing to ask
    EXPECT_EQ(prompt.messages.size(), messages);
    EXPECT_EQ(*dialog->editedStructure(), expected);
}

} // namespace
} // namespace xtalsp::gui
