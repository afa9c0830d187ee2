// The main window: menus, toolbar with the zoom box, status panes, the keyboard table, the
// multi-document area holding the pattern windows, and its remembered placement.
#pragma once

#include "gui/image/imagecommands.h"
#include "gui/shell/childframe.h"
#include "gui/shell/commandtarget.h"
#include "gui/shell/documentcommands.h"
#include "gui/view/viewhost.h"

#include <QMainWindow>
#include <QPointer>
#include <map>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolBar;

namespace xtalsp::gui {

class CXtalspView;

// A path for the recent-file list, at most about `maxLength` characters: folders in the middle
// become "...", the file name stays whole.
QString shortenedRecentPath(const QString& path, int maxLength);

// Status bar panes 1 to 3 (pane 0 is the message area).
enum StatusPane { PatternPane = 1, GeometryPane = 2, SpacerPane = 3 };

class CMainFrame : public QMainWindow, public ViewHost, public CommandTarget {
    Q_OBJECT
public:
    CMainFrame(SettingsStore& settings, UserPrompt& prompt, FileChooser& chooser,
               ViewDialogs& viewDialogs, DocumentDialogs& documentDialogs,
               const QString& applicationDirectory);
    ~CMainFrame() override;

    // The application's commands (new, open, save, about...) come after the active view's.
    void setApplicationTarget(CommandTarget* target) { m_applicationTarget = target; }
    // Called before the window is shown and when it closes, with the placement values of the
    // settings store ("MainFrmMax", "MainFrmX", ...).
    void restorePlacement();
    void savePlacement();
    // The window as it should first appear: maximised when it was closed so.
    void showAsRemembered();
    // Sizes the client area of the still hidden window as it will appear.
    void layoutBeforeShowing();
    // On a first start, grows the window so that the active pattern shows its whole film.
    void fitFirstPatternWindow();

    QMdiArea* mdiArea() const { return m_mdiArea; }
    // The counters every child frame keeps in the main frame (open frames, cascade index).
    ChildFrameCounters& childFrameCounters() { return m_counters; }
    // Places a new pattern window in the cascade and activates it.
    void addChildFrame(CChildFrame* frame);
    CChildFrame* activeChildFrame() const;
    std::vector<CChildFrame*> childFrames() const;
    CXtalspView* activeView() const;

    // Re-evaluates every command's enabled, checked and text state, the panes and the zoom box,
    // as the platform's idle update does.
    void updateCommandUi();
    void setRecentFiles(const QStringList& paths);
    // Runs a command as if its menu item had been chosen.
    void runCommand(int id);

    QString paneText(int pane) const;
    QComboBox* zoomBox() const { return m_zoomBox; }
    QAction* commandAction(int id) const;

    // ViewHost
    void showZoomPercentage(int percentage) override;
    int zoomBoxPercentage() const override { return m_zoomPercentage; }
    void showPatternStatus(const QString& text) override;
    void showGeometryStatus(const QString& text) override;
    bool isActiveView(const CXtalspView* view) const override;
    void showPointerStatus(const QString& text) override;
    UserPrompt& prompt() override { return m_prompt; }
    FileChooser& fileChooser() override { return m_chooser; }
    ViewDialogs& viewDialogs() override { return m_viewDialogs; }
    SettingsStore& settings() override { return m_settings; }

    // CommandTarget: the frame's own commands (bars, window arrangement, exit).
    bool handlesCommand(int id) const override;
    CommandState commandState(int id) const override;
    void executeCommand(int id) override;

    // The status prompt and tool tip of a command ("" when it has none).
    static QString commandPrompt(int id);
    static QString commandToolTip(int id);

signals:
    // A file dropped on the window, to be opened.
    void fileDropped(const QString& path);
    // The user asked to close the window; the application decides (unsaved patterns).
    void closeRequested(bool* accept);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createActions();
    void createMenus();
    void addOrientationItems(QMenu& setting);
    void addMarkingItems(QMenu& view);
    void syncToolBarButton(QAction& button) const;
    QMenu* imageMenu();
    void createToolBar();
    void createZoomBox();
    void createStatusBar();
    void createKeyboardTable();
    QAction* addCommandKey(const QKeySequence& sequence, int id);
    // The Edit menu, its keys, and the progress of a long computation (mainframeedit.cpp).
    QMenu* editMenu();
    void createEditKeys();
    void createComputationStatus();
    void updateComputationStatus();
    QAction* action(int id, const QString& text);
    QMenu* fileMenu(bool pattern);
    void showMenuBar(bool pattern);
    CommandTarget* targetFor(int id) const;
    void updateAction(QAction* action);
    void focusNextPane(bool forward);
    void focusActiveView();
    void zoomBoxEntered();
    void listWindows(QMenu* menu);
    void zoomBoxPicked(int index);
    void growPendingFirstChild();

    SettingsStore& m_settings;
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    ViewDialogs& m_viewDialogs;
    ChildFrameCounters m_counters;
    // The settings commands of whichever pattern is active; pointed at it before each use.
    mutable DocumentCommands m_documentCommands;
    // The image commands of whichever pattern is active, pointed at it the same way.
    mutable ImageCommands m_imageCommands;
    CommandTarget* m_applicationTarget = nullptr;
    QMdiArea* m_mdiArea = nullptr;
    QToolBar* m_toolBar = nullptr;
    QComboBox* m_zoomBox = nullptr;
    std::map<int, QLabel*> m_panes;
    std::map<int, QAction*> m_actions;
    std::map<int, QString> m_defaultTexts;
    std::vector<QMenu*> m_shortMenus, m_patternMenus;
    std::vector<QAction*> m_recentFileActions[2];
    bool m_patternMenusShown = false;
    int m_zoomPercentage = 100;
    bool m_entering = false, m_selecting = false;
    bool m_placementStored = false;
    std::vector<QAction*> m_windowListActions;
    QProgressBar* m_computationProgress = nullptr;
    QPushButton* m_cancelComputation = nullptr;
    QAction* m_cancelKey = nullptr;
    // The first start's pattern window and the size it takes once the main window has grown.
    std::pair<QMdiSubWindow*, QSize> m_pendingFirstChild{nullptr, QSize()};
};

} // namespace xtalsp::gui
