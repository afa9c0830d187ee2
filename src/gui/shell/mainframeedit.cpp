// The main window's Edit menu with its keys, and the status bar's progress and Cancel button
// while the active pattern computes.
#include "gui/shell/commandids.h"
#include "gui/shell/mainframe.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

namespace xtalsp::gui {

namespace {

// A computation shorter than this finishes without the progress bar flashing up.
constexpr double kProgressDelaySeconds = 0.3;
constexpr int kProgressSteps = 1000;
constexpr int kProgressPollMilliseconds = 100;

} // namespace

QMenu* CMainFrame::editMenu() {
    auto* menu = new QMenu("&Edit", this);
    menu->setObjectName("editMenu");
    menu->addAction(action(ID_EDIT_UNDO, "&Undo\tCtrl+Z"));
    menu->addAction(action(ID_EDIT_REDO, "&Redo\tCtrl+Y"));
    menu->addSeparator();
    menu->addAction(action(ID_EDIT_COPY, "&Copy\tCtrl+C"));
    return menu;
}

void CMainFrame::createEditKeys() {
    addCommandKey(QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO);
    addCommandKey(QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO);
    addCommandKey(QKeySequence(Qt::CTRL | Qt::Key_Y), ID_EDIT_REDO);
    addCommandKey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), ID_EDIT_REDO);
    // Esc belongs to the computation only while one runs; otherwise widgets keep it.
    m_cancelKey = addCommandKey(QKeySequence(Qt::Key_Escape), ID_CANCEL_COMPUTATION);
    m_cancelKey->setEnabled(false);
}

void CMainFrame::createComputationStatus() {
    m_computationProgress = new QProgressBar;
    m_computationProgress->setRange(0, kProgressSteps);
    m_computationProgress->setFixedWidth(160);
    m_computationProgress->setMaximumHeight(statusBar()->fontMetrics().height() + 4);
    m_computationProgress->setFormat("Computing %p%");
    m_cancelComputation = new QPushButton("Cancel");
    m_cancelComputation->setFocusPolicy(Qt::NoFocus);
    m_cancelComputation->setToolTip(commandPrompt(ID_CANCEL_COMPUTATION) + " (Esc)");
    connect(m_cancelComputation, &QPushButton::clicked, this,
            [this] { runCommand(ID_CANCEL_COMPUTATION); });
    // Before the pattern panes; the message area ("Ready") is the one item ahead of them.
    statusBar()->insertPermanentWidget(1, m_computationProgress);
    statusBar()->insertPermanentWidget(2, m_cancelComputation);
    m_computationProgress->hide();
    m_cancelComputation->hide();
    // The worker only stores its progress; the window reads it at its own pace.
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CMainFrame::updateComputationStatus);
    poll->start(kProgressPollMilliseconds);
}

void CMainFrame::updateComputationStatus() {
    const CChildFrame* frame = activeChildFrame();
    const CXtalspDoc* doc = frame != nullptr ? &frame->document() : nullptr;
    const bool computing = doc != nullptr && doc->isComputing();
    if (m_cancelKey != nullptr)
        m_cancelKey->setEnabled(computing);
    const bool shown = computing && doc->computationSeconds() > kProgressDelaySeconds;
    if (shown)
        m_computationProgress->setValue(
            static_cast<int>(doc->computationProgress() * kProgressSteps));
    m_computationProgress->setVisible(shown);
    m_cancelComputation->setVisible(shown);
}

} // namespace xtalsp::gui
