#include "gui/spectrum/spectrumdlg.h"

#include "core/spectrum/builtinspectrum.h"
#include "core/spectrum/spectrumfile.h"
#include "core/spectrum/spectrumtext.h"
#include "core/text/numbertext.h"
#include "gui/shell/qtplatform.h"
#include "gui/spectrum/spectrumlistctrl.h"
#include "gui/spectrum/spectrumplot.h"
#include "gui/spectrum/tubedlg.h"
#include "gui/support/scriptedfilechooser.h"
#include "support/localetest.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"

#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>

namespace xtalsp::gui {
namespace {

const char* const kSaveQuestion = "Do you want to save the spectrum as a file for later use?\n"
                                  "If yes, select Yes and go back to save it.";
const char* const kImportQuestion = "Do you want to save a copy of the current spectrum?\n"
                                    "If yes, select Yes and go back to save it.";
const char* const kInvalid = "At least one item should be greater than 1e-8.\n"
                             "Please check the spectrum data again!";

// A normalised spectrum with 0.5 at 1.00 Angstrom.
Spectrum startSpectrum() {
    Spectrum spectrum;
    spectrum.intensity[80] = 1.0;
    spectrum.intensity[100] = 0.5;
    spectrum.intensity[120] = 0.25;
    return spectrum;
}

QString qpath(const std::string& path) {
    return QString::fromStdString(path);
}

double readDoubleAt(const std::string& bytes, std::size_t offset) {
    double value = 0.0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// An open editor over a temporary application directory with scripted answers; the change
// intensity dialog is replaced by a script too.
class SpectrumEditor : public ::testing::Test {
protected:
    void open(const Spectrum& start = startSpectrum()) {
        dialog = std::make_unique<CSpectrumDlg>(start, qpath(dir.path()), prompt, chooser);
        dialog->setIntensityEntry([this](int row, double intensity) -> std::optional<double> {
            asked.emplace_back(row, intensity);
            if (entries.empty())
                return std::nullopt;
            const std::optional<double> entry = entries.front();
            entries.pop_front();
            return entry;
        });
    }
    void SetUp() override { open(); }

    CSpectrumListCtrl& list() { return *dialog->list(); }
    QString cell(int row, int column) { return list().item(row, column)->text(); }
    void changeRow(int row, std::optional<double> entry) {
        list().selectRow(row);
        entries.push_back(entry);
        dialog->changeIntensity();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Message& message : prompt.messages)
            all.push_back(message.text);
        return all;
    }

    test::TempDir dir;
    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    std::unique_ptr<CSpectrumDlg> dialog;
    std::vector<std::pair<int, double>> asked;
    std::deque<std::optional<double>> entries;
};

TEST_F(SpectrumEditor, OpensWithTheRowsOfTheSpectrum) {
    open(builtinSpectrum());
    EXPECT_EQ(dialog->windowTitle(), "Define or Change Spectrum");
    EXPECT_FALSE(dialog->isModified());
    ASSERT_EQ(list().rowCount(), 301);
    ASSERT_EQ(list().columnCount(), 2);
    EXPECT_EQ(cell(0, 0), "0.00");
    EXPECT_EQ(cell(300, 0), "3.00");
    EXPECT_EQ(cell(80, 1), "1");
    EXPECT_EQ(cell(81, 1), "0.9948");
    EXPECT_EQ(cell(209, 1), "0.0001");
    EXPECT_EQ(list().columnWidth(0), 70);
    EXPECT_EQ(list().selectedRow(), -1);

    QStringList labels;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(fromCp1252("Wavelength (\xC5)")));
    EXPECT_TRUE(labels.contains("Intensity (a.u.)"));
    QStringList buttons;
    for (const QPushButton* button : dialog->findChildren<QPushButton*>())
        buttons << button->text();
    for (const char* text :
         {"&Import...", "Save as &Default", "&Save a Copy as...", "OK", "Cancel"})
        EXPECT_TRUE(buttons.contains(text)) << text;

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    EXPECT_EQ(list().columnWidth(1), list().width() - 92);
    dialog->hide();
}

TEST_F(SpectrumEditor, OkHandsBackTheNormalisedCopyWithoutAsking) {
    Spectrum start;
    start.intensity[10] = 4.0;
    start.intensity[20] = 1.0;
    open(start);
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog->spectrum().intensity[10], 1.0);
    EXPECT_EQ(dialog->spectrum().intensity[20], 0.25);
}

TEST_F(SpectrumEditor, ChangedEntryShowsInListAndPlotAndMakesOkAsk) {
    changeRow(100, 0.5);          // unchanged
    changeRow(100, std::nullopt); // cancelled
    EXPECT_EQ(asked, (std::vector<std::pair<int, double>>{{100, 0.5}, {100, 0.5}}));
    EXPECT_FALSE(dialog->isModified());

    changeRow(100, 2.0);
    EXPECT_TRUE(dialog->isModified());
    EXPECT_EQ(dialog->spectrum().intensity[100], 2.0);
    EXPECT_EQ(cell(100, 1), "2");

    // The plot now peaks at 1.00 Angstrom at 99 % of its height.
    SpectrumPlot& plot = *dialog->plot();
    const PlotArea area = plot.plotArea();
    const QImage image = plot.grab().toImage();
    const int peakY = area.bottom - static_cast<int>(area.height() * 0.99) - 1;
    EXPECT_EQ(image.pixelColor(area.left + 100 * area.width() / 300, peakY), QColor(255, 0, 0));

    prompt.answers = {MessageAnswer::Yes};
    dialog->accept();
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0], (Message{kSaveQuestion, "", MessageIcon::Question,
                                           MessageButtons::YesNo, MessageAnswer::Yes}));

    prompt.answers = {MessageAnswer::No};
    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    Spectrum expected = startSpectrum();
    expected.intensity[80] = 0.5;
    expected.intensity[100] = 1.0;
    expected.intensity[120] = 0.125;
    EXPECT_EQ(dialog->spectrum(), expected);
}

TEST_F(SpectrumEditor, EditIsAskedFromKeyDoubleClickAndMenuOnlyWithASelection) {
    dialog->changeIntensity();
    QTest::keyClick(&list(), Qt::Key_E);
    EXPECT_TRUE(asked.empty());

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    list().selectRow(3);
    QTest::keyClick(&list(), Qt::Key_E);
    QTest::keyClick(&list(), Qt::Key_E, Qt::ControlModifier);
    const std::unique_ptr<QMenu> menu = list().createContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "&Edit\t^E/ Dblclk");
    menu->actions()[0]->trigger();
    const QRect row = list().visualRect(list().model()->index(7, 1));
    // The view takes a double click only on the row its first click pressed.
    QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, row.center());
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].first, 3);
    EXPECT_EQ(asked[2].first, 3);
    EXPECT_EQ(asked[3].first, 7);
    dialog->hide();
}

TEST_F(SpectrumEditor, EmptySpectrumIsRefusedOnOkWhileCancelCloses) {
    for (const int row : {80, 100, 120})
        changeRow(row, 0.0);
    prompt.answers = {MessageAnswer::No};
    dialog->accept();
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(texts(), (std::vector<std::string>{kSaveQuestion, kInvalid}));
    dialog->reject();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(prompt.messages.size(), 2u);
}

TEST_F(SpectrumEditor, ImportsATextFileAndWarnsAboutTheCount) {
    std::string text = "# 150 items\n";
    for (int i = 0; i < 150; ++i)
        text += formatFixed(i * 0.01, 4, 2) + "\t" + formatInt(i) + "\n";
    const std::string path = dir.write("short.dat", text);
    chooser.answers = {qpath(path)};
    dialog->importSpectrum();

    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0].title, "Import Spectrum");
    EXPECT_EQ(chooser.offered[0].filter,
              "Spectrum Files (*.Spectrum);;Text Files (*.dat);;All Files (*)");
    EXPECT_EQ(chooser.offered[0].defaultSuffix, "Spectrum");
    EXPECT_EQ(chooser.offered[0].initialPath, qpath(dir.path()));
    EXPECT_EQ(texts(), (std::vector<std::string>{"150 valid items found in " + path +
                                                 ". Please check the data!"}));
    EXPECT_EQ(dialog->spectrum().intensity[149], 149.0);
    EXPECT_EQ(dialog->spectrum().intensity[150], 0.0);
    EXPECT_EQ(cell(120, 1), "120");
    EXPECT_TRUE(dialog->isModified());

    prompt.answers = {MessageAnswer::Yes};
    dialog->accept();
    EXPECT_EQ(prompt.messages.back().text, kSaveQuestion);
}

TEST_F(SpectrumEditor, ImportingASpectrumFileClearsTheModifiedFlag) {
    Spectrum stored;
    stored.intensity[200] = 3.0;
    const std::string path = dir.file("beam.SPECTRUM");
    ASSERT_TRUE(writeSpectrumFile(path, stored).ok());
    changeRow(100, 2.0);

    // Yes goes back to save first; the file dialog never opens.
    prompt.answers = {MessageAnswer::Yes};
    dialog->importSpectrum();
    EXPECT_TRUE(chooser.offered.empty());
    EXPECT_EQ(dialog->spectrum().intensity[100], 2.0);

    prompt.answers = {MessageAnswer::No};
    chooser.answers = {qpath(path)};
    dialog->importSpectrum();
    EXPECT_EQ(texts(), (std::vector<std::string>{kImportQuestion, kImportQuestion}));
    EXPECT_FALSE(dialog->isModified());
    EXPECT_EQ(dialog->spectrum().intensity[200], 1.0); // the file holds normalised values
    EXPECT_EQ(cell(100, 1), "0");

    dialog->accept();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(prompt.messages.size(), 2u);
}

TEST_F(SpectrumEditor, FailedImportsLeaveTheEditorAsItWas) {
    changeRow(100, 2.0);
    const Spectrum before = dialog->spectrum();
    const std::string wrongCase =
        dir.write("a.Spectrum", "\x14xtalspotter.spectrum" + std::string(2408, '\0'));
    const std::string noItems = dir.write("c.dat", "# nothing\n1.5\n");
    const std::string missing = dir.file("missing.dat");
    for (const std::string& path : {wrongCase, noItems, missing}) {
        prompt.answers = {MessageAnswer::No};
        chooser.answers = {qpath(path)};
        dialog->importSpectrum();
    }
    prompt.answers = {MessageAnswer::No};
    dialog->importSpectrum(); // file dialog cancelled
    EXPECT_EQ(texts(), (std::vector<std::string>{
                           kImportQuestion, "Cannot recognize the file format!", kImportQuestion,
                           "No valid items found in " + noItems + ".", kImportQuestion,
                           "Failed to open " + missing + "!", kImportQuestion}));
    EXPECT_EQ(prompt.messages[1].caption, "Import Spectrum File...");
    EXPECT_EQ(prompt.messages[1].icon, MessageIcon::Stop);
    EXPECT_EQ(dialog->spectrum(), before);
    EXPECT_EQ(cell(100, 1), "2");
    EXPECT_TRUE(dialog->isModified());
}

TEST_F(SpectrumEditor, GeneratesATubeSpectrumAfterTheImportQuestion) {
    const TubeSettings molybdenum{42, 50.0, true, 0.5};
    std::vector<TubeSettings> offered;
    std::optional<TubeSettings> answer = molybdenum;
    dialog->setTubeEntry([&](const TubeSettings& last) {
        offered.push_back(last);
        return answer;
    });
    dialog->tubeButton()->click();
    EXPECT_EQ(dialog->spectrum(), tubeSpectrum(molybdenum).value());
    EXPECT_EQ(cell(71, 1), "1");
    EXPECT_TRUE(dialog->isModified());

    // The next time starts from the last tube; Yes to the question goes back, Cancel keeps all.
    prompt.answers = {MessageAnswer::Yes, MessageAnswer::No};
    dialog->generateFromTube();
    EXPECT_EQ(offered.size(), 1u);
    answer.reset();
    dialog->generateFromTube();
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[1], molybdenum);
    EXPECT_EQ(dialog->spectrum(), tubeSpectrum(molybdenum).value());

    // The dialog's controls hold the settings they were given.
    EXPECT_EQ(TubeDlg(molybdenum).settings(), molybdenum);
}

TEST_F(SpectrumEditor, SavesACopyAsSpectrumFileOrDatText) {
    Spectrum start;
    start.intensity[100] = 5.0;
    start.intensity[50] = 2.5;
    open(start);
    changeRow(50, 1.0);
    chooser.answers = {qpath(dir.file("copy.DAT"))};
    dialog->saveCopy();
    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0].title, "Save the spectrum as...");
    EXPECT_EQ(chooser.offered[0].defaultSuffix, "Spectrum");
    EXPECT_EQ(chooser.offered[0].initialPath, qpath(dir.path()));
    EXPECT_TRUE(chooser.offered[0].confirmOverwrite);
    const std::string dat = dir.read("copy.DAT");
    EXPECT_TRUE(dat.starts_with(
        "# Text format spectrum file\r\n\r\n# Wavelength\tIntensity\r\n\r\n0.00\t0\r\n"));
    EXPECT_NE(dat.find("\r\n0.50\t0.2\r\n"), std::string::npos);
    EXPECT_TRUE(dat.ends_with("\r\n3.00\t0\r\n"));
    EXPECT_TRUE(dialog->isModified()); // a text copy is no spectrum file

    chooser.answers = {qpath(dir.file("copy.Spectrum"))};
    dialog->saveCopy();
    const std::string bytes = dir.read("copy.Spectrum");
    ASSERT_EQ(bytes.size(), 2429u);
    EXPECT_EQ(bytes.substr(0, 21), "\x14Xtalspotter.Spectrum");
    EXPECT_EQ(readDoubleAt(bytes, 21 + 100 * 8), 1.0);
    EXPECT_EQ(readDoubleAt(bytes, 21 + 50 * 8), 0.2);
    EXPECT_FALSE(dialog->isModified());
    EXPECT_EQ(dialog->spectrum().intensity[100], 5.0); // the copy itself is not normalised
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(SpectrumEditor, FilesInNonAsciiFoldersAreWrittenReadAndNamedReadably) {
    const QString folder = qpath(dir.path()) + QString::fromUtf8("/M\u00fcller");
    ASSERT_TRUE(QDir().mkpath(folder));
    dialog = std::make_unique<CSpectrumDlg>(startSpectrum(), folder, prompt, chooser);
    chooser.answers = {folder + "/copy.Spectrum", folder + "/copy.Spectrum"};
    dialog->saveCopy();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_TRUE(QFileInfo::exists(folder + "/copy.Spectrum"));
    dialog->importSpectrum();
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_FALSE(dialog->isModified());

    prompt.answers = {MessageAnswer::Yes};
    dialog->saveAsDefault();
    EXPECT_TRUE(QFileInfo::exists(folder + "/Default.Spectrum"));
    ASSERT_EQ(prompt.messages.size(), 1u);
    // The question names the folder as the user reads it (Windows-1252 text).
    EXPECT_NE(prompt.messages[0].text.find("M\xFCller"), std::string::npos);
}

TEST_F(SpectrumEditor, FailedSavesAreReportedAndKeepTheFlag) {
    changeRow(100, 2.0);
    chooser.answers = {qpath(dir.file("no/such/dir/copy.Spectrum"))};
    dialog->saveCopy();
    ASSERT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(prompt.messages[0].text, "Error occured in saving spectrum!");
    EXPECT_EQ(prompt.messages[1],
              (Message{"Saving spectrum failed!", "Xtalspotter", MessageIcon::Stop}));
    EXPECT_TRUE(dialog->isModified());

    prompt.messages.clear();
    for (const int row : {80, 100, 120})
        changeRow(row, 0.0);
    chooser.answers = {qpath(dir.file("empty.Spectrum")), qpath(dir.file("empty.dat"))};
    dialog->saveCopy();
    dialog->saveCopy();
    EXPECT_EQ(texts(), (std::vector<std::string>{kInvalid, "Saving spectrum failed!", kInvalid}));
    EXPECT_EQ(dir.read("empty.Spectrum"), "");
    EXPECT_EQ(dir.read("empty.dat"), "");
}

TEST_F(SpectrumEditor, SaveAsDefaultAsksFirst) {
    changeRow(100, 2.0);
    const std::string target = dir.file("Default.Spectrum");
    dialog->saveAsDefault(); // the default answer is No
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              (Message{"This will overwrite " + target + ".\nDo you want to continue?",
                       "Just remind you...", MessageIcon::Question, MessageButtons::YesNo,
                       MessageAnswer::No}));
    EXPECT_EQ(dir.read("Default.Spectrum"), "");
    EXPECT_TRUE(dialog->isModified());

    prompt.answers = {MessageAnswer::Yes};
    dialog->saveAsDefault();
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_FALSE(dialog->isModified());
    const Result<Spectrum> saved = readSpectrumFile(target);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.value().intensity[100], 1.0);
    EXPECT_EQ(saved.value().intensity[80], 0.5);
}

TEST_F(SpectrumEditor, FailedSaveAsDefaultNamesTheTarget) {
    const std::string gone = dir.file("gone");
    dialog = std::make_unique<CSpectrumDlg>(startSpectrum(), qpath(gone), prompt, chooser);
    prompt.answers = {MessageAnswer::Yes};
    dialog->saveAsDefault();
    const std::string target = gone + "/Default.Spectrum";
    EXPECT_EQ(texts(),
              (std::vector<std::string>{
                  "This will overwrite " + target + ".\nDo you want to continue?",
                  "Error occured in saving spectrum!", "Saving to " + target + " Failed!"}));
}

TEST_F(SpectrumEditor, NumbersIgnoreACommaDecimalLocale) {
    XTALSP_ENTER_COMMA_LOCALE(locale);
    open(builtinSpectrum());
    EXPECT_EQ(cell(81, 0), "0.81");
    EXPECT_EQ(cell(81, 1), "0.9948");
    chooser.answers = {qpath(dir.file("builtin.dat"))};
    dialog->saveCopy();
    EXPECT_NE(dir.read("builtin.dat").find("\r\n0.81\t0.9948\r\n"), std::string::npos);
    chooser.answers = {qpath(dir.file("builtin.dat"))};
    dialog->importSpectrum(); // all 301 entries: no warning
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(dialog->spectrum(), builtinSpectrum());
}

} // namespace
} // namespace xtalsp::gui
