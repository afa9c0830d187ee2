#include "gui/shell/xtalspapp.h"

#include "core/structure/samplestructure.h"
#include "gui/shell/childframe.h"
#include "gui/shell/commandids.h"
#include "gui/shell/mainframe.h"
#include "gui/support/fakeviewhost.h"
#include "gui/support/qtprinters.h"
#include "gui/support/scripteddocumentdialogs.h"
#include "gui/support/scriptedfilechooser.h"
#include "gui/view/xtalspview.h"
#include "support/editinputs.h"
#include "support/recordingprompt.h"
#include "support/silicon.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace xtalsp::gui {
namespace {

const QString kExamples = QString::fromUtf8(test::kExamplesDir);

class Application : public ::testing::Test {
protected:
    Application()
        : app(store, prompt, chooser, dialogs, documentDialogs,
              QString::fromStdString(dir.path())) {}

    CMainFrame& frame() { return *app.mainFrame(); }
    QStringList menuTitles() {
        QStringList titles;
        for (QAction* menu : frame().menuBar()->actions())
            titles << menu->text();
        return titles;
    }
    QStringList itemTexts(int menuIndex) {
        QStringList texts;
        for (QAction* item : frame().menuBar()->actions()[menuIndex]->menu()->actions()) {
            if (item->isVisible())
                texts << (item->isSeparator() ? QString("-") : item->text());
        }
        return texts;
    }
    void typeIntoZoomBox(const QString& text) {
        QLineEdit* edit = frame().zoomBox()->lineEdit();
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

    test::TempDir dir;
    MemorySettingsStore store;
    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    test::ScriptedViewDialogs dialogs;
    test::ScriptedDocumentDialogs documentDialogs;
    CXtalspApp app;
};

TEST(CommandLine, NewOpenAndPrint) {
    EXPECT_EQ(parseCommandLine({}).action, CommandLine::Action::NewPattern);
    const CommandLine open = parseCommandLine({"a.ptn"});
    EXPECT_EQ(open.action, CommandLine::Action::Open);
    EXPECT_EQ(open.path, "a.ptn");
    for (const char* printSwitch : {"/p", "/P", "-p", "--print"}) {
        const CommandLine print = parseCommandLine({printSwitch, "b.ptn"});
        EXPECT_EQ(print.action, CommandLine::Action::Print) << printSwitch;
        EXPECT_EQ(print.path, "b.ptn");
    }
}

TEST(CommandLine, SwitchesFilesAndMistakes) {
    const CommandLine absolute = parseCommandLine({"/no/such/folder/a.ptn"});
    EXPECT_EQ(absolute.action, CommandLine::Action::Open);
    EXPECT_EQ(absolute.path, "/no/such/folder/a.ptn");
    EXPECT_EQ(parseCommandLine({"--help"}).action, CommandLine::Action::Usage);
    EXPECT_EQ(parseCommandLine({"--bogus", "a.ptn"}).action, CommandLine::Action::Invalid);
    EXPECT_EQ(parseCommandLine({"/p"}).action, CommandLine::Action::Invalid);
}

TEST_F(Application, CommandLineFailuresEndWithAnErrorStatus) {
    EXPECT_FALSE(app.InitInstance({"/no/such/folder/a.ptn"}));
    EXPECT_EQ(app.exitStatus(), 1);
    EXPECT_EQ(prompt.messages.size(), 1u); // the missing file is reported

    const std::string structure = dir.write("Mine.struct", kSampleStructureText);
    CXtalspApp printing(store, prompt, chooser, dialogs, documentDialogs,
                        QString::fromStdString(dir.path()));
    EXPECT_FALSE(printing.InitInstance({"/p", QString::fromStdString(structure)}));
    EXPECT_EQ(printing.exitStatus(), 1); // nothing printable, whatever printers there are

    CXtalspApp usage(store, prompt, chooser, dialogs, documentDialogs,
                     QString::fromStdString(dir.path()));
    EXPECT_FALSE(usage.InitInstance({"--help"}));
    EXPECT_EQ(usage.exitStatus(), 0);
    EXPECT_EQ(usage.mainFrame(), nullptr);
}

TEST_F(Application, StartsWithANewPatternShowingTheWholeFilm) {
    ASSERT_TRUE(app.InitInstance({}));
    ASSERT_EQ(app.documents().size(), 1u);
    EXPECT_EQ(app.documentTitle(*app.documents()[0]), "Xtalsp1");
    EXPECT_EQ(frame().pos(), QPoint(0, 0));
    // The 20 x 15 cm film at 100 %, as far as the screen allows.
    QApplication::processEvents();
    const QSize screen = frame().screen()->availableSize();
    const QSize film = frame().activeView()->contentSize();
    const QSize shown = frame().activeView()->viewport()->size();
    const QSize outer = frame().frameGeometry().size();
    EXPECT_LE(outer.width(), screen.width());
    EXPECT_LE(outer.height(), screen.height());
    EXPECT_TRUE(shown.width() >= film.width() || outer.width() == screen.width());
    EXPECT_TRUE(shown.height() >= film.height() || outer.height() == screen.height());
    EXPECT_GT(frame().width(), 639);
    EXPECT_EQ(dir.read("Sample.struct").size(), 713u);
    EXPECT_EQ(dir.read("Default.Spectrum").size(), 2429u);
    ASSERT_EQ(prompt.messages.size(), 1u); // the new default spectrum is announced
    EXPECT_EQ(menuTitles(), (QStringList{"&File", "&Edit", "&Setting", "&Intensity", "&View",
                                         "I&mage", "&Window", "&Help"}));
    EXPECT_EQ(frame().paneText(PatternPane), "Define or import a structure to continue...");
    EXPECT_EQ(frame().zoomBox()->currentText(), "100%");
}

TEST_F(Application, RestoresTheStoredPlacementAndKeepsAnEditedSample) {
    store.writeInt(kSettingsSection, "MainFrmX", 30);
    store.writeInt(kSettingsSection, "MainFrmY", 40);
    store.writeInt(kSettingsSection, "MainFrmCX", 800);
    store.writeInt(kSettingsSection, "MainFrmCY", 600);
    dir.write("Sample.struct", "edited");
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(frame().pos(), QPoint(30, 40));
    EXPECT_EQ(frame().size(), QSize(800, 600));
    EXPECT_EQ(dir.read("Sample.struct"), "edited");

    frame().move(50, 60);
    frame().savePlacement();
    EXPECT_EQ(store.readInt(kSettingsSection, "MainFrmMax"), 0);
    EXPECT_EQ(store.readInt(kSettingsSection, "MainFrmX"), 50);
    EXPECT_EQ(store.readInt(kSettingsSection, "MainFrmCX"), 800);
    frame().setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    frame().savePlacement();
    EXPECT_EQ(store.readInt(kSettingsSection, "MainFrmMax"), 1);
    EXPECT_EQ(store.readInt(kSettingsSection, "MainFrmX"), 50); // not updated while maximised
}

TEST_F(Application, UntouchedFirstPatternGivesWayToAnOpenedFile) {
    ASSERT_TRUE(app.InitInstance({}));
    ASSERT_NE(app.OpenDocumentFile(kExamples + "/silicon-transmission-001.ptn"), nullptr);
    ASSERT_EQ(app.documents().size(), 1u);
    EXPECT_EQ(app.documentTitle(*app.documents()[0]), "silicon-transmission-001.ptn");
    EXPECT_EQ(frame().childFrames().size(), 1u);
    EXPECT_FALSE(app.documents()[0]->isModified());

    // Only the first new pattern of a run gives way.
    app.newDocument();
    ASSERT_NE(app.OpenDocumentFile(kExamples + "/silicon-back-111.ptn"), nullptr);
    EXPECT_EQ(app.documents().size(), 3u);
    // A file that is open already is only brought forward.
    app.OpenDocumentFile(kExamples + "/silicon-transmission-001.ptn");
    EXPECT_EQ(app.documents().size(), 3u);
    EXPECT_EQ(app.recentFiles().size(), 2);
}

TEST_F(Application, FirstPatternWithADistanceIsKept) {
    ASSERT_TRUE(app.InitInstance({}));
    test::editInputs(*app.documents()[0], [&](PatternInputs& in) { in.settings.distance = 300; });
    app.OpenDocumentFile(kExamples + "/silicon-back-111.ptn");
    EXPECT_EQ(app.documents().size(), 2u);
}

TEST_F(Application, ModifiedFirstPatternIsKeptWhenAFileOpens) {
    ASSERT_TRUE(app.InitInstance({}));
    app.documents()[0]->setModified(true); // say, its spectrum was edited
    app.OpenDocumentFile(kExamples + "/silicon-back-111.ptn");
    EXPECT_EQ(app.documents().size(), 2u);
}

TEST_F(Application, MenusFollowTheOpenPatterns) {
    ASSERT_TRUE(app.InitInstance({}));
    EXPECT_EQ(itemTexts(0), (QStringList{"&New\tCtrl+N",
                                         "&Open...\tCtrl+O",
                                         "&Close",
                                         "&Save\tCtrl+S",
                                         "Save &As...",
                                         "-",
                                         "Open &Image...",
                                         "Close I&mage",
                                         "-",
                                         "&Export Metafile...",
                                         "Export &Merging File...",
                                         "Mer&ge Pattern...",
                                         "Export &Textfile...",
                                         "-",
                                         "&Print...\tCtrl+P",
                                         "Print Pre&view",
                                         "P&rint Setup...",
                                         "-",
                                         "Recent File",
                                         "-",
                                         "E&xit"}));
    frame().updateCommandUi();
    // Grey levels are on, so the command offers dark spots.
    EXPECT_EQ(itemTexts(3),
              (QStringList{"&Kinematic Model", "&Dynamical Model   \t  ", "-", "Dark &Spots\tF2",
                           "&Adjust Intensity...\tF3", "&Normalize Intensity\tF4", "-",
                           "Structure &Factor... "}));
    EXPECT_TRUE(frame().commandAction(ID_FILE_SAVE)->isEnabled());
    EXPECT_FALSE(frame().commandAction(ID_ZOOM_100)->isEnabled()); // already at 100 %
    EXPECT_TRUE(frame().commandAction(ID_ZOOM_50)->isEnabled());
    EXPECT_FALSE(frame().commandAction(ID_VIEW_INDEX)->isEnabled()); // no spots yet
    EXPECT_FALSE(frame().commandAction(ID_INTENSITY_DYNAMICAL)->isEnabled());
    EXPECT_TRUE(frame().commandAction(ID_SETTING_STRUCTURE)->isEnabled());
    EXPECT_FALSE(frame().commandAction(ID_SETTING_DIFFRACTION)->isEnabled()); // no crystal yet
    EXPECT_TRUE(frame().commandAction(ID_INTENSITY_KINEMATIC)->isChecked());
    EXPECT_EQ(frame().commandAction(ID_FILE_NEW)->statusTip(), "Create a new pattern");

    app.closeDocument(*app.documents()[0]);
    EXPECT_EQ(menuTitles(), (QStringList{"&File", "&View", "&Help"}));
    EXPECT_EQ(itemTexts(0), (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "-", "P&rint Setup...",
                                         "-", "Recent File", "-", "E&xit"}));
    EXPECT_EQ(frame().paneText(PatternPane), "Create or open a pattern file to start...");
    EXPECT_EQ(frame().paneText(GeometryPane), "");
    EXPECT_FALSE(frame().zoomBox()->isEnabled());
    EXPECT_TRUE(frame().zoomBox()->currentText().isEmpty());
}

TEST_F(Application, StructureAndSettingsCommandsComputeTheFirstPattern) {
    ASSERT_TRUE(app.InitInstance({}));
    documentDialogs.structureAnswer = test::siliconFlat();
    documentDialogs.diffractionAnswer = [](const CXtalspDoc& doc) {
        DiffractionSettings settings = doc.settings();
        settings.surfacePlane = {0, 0, 1};
        settings.sidePlane = {1, 0, 0};
        settings.distance = 300;
        settings.Hmax = settings.Kmax = settings.Lmax = 16;
        return std::optional<DiffractionSettings>(settings);
    };
    frame().runCommand(ID_SETTING_STRUCTURE);
    EXPECT_EQ(documentDialogs.opened, (std::vector<std::string>{"structure", "diffraction"}));
    CXtalspDoc& doc = *app.documents()[0];
    EXPECT_GT(doc.spotCount(), 0);
    EXPECT_EQ(frame().paneText(GeometryPane), "3; 0; 0");
    EXPECT_TRUE(frame().commandAction(ID_SETTING_ROTATE)->isEnabled());
    frame().runCommand(ID_ROTATE_X_PLUS);
    EXPECT_EQ(doc.settings().rotationX, 1.0);
    EXPECT_EQ(frame().paneText(GeometryPane), "3; 1; 0");

    // The keyboard table: distance and fine rotation steps.
    frame().show();
    QApplication::setActiveWindow(&frame());
    frame().activeView()->setFocus();
    QTest::keyClick(frame().activeView(), Qt::Key_Minus);
    EXPECT_EQ(doc.settings().distance, 290);
    QTest::keyClick(frame().activeView(), Qt::Key_Equal, Qt::AltModifier);
    EXPECT_EQ(doc.settings().distance, 390);
    QTest::keyClick(frame().activeView(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc.settings().rotationY, 0.1);
    QTest::keyClick(frame().activeView(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(doc.settings().rotationX, 0.9);
}

TEST_F(Application, ToggleTextsFollowTheView) {
    ASSERT_TRUE(app.InitInstance({kExamples + "/silicon-transmission-001.ptn"}));
    frame().updateCommandUi();
    EXPECT_EQ(frame().commandAction(ID_VIEW_INDEX)->text(), "Show &Index\tF5");
    frame().runCommand(ID_VIEW_INDEX);
    EXPECT_EQ(frame().commandAction(ID_VIEW_INDEX)->text(), "Hide &Index\tF5");
    EXPECT_EQ(app.documents()[0]->showIndex(), 1);
}

TEST_F(Application, ZoomBoxTakesTypedAndPickedValues) {
    ASSERT_TRUE(app.InitInstance({kExamples + "/silicon-transmission-001.ptn"}));
    frame().show();
    CXtalspView* view = frame().activeView();
    ASSERT_NE(view, nullptr);
    prompt.messages.clear();

    typeIntoZoomBox("5");
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "The number must be between 10 and 500.");
    EXPECT_EQ(frame().zoomBox()->currentText(), "100%");
    EXPECT_EQ(view->zoom(), 1.0);

    typeIntoZoomBox("250");
    EXPECT_EQ(frame().zoomBox()->currentText(), "250%");
    EXPECT_EQ(view->zoom(), 2.5);
    EXPECT_EQ(app.documents()[0]->zoom(), 2.5);

    typeIntoZoomBox("abc");
    EXPECT_EQ(prompt.messages.size(), 2u); // reads 0: out of range
    EXPECT_EQ(frame().zoomBox()->currentText(), "250%");
}

TEST_F(Application, ZoomBoxTakesTypedValuesAsTypedInAnActiveWindow) {
    ASSERT_TRUE(app.InitInstance({kExamples + "/silicon-transmission-001.ptn"}));
    frame().show();
    QApplication::setActiveWindow(&frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
    prompt.messages.clear();
    typeIntoZoomBox("20"); // not completed to the listed 200 %
    EXPECT_EQ(frame().activeView()->zoom(), 0.2);
    EXPECT_TRUE(prompt.messages.empty());
    typeIntoZoomBox("5"); // not completed to 50 %
    EXPECT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(frame().activeView()->zoom(), 0.2);
}

TEST_F(Application, SavesAsAndRemembersTheFile) {
    ASSERT_TRUE(app.InitInstance({}));
    CXtalspDoc& doc = *app.documents()[0];
    doc.setModified(true);
    const QString target = QString::fromStdString(dir.file("mine.ptn"));
    chooser.answers = {target};
    frame().runCommand(ID_FILE_SAVE);
    ASSERT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(chooser.offered[0].defaultSuffix, "ptn");
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(app.documentTitle(doc), "mine.ptn");
    EXPECT_EQ(dir.read("mine.ptn").size(), 2650u);
    EXPECT_EQ(store.readText("Recent File List", "File1"), target.toStdString());
    EXPECT_EQ(frame().windowTitle(), "Xtalspotter - mine.ptn");
}

TEST_F(Application, ClosingAModifiedPatternAsks) {
    ASSERT_TRUE(app.InitInstance({}));
    prompt.messages.clear();
    app.documents()[0]->setModified(true);
    prompt.answers = {MessageAnswer::Cancel};
    frame().runCommand(ID_FILE_CLOSE);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text, "Save changes to Xtalsp1?");
    EXPECT_EQ(app.documents().size(), 1u);
    prompt.answers = {MessageAnswer::No};
    frame().runCommand(ID_FILE_CLOSE);
    EXPECT_TRUE(app.documents().empty());
}

TEST_F(Application, ExitAsksAboutEveryPatternBeforeClosingAny) {
    ASSERT_TRUE(app.InitInstance({}));
    app.newDocument();
    app.newDocument();
    for (CXtalspDoc* doc : app.documents())
        doc->setModified(true);
    prompt.messages.clear();
    prompt.answers = {MessageAnswer::No, MessageAnswer::Cancel};
    frame().runCommand(ID_APP_EXIT);
    EXPECT_EQ(prompt.messages.size(), 2u);
    EXPECT_EQ(app.documents().size(), 3u);
    EXPECT_EQ(frame().childFrames().size(), 3u);

    prompt.answers = {MessageAnswer::No, MessageAnswer::No, MessageAnswer::No};
    frame().runCommand(ID_APP_EXIT);
    EXPECT_TRUE(app.documents().empty());
}

TEST_F(Application, WindowShellDetails) {
    ASSERT_TRUE(app.InitInstance({}));
    frame().show();
    app.newDocument();
    // The Window menu lists the pattern windows; picking one activates it.
    QMenu* windowMenu = frame().menuBar()->actions()[6]->menu();
    emit windowMenu->aboutToShow();
    QList<QAction*> listed;
    for (QAction* item : windowMenu->actions()) {
        if (item->isCheckable())
            listed << item;
    }
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(listed[1]->isChecked());
    listed[0]->trigger();
    EXPECT_EQ(app.activeDocument(), app.documents()[0]);

    // A maximised pattern window's title appears once in the program's title.
    frame().childFrames()[0]->showMaximized();
    QApplication::processEvents();
    EXPECT_EQ(frame().windowTitle().count("Xtalsp1"), 1) << frame().windowTitle().toStdString();

    // The intensity model is a radio choice.
    QAction* kinematic = frame().commandAction(ID_INTENSITY_KINEMATIC);
    ASSERT_NE(kinematic->actionGroup(), nullptr);
    EXPECT_TRUE(kinematic->actionGroup()->isExclusive());

    // The status bar's visibility is remembered.
    frame().runCommand(ID_VIEW_STATUS_BAR);
    frame().savePlacement();
    CXtalspApp next(store, prompt, chooser, dialogs, documentDialogs,
                    QString::fromStdString(dir.path()));
    ASSERT_TRUE(next.InitInstance({}));
    EXPECT_TRUE(next.mainFrame()->statusBar()->isHidden());

    // Closing the program's window closes the help window.
    QDir().mkpath(QString::fromStdString(dir.file("help")));
    dir.write("help/index.html", "<html><body>Help</body></html>");
    ASSERT_TRUE(app.help().show());
    ASSERT_TRUE(app.help().window()->isVisible());
    prompt.answers = {MessageAnswer::No, MessageAnswer::No};
    frame().close();
    EXPECT_FALSE(app.help().window() != nullptr && app.help().window()->isVisible());
}

TEST_F(Application, InstalledProgramKeepsItsDataInTheUserFolder) {
    // The program's folder cannot be written: the data files go to the user's folder, and
    // new patterns take the spectrum from there without a message.
    const QString program = QString::fromStdString(dir.file("program"));
    const QString user = QString::fromStdString(dir.file("user"));
    ASSERT_TRUE(QDir().mkpath(program));
    CXtalspApp installed(store, prompt, chooser, dialogs, documentDialogs, program, user, false);
    ASSERT_TRUE(installed.InitInstance({}));
    EXPECT_TRUE(QFileInfo::exists(user + "/Default.Spectrum"));
    EXPECT_TRUE(QFileInfo::exists(user + "/Sample.struct"));
    EXPECT_FALSE(QFileInfo::exists(program + "/Default.Spectrum"));
    EXPECT_EQ(installed.dataDirectory(), user); // where Save as Default writes
    EXPECT_EQ(prompt.messages.size(), 1u);      // the new default file is announced
    installed.newDocument();
    EXPECT_EQ(prompt.messages.size(), 1u);

    // Neither folder can be written: the fallback is told once a run.
    prompt.messages.clear();
    const QString blocked = QString::fromStdString(dir.write("blocked", "a file, not a folder"));
    CXtalspApp stuck(store, prompt, chooser, dialogs, documentDialogs, blocked, blocked, false);
    ASSERT_TRUE(stuck.InitInstance({}));
    const std::size_t told = prompt.messages.size();
    EXPECT_EQ(told, 2u); // the failed write and the internal spectrum
    stuck.newDocument();
    EXPECT_EQ(prompt.messages.size(), told);
}

TEST(RecentFileList, LongPathsKeepTheFileNameWhole) {
    const QString shortPath = "/home/a/b.ptn";
    EXPECT_EQ(shortenedRecentPath(shortPath, 40), shortPath);
    const QString name = "a-rather-long-pattern-file-name.ptn";
    const QString shown = shortenedRecentPath("/home/someone/projects/laue/samples/" + name, 40);
    EXPECT_TRUE(shown.endsWith("/" + name)) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
    const QString windows = shortenedRecentPath("C:\\Data\\Laue\\2024\\run\\silicon.ptn", 25);
    EXPECT_EQ(windows, "C:\\...\\run\\silicon.ptn");
}

TEST_F(Application, PatternWindowsCascade) {
    ASSERT_TRUE(app.InitInstance({}));
    frame().resize(900, 700);
    frame().show();
    app.newDocument();
    const std::vector<CChildFrame*> frames = frame().childFrames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0]->pos(), QPoint(2, 2));
    EXPECT_EQ(frames[1]->pos(), QPoint(17, 22));
}

TEST_F(Application, AFileThatIsNotAPatternIsNeverSavedOver) {
    ASSERT_TRUE(app.InitInstance({}));
    prompt.messages.clear();
    const std::string path = dir.write("broken.ptn", "\x10Xtalspotter.File");
    CXtalspDoc* opened = app.OpenDocumentFile(QString::fromStdString(path));
    ASSERT_NE(opened, nullptr);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].text,
              "Cannot recognize the file format!\nAn empty pattern file was created.");
    EXPECT_EQ(app.documentTitle(*opened), "Xtalsp2");
    EXPECT_TRUE(app.documentPath(*opened).isEmpty());
    EXPECT_TRUE(app.recentFiles().isEmpty());
    // Save asks for a name; cancelled, the file is as it was.
    opened->setModified(true);
    frame().runCommand(ID_FILE_SAVE);
    EXPECT_EQ(chooser.offered.size(), 1u);
    EXPECT_EQ(dir.read("broken.ptn"), "\x10Xtalspotter.File");

    // A dropped file opens only when it is a pattern.
    prompt.messages.clear();
    const std::size_t open = app.documents().size();
    EXPECT_EQ(app.openDroppedFile(QString::fromStdString(path)), nullptr);
    EXPECT_EQ(app.documents().size(), open);
    EXPECT_EQ(prompt.messages.size(), 1u);
    ASSERT_NE(app.openDroppedFile(kExamples + "/silicon-back-111.ptn"), nullptr);
    EXPECT_EQ(app.documents().size(), open + 1);

    prompt.messages.clear();
    EXPECT_EQ(app.OpenDocumentFile(QString::fromStdString(dir.file("missing.ptn"))), nullptr);
    EXPECT_EQ(prompt.messages.size(), 1u);
}

} // namespace
} // namespace xtalsp::gui
