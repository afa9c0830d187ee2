#include "gui/view/xtalspview.h"

#include "gui/shell/commandids.h"
#include "gui/support/viewtesting.h"
#include "support/tempdir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace xtalsp {
namespace {

using gui::CXtalspView;

// What the view looked like while the print dialog or preview was open.
struct DuringJob {
    double zoom = 0, scale = 0;
    DrawingExtent extent;
    QString zoomBox;
};

class ViewPrinting : public ::testing::Test {
protected:
    void SetUp() override {
        doc.takeCalibratedZoom(80.0); // 1.25
        test::computeSilicon(doc);
        view = std::make_unique<CXtalspView>(doc, host);
        view->InitFromDocument();
        view->resize(300, 200);
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->executeCommand(gui::ID_ZOOM_200);
        view->scrollTo({100, 80});
        host.dialogs.whilePrinting = [this] {
            during = {view->zoom(), view->scale(), view->extent(), host.zoomBoxText};
        };
    }

    void expectRestored() const {
        EXPECT_EQ(view->zoom(), 2.0);
        EXPECT_EQ(view->scale(), 2.5);
        EXPECT_EQ(view->extent().width, 5040);
        EXPECT_EQ(view->scrollPosition(), QPoint(100, 80));
        EXPECT_EQ(host.zoomBoxText, "200%");
        EXPECT_EQ(doc.zoom(), 2.0);
    }
    // Paper is drawn at true size, without the screen calibration.
    void expectTrueSizeDuringJob() const {
        EXPECT_EQ(during.zoom, 1.0);
        EXPECT_EQ(during.scale, 1.0);
        EXPECT_EQ(during.extent.width, 2040);
        EXPECT_EQ(during.extent.height, 1540);
        EXPECT_EQ(during.zoomBox, "100%");
    }

    test::TempDir dir;
    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    std::unique_ptr<CXtalspView> view;
    DuringJob during;
};

TEST_F(ViewPrinting, PrintsOnePdfPageAtTrueSizeAndRestoresZoomAndScroll) {
    host.dialogs.pdfPath = QString::fromStdString(dir.file("pattern.pdf"));
    host.activeView = view.get();
    host.patternStatus.clear();
    view->executeCommand(gui::ID_FILE_PRINT);
    EXPECT_EQ(host.dialogs.printDialogs, 1);
    expectTrueSizeDuringJob();
    expectRestored();
    const std::string pdf = dir.read("pattern.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("/Count 1"), std::string::npos); // one page
    EXPECT_TRUE(host.recordingPrompt.messages.empty());
    // The printed page clears pane 1 of the active view.
    ASSERT_FALSE(host.patternStatus.isEmpty());
    EXPECT_EQ(host.patternStatus.front(), "");
}

TEST_F(ViewPrinting, CancelledPrintDialogRestoresToo) {
    view->executeCommand(gui::ID_FILE_PRINT);
    EXPECT_EQ(host.dialogs.printDialogs, 1);
    expectTrueSizeDuringJob();
    expectRestored();
}

TEST_F(ViewPrinting, PreviewDrawsAtTrueSizeAndRestoresOnClose) {
    host.dialogs.pdfPath = QString::fromStdString(dir.file("preview.pdf"));
    view->executeCommand(gui::ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(host.dialogs.previews, 1);
    expectTrueSizeDuringJob();
    expectRestored();
    EXPECT_EQ(dir.read("preview.pdf").substr(0, 5), "%PDF-");
}

TEST_F(ViewPrinting, UnusablePrinterIsReportedAndTheViewRestored) {
    host.dialogs.pdfPath = QString::fromStdString(dir.file("missing/folder/pattern.pdf"));
    view->executeCommand(gui::ID_FILE_PRINT);
    ASSERT_EQ(host.recordingPrompt.messages.size(), 1u);
    EXPECT_EQ(host.recordingPrompt.messages[0].text, "Failed to start print job.");
    EXPECT_EQ(host.recordingPrompt.messages[0].icon, MessageIcon::Exclamation);
    expectRestored();
}

} // namespace
} // namespace xtalsp
