#include "gui/view/xtalspview.h"

#include "gui/shell/commandids.h"
#include "gui/shell/mainframe.h"
#include "gui/shell/xtalspapp.h"
#include "gui/support/fakeviewhost.h"
#include "gui/support/scripteddocumentdialogs.h"
#include "gui/support/scriptedfilechooser.h"
#include "support/recordingprompt.h"
#include "support/tempdir.h"
#include "testpaths.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace xtalsp {
namespace {

void sendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = {}) {
    const QPointF local(at);
    QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, held, modifiers);
    QApplication::sendEvent(target, &event);
}

void drag(QWidget* target, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
    sendMouse(target, QEvent::MouseButtonPress, from, Qt::LeftButton, modifiers);
    for (int step = 1; step <= 4; ++step)
        sendMouse(target, QEvent::MouseMove, from + (to - from) * step / 4, Qt::LeftButton,
                  modifiers);
    sendMouse(target, QEvent::MouseButtonRelease, to, Qt::NoButton, modifiers);
}

// The program's own set-up: patterns compute on a worker and come back through the event loop.
TEST(CrystalDrag, ADragTurnsTheCrystalInTheBackgroundAndUndoesInOneStep) {
    test::TempDir dir;
    MemorySettingsStore store;
    test::RecordingPrompt prompt;
    test::ScriptedFileChooser chooser;
    test::ScriptedViewDialogs dialogs;
    test::ScriptedDocumentDialogs documentDialogs;
    gui::CXtalspApp app(store, prompt, chooser, dialogs, documentDialogs,
                        QString::fromStdString(dir.path()));
    app.setComputesInBackground(true);
    ASSERT_TRUE(app.InitInstance(
        {QString::fromUtf8(test::kExamplesDir) + "/silicon-transmission-001.ptn"}));
    prompt.messages.clear(); // the new default spectrum is announced
    gui::CMainFrame& frame = *app.mainFrame();
    frame.show();
    gui::CXtalspView* view = frame.activeView();
    ASSERT_NE(view, nullptr);
    CXtalspDoc& doc = view->document();
    const auto idle = [&] { return QTest::qWaitFor([&] { return !doc.isComputing(); }, 20000); };
    ASSERT_TRUE(idle());
    const DiffractionSettings start = doc.settings();
    const SpotList startSpots = doc.spots();
    ASSERT_FALSE(startSpots.empty());

    // A click without motion leaves the crystal alone.
    drag(view->viewport(), {100, 100}, {101, 100});
    EXPECT_EQ(doc.settings(), start);
    EXPECT_FALSE(doc.canUndo());

    drag(view->viewport(), {100, 100}, {160, 130});
    ASSERT_TRUE(idle());
    EXPECT_GT(doc.settings().rotationY, start.rotationY + 1);
    EXPECT_GT(doc.settings().rotationX, start.rotationX + 0.5);
    EXPECT_NE(doc.spots(), startSpots);
    EXPECT_TRUE(doc.isModified());

    const DiffractionSettings dragged = doc.settings();
    frame.runCommand(gui::ID_EDIT_UNDO);
    ASSERT_TRUE(idle());
    EXPECT_EQ(doc.settings(), start);
    EXPECT_EQ(doc.spots(), startSpots);
    EXPECT_FALSE(doc.isModified());
    EXPECT_FALSE(doc.canUndo());
    frame.runCommand(gui::ID_EDIT_REDO);
    ASSERT_TRUE(idle());
    EXPECT_EQ(doc.settings(), dragged);

    // With Shift the drag turns the crystal about the beam: the planes change, X and Y stay.
    drag(view->viewport(), {100, 100}, {160, 100}, Qt::ShiftModifier);
    ASSERT_TRUE(idle());
    EXPECT_NE(doc.settings().surfacePlane, dragged.surfacePlane);
    EXPECT_DOUBLE_EQ(doc.settings().rotationX, dragged.rotationX);
    EXPECT_DOUBLE_EQ(doc.settings().rotationY, dragged.rotationY);
    EXPECT_TRUE(prompt.messages.empty());
}

} // namespace
} // namespace xtalsp
