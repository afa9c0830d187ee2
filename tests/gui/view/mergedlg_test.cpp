#include "gui/view/mergedlg.h"

#include "gui/support/scriptedfilechooser.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

using gui::CMergeDlg;

class MergeDialog : public ::testing::Test {
protected:
    // Shown and active, so that a refusal can move the keyboard focus.
    void showActive() {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    }
    void fill(const QString& output, const QString& file1, const QString& file2) {
        dialog.outputEdit()->setText(output);
        dialog.file1Edit()->setText(file1);
        dialog.file2Edit()->setText(file2);
    }
    // OK must refuse with the warning and leave the focus in the named box.
    void expectRefused(const std::string& text, QLineEdit* box) {
        const std::size_t before = prompt.messages.size();
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(prompt.messages.size(), before + 1);
        EXPECT_EQ(prompt.messages.back().text, text);
        EXPECT_EQ(prompt.messages.back().icon, MessageIcon::Exclamation);
        EXPECT_EQ(QApplication::focusWidget(), box);
    }

    test::ScriptedFileChooser chooser;
    test::RecordingPrompt prompt;
    CMergeDlg dialog{chooser, prompt};
};

TEST_F(MergeDialog, StartsEmptyWithGreyLevelsForBothFiles) {
    EXPECT_EQ(dialog.windowTitle(), "Select Files to Merge with the Current Pattern");
    for (QLineEdit* box : {dialog.outputEdit(), dialog.file1Edit(), dialog.file2Edit()})
        EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(dialog.colourButton(1, MergeGreyLevels)->isChecked());
    EXPECT_TRUE(dialog.colourButton(2, MergeGreyLevels)->isChecked());
    // Each file's colours are a group of their own, with mnemonics that do not clash.
    const QStringList captions = {"&Gray or Black",  "&Red", "&Blue",
                                  "Gray &or &Black", "R&ed", "Bl&ue"};
    for (int file = 1; file <= 2; ++file) {
        for (int colour = 0; colour < 3; ++colour)
            EXPECT_EQ(dialog.colourButton(file, colour)->text(), captions[(file - 1) * 3 + colour]);
    }
    dialog.colourButton(1, MergeRed)->setChecked(true);
    EXPECT_TRUE(dialog.colourButton(2, MergeGreyLevels)->isChecked());
}

TEST_F(MergeDialog, OkChecksOutputThenFile1ThenADifferentFile2) {
    showActive();
    expectRefused("Please select an output file.", dialog.outputEdit());
    fill("   ", "a.mrg", "");
    expectRefused("Please select an output file.", dialog.outputEdit());
    fill("out.wmf", "  ", "b.mrg");
    expectRefused("Please select a merging file.", dialog.file1Edit());
    fill("out.wmf", "a.mrg", " a.mrg ");
    expectRefused("Please select a different file.", dialog.file2Edit());

    // The comparison is by character: another letter case is another file.
    fill("out.wmf", "a.mrg", "A.MRG");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.request().file2, "A.MRG");

    // The second file is optional.
    CMergeDlg second{chooser, prompt};
    second.outputEdit()->setText("out.wmf");
    second.file1Edit()->setText("a.mrg");
    second.file2Edit()->setText("   ");
    second.accept();
    EXPECT_EQ(second.result(), QDialog::Accepted);
    EXPECT_EQ(second.request().file2, "");
}

TEST_F(MergeDialog, HandsBackTrimmedPathsAndColours) {
    fill("  /tmp/merged.wmf ", " /tmp/first.mrg", "/tmp/second.mrg  ");
    dialog.colourButton(1, MergeRed)->setChecked(true);
    dialog.colourButton(2, MergeBlue)->setChecked(true);
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog.request(), (MergeRequest{"/tmp/merged.wmf", "/tmp/first.mrg", MergeRed,
                                              "/tmp/second.mrg", MergeBlue}));
}

TEST_F(MergeDialog, OutputMustNotReplaceAMergingFile) {
    // The picture is created before the files are read: it would destroy the file it names.
    const test::TempDir folder;
    const QString file = QString::fromStdString(folder.write("pattern.mrg", "merging file"));
    const QString sameFile = QString::fromStdString(folder.path() + "/./pattern.mrg");
    showActive();
    fill(sameFile, file, "");
    expectRefused("Please select a different output file.", dialog.outputEdit());
    fill(" other.mrg ", file, "other.mrg");
    expectRefused("Please select a different output file.", dialog.outputEdit());
    EXPECT_EQ(folder.read("pattern.mrg"), "merging file");
}

TEST_F(MergeDialog, BrowseButtonsFillTheirBoxesAndCancelLeavesThem) {
    chooser.answers = {"/pictures/merged.svg", "/patterns/one.mrg", "/patterns/two.mrg"};
    QTest::mouseClick(dialog.outputBrowseButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.file1BrowseButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.file2BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.outputEdit()->text(), "/pictures/merged.svg");
    EXPECT_EQ(dialog.file1Edit()->text(), "/patterns/one.mrg");
    EXPECT_EQ(dialog.file2Edit()->text(), "/patterns/two.mrg");

    ASSERT_EQ(chooser.offered.size(), 3u);
    EXPECT_EQ(chooser.offered[0].title, "Output Windows metafile");
    EXPECT_EQ(chooser.offered[0].defaultSuffix, "wmf");
    EXPECT_EQ(chooser.offered[2].title, "Select a file for merging");
    EXPECT_EQ(chooser.offered[2].defaultSuffix, "mrg");

    // No more answers: every dialog is cancelled.
    for (QPushButton* browse :
         {dialog.outputBrowseButton(), dialog.file1BrowseButton(), dialog.file2BrowseButton()})
        QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(dialog.outputEdit()->text(), "/pictures/merged.svg");
    EXPECT_EQ(dialog.file1Edit()->text(), "/patterns/one.mrg");
    EXPECT_EQ(dialog.file2Edit()->text(), "/patterns/two.mrg");
}

TEST_F(MergeDialog, F1AsksForHelp) {
    showActive();
    int requests = 0;
    QObject::connect(&dialog, &CMergeDlg::helpRequested, [&requests] { ++requests; });
    QTest::keyClick(&dialog, Qt::Key_F1);
    EXPECT_EQ(requests, 1);
}

} // namespace
} // namespace xtalsp
