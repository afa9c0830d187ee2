#include "gui/view/viewexports.h"

#include "gui/shell/commandids.h"
#include "gui/support/viewtesting.h"
#include "gui/view/xtalspview.h"
#include "support/tempdir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QString>

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>

namespace xtalsp {
namespace {

using gui::CXtalspView;

constexpr int kExportCommands[] = {gui::ID_EXPORT_TEXTFILE, gui::ID_EXPORT_MERGING,
                                   gui::ID_EXPORT_METAFILE, gui::ID_MERGE_PATTERN};

class PatternExports : public ::testing::Test {
protected:
    void SetUp() override {
        test::computeSilicon(doc);
        ASSERT_GT(doc.spotCount(), 0);
        doc.setModified(false);
        view = std::make_unique<CXtalspView>(doc, host);
        view->InitFromDocument();
    }
    // Runs a command whose file dialog answers with the path.
    void runWithFile(int command, const std::string& path) {
        host.files.answers = {QString::fromStdString(path)};
        view->executeCommand(command);
    }
    void expectOffered(const QString& title, const QString& filter, const QString& suffix) {
        ASSERT_FALSE(host.files.offered.empty());
        const gui::FileDialogSpec& dialog = host.files.offered.back();
        EXPECT_EQ(dialog.title, title);
        EXPECT_EQ(dialog.filter, filter);
        EXPECT_EQ(dialog.defaultSuffix, suffix);
        EXPECT_TRUE(dialog.confirmOverwrite);
    }

    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    std::unique_ptr<CXtalspView> view;
    test::TempDir files;
};

TEST(PatternExportCommands, NeedSpots) {
    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    CXtalspView view(doc, host);
    view.InitFromDocument();
    for (const int id : kExportCommands) {
        EXPECT_TRUE(view.handlesCommand(id)) << id;
        EXPECT_FALSE(view.commandState(id).enabled) << id;
    }
    test::computeSilicon(doc);
    for (const int id : kExportCommands)
        EXPECT_TRUE(view.commandState(id).enabled) << id;
}

TEST_F(PatternExports, TextFileListsThePatternWithoutModifyingIt) {
    runWithFile(gui::ID_EXPORT_TEXTFILE, files.file("pattern.txt"));
    expectOffered("Export the pattern as a text file", "Text Files (*.txt);;All Files (*)", "txt");

    const std::string listing = files.read("pattern.txt");
    EXPECT_EQ(listing.substr(0, doc.structure().name.size() + 10),
              doc.structure().name + " (0 0 1)\r\n");
    EXPECT_NE(listing.find("Diffraction spots:\r\n"), std::string::npos);
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
    EXPECT_FALSE(doc.isModified());

    // Cancelled: nothing written, nothing said.
    view->executeCommand(gui::ID_EXPORT_TEXTFILE);
    EXPECT_EQ(host.files.offered.size(), 2u);
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
}

TEST_F(PatternExports, FailureNamesTheFileAsTheUserReadsIt) {
    // A missing folder with non-ASCII letters: the message shows them as Windows-1252, the
    // program's text, not as the UTF-8 bytes the file system was given.
    runWithFile(gui::ID_EXPORT_TEXTFILE, files.path() + "/\xC3\x85ngstr\xC3\xB6m/pattern.txt");
    ASSERT_EQ(host.recordingPrompt.messages.size(), 1u);
    const Message& failure = host.recordingPrompt.messages[0];
    EXPECT_EQ(failure.icon, MessageIcon::Stop);
    EXPECT_NE(failure.text.find(files.path() + "/\xC5ngstr\xF6m/pattern.txt"), std::string::npos)
        << failure.text;
    EXPECT_TRUE(std::filesystem::is_empty(files.path()));
}

TEST_F(PatternExports, MergingFileHoldsTheDocumentsSpotsAndGreyLevels) {
    runWithFile(gui::ID_EXPORT_MERGING, files.file("pattern.mrg"));
    expectOffered("Export the pattern as a merging file", "Merging Files (*.mrg);;All Files (*)",
                  "mrg");

    const std::string bytes = files.read("pattern.mrg");
    EXPECT_EQ(bytes.substr(0, 24), "\x17Xtalspotter.MergingFile");
    // Signature, spot size, flag, saturation, count, then x, y and intensity of every spot.
    EXPECT_EQ(bytes.size(), 1u + 23 + 8 + 8 + 4 + 8 + 4 + 24u * doc.spotCount());
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
    EXPECT_FALSE(doc.isModified());

    runWithFile(gui::ID_EXPORT_MERGING, files.path() + "/missing/pattern.mrg");
    ASSERT_EQ(host.recordingPrompt.messages.size(), 1u);
    EXPECT_EQ(host.recordingPrompt.messages[0],
              (Message{"Cannot open the file!", "", MessageIcon::Stop}));
}

// Copy puts the picture on the clipboard as an image and as SVG; the PictureScale setting
// draws exported pictures at true size.
TEST_F(PatternExports, CopyAndTrueSizePictures) {
    view->executeCommand(gui::ID_EDIT_COPY);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(copied->imageData()).width(), 1205); // 102 mm at 300 dpi
    EXPECT_TRUE(copied->data(QStringLiteral("image/svg+xml")).startsWith("<?xml"));

    host.settings().writeInt(kSettingsSection, "PictureScale", 100);
    runWithFile(gui::ID_EXPORT_METAFILE, files.file("true.svg"));
    EXPECT_NE(files.read("true.svg").find("width=\"204mm\""), std::string::npos);
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
}

TEST_F(PatternExports, PictureIsAMetafileUnlessTheNameSaysOtherwise) {
    runWithFile(gui::ID_EXPORT_METAFILE, files.file("pattern.wmf"));
    expectOffered("Export a Windows metafile", gui::pictureFileDialog("").filter, "wmf");
    const std::string emf = files.read("pattern.wmf");
    ASSERT_GE(emf.size(), 44u);
    EXPECT_EQ(emf.substr(0, 4), std::string("\x01\x00\x00\x00", 4)); // EMR_HEADER
    EXPECT_EQ(emf.substr(40, 4), " EMF");

    runWithFile(gui::ID_EXPORT_METAFILE, files.file("pattern.png"));
    EXPECT_EQ(files.read("pattern.png").substr(0, 8), "\x89PNG\r\n\x1A\n");
    EXPECT_TRUE(host.recordingPrompt.messages.empty());

    view->executeCommand(gui::ID_EXPORT_METAFILE); // cancelled
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.path()), {}), 2);
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
    EXPECT_FALSE(doc.isModified());
}

TEST_F(PatternExports, MergeDrawsTheExportedFileAndReportsTheOutcome) {
    runWithFile(gui::ID_EXPORT_MERGING, files.file("pattern.mrg"));
    const std::string output = files.file("merged.wmf");
    host.dialogs.mergeAnswers = {
        MergeRequest{output, files.file("pattern.mrg"), MergeRed, "", MergeGreyLevels},
        MergeRequest{files.file("again.wmf"), files.file("nothing.mrg"), MergeGreyLevels, "",
                     MergeGreyLevels},
        std::nullopt};

    view->executeCommand(gui::ID_MERGE_PATTERN);
    ASSERT_EQ(host.recordingPrompt.messages.size(), 1u);
    EXPECT_EQ(host.recordingPrompt.messages[0].text,
              "The merged pattern was successfully generated in " + output +
                  ".\nYou can insert it into a WORD or PowerPoint document to view or edit it.");
    EXPECT_EQ(files.read("merged.wmf").substr(40, 4), " EMF");

    view->executeCommand(gui::ID_MERGE_PATTERN);
    ASSERT_EQ(host.recordingPrompt.messages.size(), 2u);
    EXPECT_EQ(host.recordingPrompt.messages[1].text,
              "Unable to open merging file " + files.file("nothing.mrg") + "!");

    view->executeCommand(gui::ID_MERGE_PATTERN); // the dialog is cancelled
    EXPECT_EQ(host.dialogs.mergeDialogs, 3);
    EXPECT_EQ(host.recordingPrompt.messages.size(), 2u);
    EXPECT_FALSE(doc.isModified());
}

} // namespace
} // namespace xtalsp
