#include "gui/view/spotdetailsdlg.h"
#include "gui/view/xtalspview.h"

#include "gui/shell/commandids.h"
#include "gui/shell/mainframe.h"
#include "gui/shell/qtplatform.h"
#include "gui/shell/xtalspapp.h"
#include "gui/support/scripteddocumentdialogs.h"
#include "gui/support/viewtesting.h"
#include "render/spotselection.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace xtalsp {
namespace {

using gui::CSpotDetailsDlg;
using gui::CXtalspView;

// A shown, focused view of silicon spots that is the active view of its window.
class SpotPicking : public ::testing::Test {
protected:
    void SetUp() override {
        test::computeSilicon(doc);
        ASSERT_GT(doc.spotCount(), 2);
        view = std::make_unique<CXtalspView>(doc, host);
        view->InitFromDocument();
        host.activeView = view.get();
        view->resize(400, 300);
        view->show();
        QApplication::setActiveWindow(view.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        QApplication::processEvents();
    }

    ViewDrawingOptions options() const {
        ViewDrawingOptions drawing;
        drawing.scale = view->scale();
        drawing.spotWidth = view->spotWidth();
        drawing.spotHeight = view->spotHeight();
        return drawing;
    }
    double pixelsPerUnit() const { return view->logicalDpiX() / 254.0; }
    QPoint devicePixel(DrawingPoint point) const {
        return {static_cast<int>(std::floor(point.x * pixelsPerUnit())),
                static_cast<int>(std::floor(-point.y * pixelsPerUnit()))};
    }
    // The viewport pixel at a drawing point, after scrolling the point into the window.
    QPoint pixelAt(DrawingPoint point) {
        view->scrollTo(devicePixel(point) - QPoint(150, 100));
        return devicePixel(point) - view->scrollPosition();
    }
    DrawingPoint spotCentre(int index) const {
        const CanvasRect rect =
            viewSpotRect(viewSpotTemplate(view->extent(), options()),
                         doc.spots()[static_cast<std::size_t>(index)], view->scale());
        return {(rect.left + rect.right) / 2.0, (rect.top + rect.bottom) / 2.0};
    }
    // The first spot after `after` that a press at its centre picks: no later spot covers the
    // centre pixel there.
    int uncoveredSpot(int after = -1) const {
        for (int i = after + 1; i < doc.spotCount(); ++i) {
            const QPoint pixel = devicePixel(spotCentre(i));
            const DrawingPoint clicked{(pixel.x() + 0.5) / pixelsPerUnit(),
                                       -(pixel.y() + 0.5) / pixelsPerUnit()};
            if (hitSpot(patternContent(doc), options(), clicked) == i)
                return i;
        }
        ADD_FAILURE() << "every spot is covered";
        return 0;
    }
    // The platform's order: press, release, then the double-click in place of a second press.
    void rightDoubleClick(QPoint pixel) {
        rightPress(pixel);
        QTest::mouseDClick(view->viewport(), Qt::RightButton, {}, pixel);
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, pixel);
    }
    void rightPress(QPoint pixel) {
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, pixel);
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, pixel);
    }
    // Lets pending repaints happen, then counts from zero.
    void settle() {
        QApplication::processEvents();
        paints = std::make_unique<test::PaintCounter>(view->viewport());
    }
    QString statusOf(int index) const {
        return gui::fromCp1252(selectedSpotText(doc.spots()[static_cast<std::size_t>(index)],
                                                doc.intensityScale().saturationIntensity));
    }

    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    std::unique_ptr<CXtalspView> view;
    std::unique_ptr<test::PaintCounter> paints;
};

TEST_F(SpotPicking, RightPressSelectsMovesKeepsAndClearsTheSelection) {
    const int spots[] = {uncoveredSpot(), uncoveredSpot(uncoveredSpot())};
    const QPoint first = pixelAt(spotCentre(spots[0]));
    settle();
    rightPress(first);
    EXPECT_EQ(doc.selectedSpot(), spots[0]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints->paints > 0; }));
    EXPECT_EQ(host.patternStatus.back(), statusOf(spots[0]));

    // The selected spot again: no repaint.
    settle();
    rightPress(first);
    QApplication::processEvents();
    EXPECT_EQ(doc.selectedSpot(), spots[0]);
    EXPECT_EQ(paints->paints, 0);

    const QPoint second = pixelAt(spotCentre(spots[1]));
    settle();
    rightPress(second);
    EXPECT_EQ(doc.selectedSpot(), spots[1]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints->paints > 0; }));
    EXPECT_EQ(host.patternStatus.back(), statusOf(spots[1]));

    // Empty film near the top-left corner clears the selection and the outline.
    ASSERT_EQ(hitSpot(patternContent(doc), options(), {40, -40}), -1);
    const QPoint empty = pixelAt({40, -40});
    settle();
    rightPress(empty);
    EXPECT_EQ(doc.selectedSpot(), -1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return paints->paints > 0; }));
    EXPECT_EQ(host.patternStatus.back(), "You can right click on a spot to see detail...");

    // With nothing selected there is nothing to redraw.
    settle();
    rightPress(empty);
    QApplication::processEvents();
    EXPECT_EQ(paints->paints, 0);
}

TEST_F(SpotPicking, SelectionOutlineIsOpaqueBlueAtTheDefaultZoom) {
    const QPoint pixel = pixelAt(spotCentre(uncoveredSpot()));
    rightPress(pixel);
    QApplication::processEvents();
    const QImage shot = view->viewport()->grab().toImage();
    // The outline is a closed frame around the spot: every one of its four sides crosses the
    // row or the column through the spot's centre in full blue.
    const QRgb blue = qRgb(0, 0, 255);
    int crossings = 0;
    for (int x = 0; x < shot.width(); ++x)
        crossings += shot.pixel(x, pixel.y()) == blue ? 1 : 0;
    for (int y = 0; y < shot.height(); ++y)
        crossings += shot.pixel(pixel.x(), y) == blue ? 1 : 0;
    EXPECT_GE(crossings, 4);
}

TEST_F(SpotPicking, RightDoubleClickSelectsAndShowsTheDetails) {
    const int spot = uncoveredSpot();
    rightDoubleClick(pixelAt(spotCentre(spot)));
    EXPECT_EQ(doc.selectedSpot(), spot);
    ASSERT_EQ(host.dialogs.spotDetailsShown.size(), 1u);
    EXPECT_EQ(host.dialogs.spotDetailsShown[0],
              spotDetails(doc.spots()[static_cast<std::size_t>(spot)],
                          doc.spots().harmonicsOf(doc.spots()[static_cast<std::size_t>(spot)]),
                          doc.intensityScale().saturationIntensity));

    // On empty film the press clears the selection, and there are no details to show.
    rightDoubleClick(pixelAt({40, -40}));
    EXPECT_EQ(doc.selectedSpot(), -1);
    EXPECT_EQ(host.dialogs.spotDetailsShown.size(), 1u);

    // Through the window system the view sees press, release, press and the double-click:
    // the details open once.
    const int other = uncoveredSpot(spot);
    const QPoint pixel = view->viewport()->mapTo(view.get(), pixelAt(spotCentre(other)));
    QTest::mouseDClick(view->windowHandle(), Qt::RightButton, {}, pixel);
    EXPECT_EQ(doc.selectedSpot(), other);
    EXPECT_EQ(host.dialogs.spotDetailsShown.size(), 2u);
}

TEST_F(SpotPicking, SelectedSpotCommandNeedsASelection) {
    EXPECT_TRUE(view->handlesCommand(gui::ID_VIEW_SELECTED_SPOT));
    EXPECT_FALSE(view->commandState(gui::ID_VIEW_SELECTED_SPOT).enabled);
    const int spot = uncoveredSpot();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pixelAt(spotCentre(spot)));
    EXPECT_FALSE(view->commandState(gui::ID_VIEW_SELECTED_SPOT).enabled); // left selects nothing
    rightPress(pixelAt(spotCentre(spot)));
    ASSERT_TRUE(view->commandState(gui::ID_VIEW_SELECTED_SPOT).enabled);

    doc.setModified(false);
    view->executeCommand(gui::ID_VIEW_SELECTED_SPOT);
    ASSERT_EQ(host.dialogs.spotDetailsShown.size(), 1u);
    const LaueSpot& shown = doc.spots()[static_cast<std::size_t>(spot)];
    EXPECT_EQ(host.dialogs.spotDetailsShown[0].harmonics.size(),
              static_cast<std::size_t>(shown.harmonicCount));
    EXPECT_EQ(doc.selectedSpot(), spot);
    EXPECT_FALSE(doc.isModified());

    // An index beyond the list shows nothing.
    doc.selectSpot(doc.spotCount());
    view->executeCommand(gui::ID_VIEW_SELECTED_SPOT);
    EXPECT_EQ(host.dialogs.spotDetailsShown.size(), 1u);

    // A recomputation drops the selection.
    test::computeSilicon(doc);
    EXPECT_FALSE(view->commandState(gui::ID_VIEW_SELECTED_SPOT).enabled);
}

TEST_F(SpotPicking, KeysScrollOnlyADrawingLargerThanTheWindow) {
    QScrollBar* horizontal = view->horizontalScrollBar();
    QScrollBar* vertical = view->verticalScrollBar();
    view->scrollTo({0, 0});
    QTest::keyClick(view->viewport(), Qt::Key_PageDown);
    EXPECT_EQ(vertical->value(), vertical->pageStep());
    QTest::keyClick(view->viewport(), Qt::Key_Right);
    EXPECT_EQ(horizontal->value(), horizontal->singleStep());
    QTest::keyClick(view->viewport(), Qt::Key_End);
    EXPECT_EQ(horizontal->value(), horizontal->maximum());
    QTest::keyClick(view->viewport(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(vertical->value(), vertical->maximum());
    QTest::keyClick(view->viewport(), Qt::Key_Home);
    EXPECT_EQ(horizontal->value(), 0);
    // Ctrl with an arrow rotates the crystal through the main window; the view stays put.
    QTest::keyClick(view->viewport(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(view->viewport(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(vertical->value(), vertical->maximum());
    EXPECT_EQ(horizontal->value(), 0);
    QTest::keyClick(view->viewport(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(vertical->value(), vertical->maximum() - vertical->pageStep());

    // At 10 % the whole film fits: no key scrolls.
    host.dialogs.customZoomAnswers = {10.0};
    view->executeCommand(gui::ID_ZOOM_CUSTOM);
    view->scrollTo({0, 0});
    for (const Qt::Key key : {Qt::Key_PageDown, Qt::Key_Down, Qt::Key_Right, Qt::Key_End})
        QTest::keyClick(view->viewport(), key);
    EXPECT_EQ(view->scrollPosition(), QPoint(0, 0));
}

TEST(SpotPickingInTheMainWindow, F8ShowsTheSelectedSpot) {
    test::TempDir dir;
    MemorySettingsStore store;
    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    test::ScriptedViewDialogs dialogs;
    test::ScriptedDocumentDialogs documentDialogs;
    gui::CXtalspApp app(store, prompt, chooser, dialogs, documentDialogs,
                        QString::fromStdString(dir.path()));
    ASSERT_TRUE(app.InitInstance(
        {QString::fromUtf8(test::kExamplesDir) + "/silicon-transmission-001.ptn"}));
    gui::CMainFrame& frame = *app.mainFrame();
    frame.show();
    QApplication::setActiveWindow(&frame);
    CXtalspView* view = frame.activeView();
    ASSERT_NE(view, nullptr);
    view->setFocus();
    frame.updateCommandUi();
    EXPECT_FALSE(frame.commandAction(gui::ID_VIEW_SELECTED_SPOT)->isEnabled());

    CXtalspDoc& doc = view->document();
    ASSERT_GT(doc.spotCount(), 0);
    doc.selectSpot(0);
    frame.updateCommandUi();
    EXPECT_TRUE(frame.commandAction(gui::ID_VIEW_SELECTED_SPOT)->isEnabled());
    QTest::keyClick(view, Qt::Key_F8);
    ASSERT_EQ(dialogs.spotDetailsShown.size(), 1u);
    EXPECT_EQ(dialogs.spotDetailsShown[0],
              spotDetails(doc.spots()[0], doc.spots().harmonicsOf(doc.spots()[0]),
                          doc.intensityScale().saturationIntensity));
}

TEST(SpotDetailsDialog, ShowsTheValuesAndOneRowPerHarmonic) {
    SpotDetails details;
    details.baseReflection = "2  2  2";
    details.spotPosition = "x = 51.2 mm,   y = -6.8 mm";
    details.baseWavelength = "0.7500 \xC5";
    details.baseDSpacing = "1.568 \xC5";
    details.absoluteIntensity = "30";
    details.relativeIntensity = "75.00";
    details.harmonics = {{"2 2 2", "66.67%", "0.7500", "1.5680", "32.0000"},
                         {"4 4 4", "33.33%", "0.3750", "0.7840", "30.0000"}};
    CSpotDetailsDlg dialog(details);
    EXPECT_EQ(dialog.windowTitle(), "Detailed Information of Selected Spot");
    EXPECT_EQ(dialog.valueLabel(CSpotDetailsDlg::BaseReflection)->text(), "2  2  2");
    EXPECT_EQ(dialog.valueLabel(CSpotDetailsDlg::BaseWavelength)->text(),
              QString::fromUtf16(u"0.7500 \u00C5"));
    EXPECT_EQ(dialog.valueLabel(CSpotDetailsDlg::BaseDSpacing)->text(),
              QString::fromUtf16(u"1.568 \u00C5"));
    EXPECT_EQ(dialog.valueLabel(CSpotDetailsDlg::RelativeIntensity)->text(), "75.00");

    QStringList captions;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption :
         {"Base Reflection:", "Spot Position:", "Base Wavelength:", "Base d-Spacing:",
          "Absolute Intensity \n(Total):", "Relative Intensity:", "Harmonics Components:"})
        EXPECT_TRUE(captions.contains(caption)) << caption;

    const QTableWidget* table = dialog.harmonicsTable();
    ASSERT_EQ(table->columnCount(), 5);
    ASSERT_EQ(table->rowCount(), 2);
    const QString headings[] = {"h k l", "Intensity %", QString::fromUtf16(u"W.L. (\u00C5)"),
                                QString::fromUtf16(u"   d (\u00C5)"), "| F(hkl) |"};
    const int widths[] = {70, 65, 57, 57, 80};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(table->horizontalHeaderItem(column)->text(), headings[column]);
        // At least the classic width, and never so narrow that the heading is clipped.
        EXPECT_GE(table->columnWidth(column), widths[column]);
        EXPECT_GE(table->columnWidth(column), table->horizontalHeader()->sectionSizeHint(column));
    }
    EXPECT_EQ(table->item(0, 0)->text(), "2 2 2");
    EXPECT_EQ(table->item(1, 1)->text(), "33.33%");
    EXPECT_EQ(table->item(1, 4)->text(), "30.0000");
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(table->item(0, 2)->textAlignment() & Qt::AlignLeft);
}

} // namespace
} // namespace xtalsp
