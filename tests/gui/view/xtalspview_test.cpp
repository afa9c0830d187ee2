#include "gui/view/xtalspview.h"

#include "gui/shell/commandids.h"
#include "gui/support/viewtesting.h"
#include "support/editinputs.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace xtalsp {
namespace {

using gui::CXtalspView;

class PatternView : public ::testing::Test {
protected:
    std::unique_ptr<CXtalspView> makeView() {
        auto view = std::make_unique<CXtalspView>(doc, host);
        view->InitFromDocument();
        return view;
    }
    // Shows the view as the active view of an active window, so it can take the focus.
    static void showActive(QWidget& widget) {
        widget.resize(400, 300);
        widget.show();
        QApplication::setActiveWindow(widget.window());
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget.window()));
    }

    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
};

TEST_F(PatternView, TakesDisplayOptionsSpotSizeAndZoomFromTheDocument) {
    doc.setShowCrossline(false);
    doc.setShowIndex(true);
    doc.setGrayscaleSpots(false);
    test::editInputs(doc, [&](PatternInputs& in) {
        in.spotWidth = 30;
        in.spotHeight = 45;
    });
    doc.setZoom(1.5);
    auto view = makeView();
    EXPECT_FALSE(view->showCrossline());
    EXPECT_TRUE(view->showIndex());
    EXPECT_FALSE(view->grayscaleSpots());
    EXPECT_EQ(view->spotWidth(), 30);
    EXPECT_EQ(view->spotHeight(), 45);
    EXPECT_EQ(view->zoom(), 1.5);
    EXPECT_EQ(host.zoomBoxText, "150%");
}

TEST_F(PatternView, ExtentIsTheScaledFilmWithItsMarginsAndScrollsInTenths) {
    auto view = makeView();
    EXPECT_EQ(view->scale(), 1.0);
    EXPECT_EQ(view->extent().width, 2040);
    EXPECT_EQ(view->extent().height, 1540);

    // 254 drawing units make an inch; page step a tenth of the extent, line step a tenth of it.
    const double dpi = view->logicalDpiX();
    EXPECT_EQ(view->horizontalScrollBar()->pageStep(),
              static_cast<int>(std::ceil(204 * dpi / 254)));
    EXPECT_EQ(view->horizontalScrollBar()->singleStep(),
              static_cast<int>(std::ceil(20 * dpi / 254)));
    view->resize(300, 200);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(),
              static_cast<int>(std::ceil(2040 * dpi / 254)) - view->viewport()->width());

    // The screen calibration enters the scale, not the zoom.
    doc.takeCalibratedZoom(80.0); // 1.25
    view->executeCommand(gui::ID_ZOOM_200);
    EXPECT_EQ(view->zoom(), 2.0);
    EXPECT_EQ(view->scale(), 2.5);
    EXPECT_EQ(view->extent().width, 5040);
    EXPECT_EQ(view->extent().height, 3790);
}

TEST_F(PatternView, ZoomCommandsSetZoomDocumentAndZoomBox) {
    auto view = makeView();
    EXPECT_EQ(host.zoomBoxText, "100%");
    EXPECT_FALSE(view->commandState(gui::ID_ZOOM_100).enabled);

    view->executeCommand(gui::ID_ZOOM_67);
    EXPECT_EQ(view->zoom(), 0.67);
    EXPECT_EQ(doc.zoom(), 0.67);
    EXPECT_EQ(host.zoomBoxText, "67%");
    EXPECT_FALSE(view->commandState(gui::ID_ZOOM_67).enabled);
    for (const int id : {gui::ID_ZOOM_50, gui::ID_ZOOM_100, gui::ID_ZOOM_150, gui::ID_ZOOM_200,
                         gui::ID_ZOOM_CUSTOM})
        EXPECT_TRUE(view->commandState(id).enabled) << id;

    view->executeCommand(gui::ID_ZOOM_50);
    EXPECT_EQ(doc.zoom(), 0.5);
    EXPECT_EQ(view->extent().width, 1040);
    EXPECT_EQ(host.zoomBoxText, "50%");
}

TEST_F(PatternView, CustomZoomOpensWithTheRoundedPercentage) {
    auto view = makeView();
    view->executeCommand(gui::ID_ZOOM_67);
    host.dialogs.customZoomAnswers = {250.0, std::nullopt};
    view->executeCommand(gui::ID_ZOOM_CUSTOM);
    ASSERT_EQ(host.dialogs.customZoomOffered.size(), 1u);
    EXPECT_EQ(host.dialogs.customZoomOffered[0], 67);
    EXPECT_EQ(view->zoom(), 2.5);
    EXPECT_EQ(doc.zoom(), 2.5);
    EXPECT_EQ(host.zoomBoxText, "250%");

    view->executeCommand(gui::ID_ZOOM_CUSTOM); // cancelled
    EXPECT_EQ(view->zoom(), 2.5);
    EXPECT_EQ(host.dialogs.customZoomOffered.back(), 250);
}

TEST_F(PatternView, ZoomBoxChangeZoomsAndReturnsTheFocus) {
    auto view = makeView();
    showActive(*view);
    QWidget elsewhere(view.get());
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.setFocus();
    host.zoomBox = 150;
    view->executeCommand(gui::ID_ZOOM_CHANGED);
    EXPECT_EQ(view->zoom(), 1.5);
    EXPECT_EQ(doc.zoom(), 1.5);
    EXPECT_EQ(host.zoomBoxText, "150%");
    EXPECT_TRUE(view->hasFocus());
}

TEST_F(PatternView, ZoomOutsideTheOfferedRangeIsBroughtIntoIt) {
    // A pattern file may carry any finite zoom; zero would leave nothing but the margins.
    test::editInputs(doc, [](PatternInputs& in) { in.zoom = 0.0; });
    auto small = makeView();
    EXPECT_EQ(small->zoom(), 0.1);
    EXPECT_EQ(host.zoomBoxText, "10%");
    test::editInputs(doc, [](PatternInputs& in) { in.zoom = 7.0; });
    auto large = makeView();
    EXPECT_EQ(large->zoom(), 5.0);
    host.zoomBox = 0;
    large->executeCommand(gui::ID_ZOOM_CHANGED);
    EXPECT_EQ(large->zoom(), 0.1);
}

TEST_F(PatternView, TogglesFlipTheirTextsAndTheDocumentWithoutModifyingIt) {
    auto view = makeView();
    // Without spots there is nothing to grey or label.
    EXPECT_FALSE(view->commandState(gui::ID_VIEW_GRAYSCALE).enabled);
    EXPECT_FALSE(view->commandState(gui::ID_VIEW_INDEX).enabled);
    EXPECT_TRUE(view->commandState(gui::ID_VIEW_CROSSLINE).enabled);
    test::computeSilicon(doc);
    ASSERT_GT(doc.spotCount(), 0);
    doc.setModified(false);
    EXPECT_TRUE(view->commandState(gui::ID_VIEW_GRAYSCALE).enabled);
    EXPECT_TRUE(view->commandState(gui::ID_VIEW_INDEX).enabled);

    EXPECT_EQ(view->commandState(gui::ID_VIEW_GRAYSCALE).text, "Dark &Spots");
    EXPECT_EQ(view->commandState(gui::ID_VIEW_INDEX).text, "Show &Index");
    EXPECT_EQ(view->commandState(gui::ID_VIEW_CROSSLINE).text, "Hide &Crossline");

    for (const int id : {gui::ID_VIEW_GRAYSCALE, gui::ID_VIEW_INDEX, gui::ID_VIEW_CROSSLINE})
        view->executeCommand(id);
    EXPECT_EQ(view->commandState(gui::ID_VIEW_GRAYSCALE).text, "Grayscale &Spots");
    EXPECT_EQ(view->commandState(gui::ID_VIEW_INDEX).text, "Hide &Index");
    EXPECT_EQ(view->commandState(gui::ID_VIEW_CROSSLINE).text, "Show &Crossline");
    EXPECT_EQ(doc.grayscaleSpots(), 0);
    EXPECT_EQ(doc.showIndex(), 1);
    EXPECT_EQ(doc.showCrossline(), 0);
    EXPECT_FALSE(doc.isModified());

    view->executeCommand(gui::ID_VIEW_GRAYSCALE);
    EXPECT_EQ(doc.grayscaleSpots(), 1);
    EXPECT_TRUE(view->grayscaleSpots());
}

TEST_F(PatternView, MinimisedFrameDisablesAllButPrintAndZoomBox) {
    test::computeSilicon(doc);
    QMdiArea area;
    area.resize(600, 400);
    auto* view = new CXtalspView(doc, host);
    view->InitFromDocument();
    QMdiSubWindow* frame = area.addSubWindow(view);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    EXPECT_TRUE(view->commandState(gui::ID_ZOOM_50).enabled);
    EXPECT_TRUE(view->commandState(gui::ID_SETTING_SPOT_SIZE).enabled);

    frame->showMinimized();
    for (const int id :
         {gui::ID_ZOOM_50, gui::ID_ZOOM_67, gui::ID_ZOOM_150, gui::ID_ZOOM_200, gui::ID_ZOOM_CUSTOM,
          gui::ID_VIEW_GRAYSCALE, gui::ID_VIEW_INDEX, gui::ID_VIEW_CROSSLINE,
          gui::ID_SETTING_SPOT_SIZE, gui::ID_FILE_PRINT_PREVIEW})
        EXPECT_FALSE(view->commandState(id).enabled) << id;
    EXPECT_TRUE(view->commandState(gui::ID_FILE_PRINT).enabled);
    EXPECT_TRUE(view->commandState(gui::ID_ZOOM_CHANGED).enabled);
}

TEST_F(PatternView, SpotSizeGoesToViewDocumentAndSettings) {
    auto view = makeView();
    host.dialogs.spotSizeAnswers = {std::nullopt, gui::SpotSizeMm{3.0, 1.5}};
    view->executeCommand(gui::ID_SETTING_SPOT_SIZE); // cancelled
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(view->spotWidth(), 20);

    view->executeCommand(gui::ID_SETTING_SPOT_SIZE);
    ASSERT_EQ(host.dialogs.spotSizeOffered.size(), 2u);
    EXPECT_EQ(host.dialogs.spotSizeOffered[1], (gui::SpotSizeMm{2.0, 2.0}));
    EXPECT_EQ(view->spotWidth(), 30);
    EXPECT_EQ(view->spotHeight(), 15);
    EXPECT_EQ(doc.spotWidth(), 30);
    EXPECT_EQ(doc.spotHeight(), 15);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(host.store.readText(kSettingsSection, "DotWidth"), "30");
    EXPECT_EQ(host.store.readText(kSettingsSection, "DotHeight"), "15");
}

TEST_F(PatternView, FocusShowsZoomGeometryAndRepaints) {
    test::editInputs(doc, [&](PatternInputs& in) {
        in.settings.distance = 500;
        in.settings.rotationX = 0.5;
        in.settings.rotationY = -1;
    });
    auto view = makeView();
    view->executeCommand(gui::ID_ZOOM_150);
    showActive(*view);
    QWidget elsewhere(view.get());
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    elsewhere.setFocus();
    host.activeView = view.get();
    host.zoomBox = 100;
    host.zoomBoxText = "100%";
    host.geometryStatus.clear();
    QApplication::processEvents();
    host.patternStatus.clear();
    test::PaintCounter paints(view->viewport());
    CXtalspView* activated = nullptr;
    QObject::connect(view.get(), &CXtalspView::activated,
                     [&activated](CXtalspView* v) { activated = v; });

    view->setFocus();
    EXPECT_EQ(activated, view.get());
    EXPECT_EQ(host.zoomBoxText, "150%");
    EXPECT_EQ(host.zoomBox, 150);
    EXPECT_EQ(host.geometryStatus, QStringList{"5; 0.5; -1"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints.paints > 0; }));
    ASSERT_FALSE(host.patternStatus.isEmpty());
    EXPECT_EQ(host.patternStatus.back(), "Define or import a structure to continue...");
}

TEST_F(PatternView, FollowsTheDocumentsGeometryFilmAndCalibration) {
    auto view = makeView();
    view->executeCommand(gui::ID_ZOOM_150);
    test::computeSilicon(doc);
    host.geometryStatus.clear();
    doc.takeRotation(1.5, -2);
    EXPECT_EQ(host.geometryStatus.back(), "3; 1.5; -2");

    host.zoomBoxText.clear();
    doc.takePatternSize(30, 20);
    EXPECT_EQ(view->extent().width, 4540);
    EXPECT_EQ(view->extent().height, 3040);
    EXPECT_TRUE(host.zoomBoxText.isEmpty()); // the zoom did not change

    doc.takeCalibratedZoom(50); // the 100 mm line measured 50 mm: twice the nominal scale
    EXPECT_EQ(view->zoom(), 1.5);
    EXPECT_EQ(view->scale(), 3.0);
    EXPECT_EQ(view->extent().width, 9040);
}

TEST_F(PatternView, EveryViewRepaintsButOnlyTheActiveOneSetsPaneOne) {
    QWidget window;
    auto* active = new CXtalspView(doc, host, &window);
    auto* other = new CXtalspView(doc, host, &window);
    active->InitFromDocument();
    other->InitFromDocument();
    active->setGeometry(0, 0, 200, 200);
    other->setGeometry(200, 0, 200, 200);
    host.activeView = active;
    window.resize(400, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
    test::PaintCounter activePaints(active->viewport());
    test::PaintCounter otherPaints(other->viewport());
    host.patternStatus.clear();

    test::computeSilicon(doc);
    ASSERT_TRUE(QTest::qWaitFor([&] { return activePaints.paints > 0 && otherPaints.paints > 0; }));
    EXPECT_EQ(host.patternStatus.size(), activePaints.paints);
    EXPECT_EQ(host.patternStatus.back(), "You can right click on a spot to see detail...");
}

} // namespace
} // namespace xtalsp
