#include "gui/shell/childframe.h"

#include "gui/shell/commandids.h"
#include "gui/support/viewtesting.h"
#include "gui/view/xtalspview.h"

#include <QApplication>
#include <QMdiArea>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace xtalsp {
namespace {

using gui::CChildFrame;
using gui::CXtalspView;

TEST(CascadePlacement, StepsTenTimesThenStartsOver) {
    const QSize client(800, 600);
    EXPECT_EQ(gui::cascadePlacement(client, 1), QRect(2, 2, 790, 550));
    EXPECT_EQ(gui::cascadePlacement(client, 2), QRect(17, 22, 775, 530));
    EXPECT_EQ(gui::cascadePlacement(client, 10), QRect(137, 182, 655, 370));
    EXPECT_EQ(gui::cascadePlacement(client, 11), QRect(2, 2, 790, 550));
}

TEST(CascadePlacement, SmallClientLeavesPlacementToThePlatform) {
    EXPECT_EQ(gui::cascadePlacement({300, 600}, 1), std::nullopt);
    EXPECT_EQ(gui::cascadePlacement({600, 300}, 1), std::nullopt);
    EXPECT_EQ(gui::cascadePlacement({301, 301}, 1), QRect(2, 2, 291, 251));
}

TEST(ChildFrameCounters, CascadeIndexStartsOverWhenTheLastFrameCloses) {
    gui::ChildFrameCounters counters;
    EXPECT_EQ(counters.frameCreated(), 1);
    EXPECT_EQ(counters.frameCreated(), 2);
    counters.frameDestroyed();
    EXPECT_EQ(counters.openCount(), 1);
    EXPECT_EQ(counters.frameCreated(), 3); // keeps counting while a frame is open
    counters.frameDestroyed();
    counters.frameDestroyed();
    EXPECT_EQ(counters.openCount(), 0);
    EXPECT_EQ(counters.cascadeIndex(), 0);
    counters.frameDestroyed(); // never below zero
    EXPECT_EQ(counters.openCount(), 0);
    EXPECT_EQ(counters.frameCreated(), 1);
}

class ChildFrame : public ::testing::Test {
protected:
    void showInArea(CChildFrame* frame) {
        area.resize(800, 600);
        area.addSubWindow(frame);
        frame->resize(600, 400);
        area.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    }

    test::FakeViewHost host;
    CXtalspDoc doc{test::hostServices(host)};
    gui::ChildFrameCounters counters;
    QMdiArea area;
};

TEST_F(ChildFrame, CountsItselfAndTakesItsCascadePlace) {
    {
        CChildFrame first(doc, host, counters);
        CChildFrame second(doc, host, counters);
        EXPECT_EQ(counters.openCount(), 2);
        EXPECT_EQ(second.cascadeIndex(), 2);
        second.applyCascadePlacement({800, 600});
        EXPECT_EQ(second.geometry(), QRect(17, 22, 775, 530));
    }
    EXPECT_EQ(counters.openCount(), 0);
    CChildFrame next(doc, host, counters);
    EXPECT_EQ(next.cascadeIndex(), 1);
}

TEST_F(ChildFrame, SplitsIntoAtMostTwoRowsAndTwoColumnsOfTheSameDocument) {
    CChildFrame frame(doc, host, counters);
    EXPECT_EQ(frame.rowCount(), 1);
    EXPECT_EQ(frame.columnCount(), 1);
    ASSERT_NE(frame.activeView(), nullptr);
    EXPECT_EQ(frame.activeView(), frame.pane(0, 0));

    // New panes start from what the document holds, including the last zoom set.
    frame.pane(0, 0)->executeCommand(gui::ID_ZOOM_150);
    // The split boxes beside a view's scroll bars ask for the second row and column.
    emit frame.pane(0, 0)->rowSplitRequested();
    EXPECT_FALSE(frame.splitRows());
    emit frame.pane(0, 0)->columnSplitRequested();
    EXPECT_FALSE(frame.splitColumns());
    EXPECT_EQ(frame.rowCount(), 2);
    EXPECT_EQ(frame.columnCount(), 2);
    ASSERT_EQ(frame.views().size(), 4u);
    for (CXtalspView* view : frame.views()) {
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(&view->document(), &doc);
        EXPECT_EQ(view->zoom(), 1.5);
    }

    EXPECT_TRUE(frame.removeColumn(1));
    EXPECT_EQ(frame.columnCount(), 1);
    EXPECT_EQ(frame.findChildren<CXtalspView*>().size(), 2); // from every row
    EXPECT_TRUE(frame.removeRow(0));
    EXPECT_FALSE(frame.removeRow(0));
    EXPECT_FALSE(frame.removeColumn(0));
    EXPECT_EQ(frame.findChildren<CXtalspView*>().size(), 1);
}

TEST_F(ChildFrame, ActivePaneFollowsTheFocusAndSurvivesRemoval) {
    auto* frame = new CChildFrame(doc, host, counters);
    frame->splitRows();
    showInArea(frame);
    QApplication::setActiveWindow(&area);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    CXtalspView* announced = nullptr;
    QObject::connect(frame, &CChildFrame::activeViewChanged,
                     [&announced](CXtalspView* view) { announced = view; });

    frame->pane(1, 0)->setFocus();
    EXPECT_EQ(frame->activeView(), frame->pane(1, 0));
    EXPECT_EQ(announced, frame->pane(1, 0));
    frame->removeRow(1);
    EXPECT_EQ(frame->activeView(), frame->pane(0, 0));
    EXPECT_EQ(announced, frame->pane(0, 0));
}

TEST_F(ChildFrame, DraggingADividerOntoTheEdgeRemovesThePane) {
    auto* frame = new CChildFrame(doc, host, counters);
    frame->splitRows();
    showInArea(frame);
    auto* rows = qobject_cast<QSplitter*>(frame->widget());
    ASSERT_NE(rows, nullptr);
    QSplitterHandle* handle = rows->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip + QPoint(0, rows->height()));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, rows->height()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->rowCount() == 1; }));
    EXPECT_EQ(frame->views().size(), 1u);
}

} // namespace
} // namespace xtalsp
