// The main window of the program.
#include "gui/shell/mainframe.h"

#include "core/text/numbertext.h"
#include "gui/shell/childframe.h"
#include "gui/shell/commandids.h"
#include "gui/shell/toolbaricons.h"
#include "gui/view/xtalspview.h"
#include "render/patterndrawing.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace xtalsp::gui {

namespace {

constexpr int kRecentFileShownLength = 40;

struct CommandTexts {
    const char* prompt;
    const char* toolTip;
};

const std::map<int, CommandTexts>& commandTexts() {
    static const std::map<int, CommandTexts> texts = {
        {ID_EXPORT_TEXTFILE, {"Export the detailed pattern information in a text file", ""}},
        {ID_EXPORT_METAFILE, {"Export the active pattern as a Windows metafile", ""}},
        {ID_SETTING_SPECTRUM, {"Set the incident beam's spectrum", "Spectrum"}},
        {ID_SETTING_STRUCTURE, {"Import or modify crystal structure ", "Crystal structure"}},
        {ID_SETTING_DIFFRACTION, {"Set diffraction geometry", "Diffraction Setting"}},
        {ID_SETTING_ROTATE, {"Rotate the crystal by specific angles", ""}},
        {ID_SETTING_DISTANCE, {"Change only the imaging distance", ""}},
        {ID_SETTING_PATTERN_SIZE, {"Change the pattern (film) size", ""}},
        {ID_SETTING_SPOT_SIZE, {"Change the diffraction spot size", ""}},
        {ID_INTENSITY_KINEMATIC,
         {"Choose kinematic diffraction model for intensity calculation", ""}},
        {ID_INTENSITY_DYNAMICAL, {"Dynamic diffraction model (not available)", ""}},
        {ID_VIEW_GRAYSCALE,
         {"Switch between grayscale and totally black Spots", "Grayscale/Dark Spots"}},
        {ID_INTENSITY_ADJUST, {"Advanced adjustment of spot intensity", "Adjust Intensity"}},
        {ID_VIEW_INDEX, {"Show or hide the reflection index of each dot", "Show or Hide Index"}},
        {ID_VIEW_CROSSLINE, {"Show or hide the green coordinate crossline", ""}},
        {ID_EXPORT_MERGING, {"Export the active pattern for merging with other patterns", ""}},
        {ID_VIEW_CALIBRATE, {"Calibrate the screen zoom", ""}},
        {ID_ZOOM_50, {"Chang the screen zoom to 50%", ""}},
        {ID_ZOOM_100, {"Chang the screen zoom to 100%", ""}},
        {ID_ZOOM_67, {"Chang the screen zoom to 67%", ""}},
        {ID_ZOOM_150, {"Chang the screen zoom to 150%", ""}},
        {ID_ZOOM_200, {"Chang the screen zoom to 200%", ""}},
        {ID_ZOOM_CUSTOM, {"Define custom screen zoom", ""}},
        {ID_HELP_ACCELERATORS, {"List accelerator functions not available from menu", ""}},
        {ID_MERGE_PATTERN, {"Merge the active pattern with existing patterns", ""}},
        {ID_ROTATE_Y_PLUS, {"Rotate along Y+ direction by 1\u00B0", "Rotate Y+ (1\u00B0)"}},
        {ID_ROTATE_Y_MINUS, {"Rotate along Y- direction by 1\u00B0", "Rotate Y- (1\u00B0)"}},
        {ID_STRUCTURE_FACTOR, {"Calculate the structure factor of an arbitrary reflection", ""}},
        {ID_VIEW_SELECTED_SPOT,
         {"View the detailed information of the selected spot", "Selected Spot"}},
        {ID_ROTATE_X_PLUS, {"Rotate along X+ direction by 1\u00B0", "Rotate X+ (1\u00B0)"}},
        {ID_ROTATE_X_MINUS, {"Rotate along X- direction by 1\u00B0", "Rotate X- (1\u00B0)"}},
        {ID_INTENSITY_NORMALIZE, {"Make the intensity of the strongest spot 100%", ""}},
        {ID_ROTATE_PSI_PLUS,
         {"Rotate about the beam by 1\u00B0 counter-clockwise", "Rotate about beam + (1\u00B0)"}},
        {ID_ROTATE_PSI_MINUS,
         {"Rotate about the beam by 1\u00B0 clockwise", "Rotate about beam - (1\u00B0)"}},
        {ID_VIEW_FIT_WINDOW, {"Zoom so that the whole film fits in the window", ""}},
        {ID_VIEW_MARK_SPOTS, {"Mark measured spots with the left mouse button", "Mark Spots"}},
        {ID_MARKS_IMPORT, {"Read marked spots from a CSV file", ""}},
        {ID_MARKS_CLEAR, {"Remove all marked spots", ""}},
        {ID_FIT_ORIENTATION, {"Fit the orientation to the marked spots", ""}},
        {ID_INDEX_SPOTS, {"Find the orientations that explain the marked spots", ""}},
        {ID_MARKS_FROM_PEAKS, {"Mark the peaks found in the image", ""}},
        {ID_EDIT_COPY, {"Copy the pattern's picture to the clipboard", "Copy"}},
        {ID_ALIGN_SELECTED_SPOT, {"Turn the selected spot's plane normal onto the beam", ""}},
        {ID_VIEW_GNOMONIC, {"Show the spots in gnomonic projection", ""}},
        {ID_IMAGE_OPEN, {"Open a measured image to show under the active pattern", ""}},
        {ID_IMAGE_CLOSE, {"Close the measured image of the active pattern", ""}},
        {ID_IMAGE_CALIBRATE,
         {"Set the pixel size, beam centre, flip and rotation of the image", ""}},
        {ID_IMAGE_CONTRAST, {"Change the image contrast and the opacity of the spots", ""}},
        {ID_IMAGE_FIT_FILM, {"Make the film cover the whole image", ""}},
        {ID_IMAGE_FIND_PEAKS, {"Find the measured spots in the image", ""}},
        {ID_IMAGE_PEAK_LIST, {"List the peaks found in the image", ""}},
        {ID_FILE_NEW, {"Create a new pattern", "New"}},
        {ID_FILE_OPEN, {"Open an existing pattern file", "Open"}},
        {ID_FILE_CLOSE, {"Close the active pattern file", "Close"}},
        {ID_FILE_SAVE, {"Save the active pattern", "Save"}},
        {ID_FILE_SAVE_AS, {"Save the active pattern with a new file name", "Save As"}},
        {ID_FILE_PRINT_SETUP, {"Change the printer and printing options", "Print Setup"}},
        {ID_FILE_PRINT, {"Print the active pattern", "Print"}},
        {ID_FILE_PRINT_PREVIEW, {"Display full pattern", "Print Preview"}},
        {ID_FILE_MRU_FILE1, {"Open this file", ""}},
        {ID_WINDOW_NEW, {"Open another window for the active pattern", "New Window"}},
        {ID_WINDOW_ARRANGE, {"Arrange icons at the bottom of the window", "Arrange Icons"}},
        {ID_WINDOW_CASCADE, {"Arrange windows so they overlap", "Cascade Windows"}},
        {ID_WINDOW_TILE, {"Arrange windows as non-overlapping tiles", "Tile Windows"}},
        {ID_APP_EXIT, {"Quit the Xtalspotter application", "Exit"}},
        {ID_HELP_FINDER, {"List Help topics", "Help Topics"}},
        {ID_VIEW_TOOLBAR, {"Show or hide the toolbar", "Toggle ToolBar"}},
        {ID_VIEW_STATUS_BAR, {"Show or hide the status bar", "Toggle StatusBar"}},
        {ID_ZOOM_CHANGED, {"Zoom value in the Toolbar Combox changed.", "Zoom Changed"}},
        {ID_ZOOM_BOX, {"Change the zoom value", "Zoom"}},
        {ID_EDIT_UNDO, {"Undo the last change of the pattern", "Undo"}},
        {ID_EDIT_REDO, {"Redo the change undone last", "Redo"}},
        {ID_CANCEL_COMPUTATION, {"Stop the computation and keep the pattern as it was", ""}},
    };
    return texts;
}

constexpr int kRecentFileCount = 4;
// The widths of status panes 1 and 2 are those of these sample texts in the status bar font.
constexpr const char* kPatternPaneSample =
    "-HHH -KKK -LLL,   -XXX -YYY,   W.VL,   99999,  100%            ";
constexpr const char* kGeometryPaneSample = "999.99, 999.99, 999.99";

QString percentText(int percentage) {
    return QString::number(percentage) + "%";
}

// The leading integer of a text, as atoi reads it ("150%" gives 150).
int leadingInteger(const QString& text) {
    return readInt(text.toStdString());
}

} // namespace

QString CMainFrame::commandPrompt(int id) {
    const auto found = commandTexts().find(
        id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount ? ID_FILE_MRU_FILE1
                                                                             : id);
    return found == commandTexts().end() ? QString() : QString::fromUtf8(found->second.prompt);
}

QString CMainFrame::commandToolTip(int id) {
    const auto found = commandTexts().find(id);
    return found == commandTexts().end() ? QString() : QString::fromUtf8(found->second.toolTip);
}

CMainFrame::CMainFrame(SettingsStore& settings, UserPrompt& prompt, FileChooser& chooser,
                       ViewDialogs& viewDialogs, DocumentDialogs& documentDialogs,
                       const QString& applicationDirectory)
    : m_settings(settings), m_prompt(prompt), m_chooser(chooser), m_viewDialogs(viewDialogs),
      m_documentCommands(documentDialogs, applicationDirectory), m_imageCommands(prompt, chooser) {
    setWindowTitle("Xtalspotter");
    setAcceptDrops(true);
    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdiArea);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createComputationStatus();
    createKeyboardTable();
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window != nullptr && !window->isMinimized())
            focusActiveView();
        updateCommandUi();
    });
    // The platform's idle update: command states follow the documents and the views.
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &CMainFrame::updateCommandUi);
    idle->start(250);
    updateCommandUi();
}

CMainFrame::~CMainFrame() {
    // Pattern windows are torn down with the area; no command update may reach them then.
    disconnect(m_mdiArea, nullptr, this, nullptr);
    m_applicationTarget = nullptr;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList())
        delete window;
}

QAction* CMainFrame::action(int id, const QString& text) {
    auto* created = new QAction(text, this);
    created->setData(id);
    created->setStatusTip(commandPrompt(id));
    const QString tip = commandToolTip(id);
    if (!tip.isEmpty())
        created->setToolTip(tip);
    connect(created, &QAction::triggered, this, [this, id] { runCommand(id); });
    m_actions[id] = created;
    m_defaultTexts[id] = text;
    return created;
}

QAction* CMainFrame::commandAction(int id) const {
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::createActions() {
    const std::pair<int, const char*> items[] = {
        {ID_FILE_NEW, "&New\tCtrl+N"},
        {ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {ID_FILE_CLOSE, "&Close"},
        {ID_FILE_SAVE, "&Save\tCtrl+S"},
        {ID_FILE_SAVE_AS, "Save &As..."},
        {ID_EXPORT_METAFILE, "&Export Metafile..."},
        {ID_EXPORT_MERGING, "Export &Merging File..."},
        {ID_MERGE_PATTERN, "Mer&ge Pattern..."},
        {ID_EXPORT_TEXTFILE, "Export &Textfile..."},
        {ID_FILE_PRINT, "&Print...\tCtrl+P"},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
        {ID_FILE_PRINT_SETUP, "P&rint Setup..."},
        {ID_APP_EXIT, "E&xit"},
        {ID_SETTING_SPECTRUM, "Spectr&um..."},
        {ID_SETTING_STRUCTURE, "&Crystal Structure...\tCtrl+T"},
        {ID_SETTING_DIFFRACTION, "&Diffraction Setting...\tCtrl+D"},
        {ID_SETTING_ROTATE, "&Rotate Crystal...\tCtrl+R"},
        {ID_SETTING_DISTANCE, "&Imaging Distance... "},
        {ID_SETTING_PATTERN_SIZE, "&Pattern Size..."},
        {ID_SETTING_SPOT_SIZE, "Sp&ot Size..."},
        {ID_INTENSITY_KINEMATIC, "&Kinematic Model"},
        {ID_INTENSITY_DYNAMICAL, "&Dynamical Model   \t  "},
        {ID_VIEW_GRAYSCALE, "Grayscale &Spots\tF2"},
        {ID_INTENSITY_ADJUST, "&Adjust Intensity...\tF3"},
        {ID_INTENSITY_NORMALIZE, "&Normalize Intensity\tF4"},
        {ID_STRUCTURE_FACTOR, "Structure &Factor... "},
        {ID_ZOOM_50, "&50%"},
        {ID_ZOOM_67, "&67%"},
        {ID_ZOOM_100, "&100%\tF7"},
        {ID_ZOOM_150, "15&0%"},
        {ID_ZOOM_200, "&200%"},
        {ID_ZOOM_CUSTOM, "&Custom..."},
        {ID_VIEW_CALIBRATE, "C&alibrate Zoom..."},
        {ID_VIEW_INDEX, "Show &Index\tF5"},
        {ID_VIEW_CROSSLINE, "Show &Crossline"},
        {ID_VIEW_SELECTED_SPOT, "S&elected Spot...\tF8"},
        {ID_VIEW_TOOLBAR, "&Toolbar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar"},
        {ID_WINDOW_NEW, "&New Window"},
        {ID_WINDOW_CASCADE, "&Cascade"},
        {ID_WINDOW_TILE, "&Tile"},
        {ID_WINDOW_ARRANGE, "&Arrange Icons"},
        {ID_HELP_FINDER, "&Help Topics"},
        {ID_HELP_ACCELERATORS, "A&ccelerators...           "},
        {ID_APP_ABOUT, "&About Xtalspotter..."},
        {ID_IMAGE_OPEN, "Open &Image..."},
        {ID_IMAGE_CLOSE, "Close I&mage"},
        {ID_IMAGE_CALIBRATE, "&Calibrate Image..."},
        {ID_IMAGE_CONTRAST, "C&ontrast..."},
        {ID_IMAGE_FIT_FILM, "&Fit Film to Image"},
        {ID_IMAGE_FIND_PEAKS, "Find &Peaks"},
        {ID_IMAGE_PEAK_LIST, "Peak &List..."},
        {ID_ROTATE_X_PLUS, "Rotate X+ (1\u00B0)"},
        {ID_ROTATE_X_MINUS, "Rotate X- (1\u00B0)"},
        {ID_ROTATE_Y_PLUS, "Rotate Y+ (1\u00B0)"},
        {ID_ROTATE_Y_MINUS, "Rotate Y- (1\u00B0)"},
        {ID_ROTATE_PSI_PLUS, "Rotate about beam + (1\u00B0)"},
        {ID_ROTATE_PSI_MINUS, "Rotate about beam - (1\u00B0)"},
        {ID_VIEW_FIT_WINDOW, "&Fit in Window"},
        {ID_VIEW_MARK_SPOTS, "&Mark Spots"},
        {ID_MARKS_IMPORT, "Import Mar&ks..."},
        {ID_MARKS_CLEAR, "Clea&r Marks"},
        {ID_FIT_ORIENTATION, "Fit &Orientation..."},
        {ID_INDEX_SPOTS, "Inde&x Spots..."},
        {ID_MARKS_FROM_PEAKS, "Marks from &Peaks"},
        {ID_ALIGN_SELECTED_SPOT, "Align Selected Spo&t"},
        {ID_VIEW_GNOMONIC, "&Gnomonic Projection"},
    };
    for (const auto& [id, text] : items)
        action(id, QString::fromUtf8(text));
    for (const int id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, ID_INTENSITY_KINEMATIC,
                         ID_VIEW_MARK_SPOTS, ID_VIEW_GNOMONIC})
        m_actions[id]->setCheckable(true);
    // The intensity model is a choice of one: its menu item carries a radio mark.
    auto* models = new QActionGroup(this);
    models->setExclusive(true);
    models->addAction(m_actions[ID_INTENSITY_KINEMATIC]);
    for (int i = 0; i < kRecentFileCount; ++i) {
        for (int bar = 0; bar < 2; ++bar) {
            QAction* recent = action(ID_FILE_MRU_FILE1 + i, QString());
            recent->setVisible(false);
            m_recentFileActions[bar].push_back(recent);
        }
    }
}

QMenu* CMainFrame::fileMenu(bool pattern) {
    auto* menu = new QMenu("&File", this);
    menu->addAction(m_actions[ID_FILE_NEW]);
    menu->addAction(m_actions[ID_FILE_OPEN]);
    if (pattern) {
        for (const int id : {ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS})
            menu->addAction(m_actions[id]);
        menu->addSeparator();
        menu->addAction(m_actions[ID_IMAGE_OPEN]);
        menu->addAction(m_actions[ID_IMAGE_CLOSE]);
        menu->addSeparator();
        for (const int id :
             {ID_EXPORT_METAFILE, ID_EXPORT_MERGING, ID_MERGE_PATTERN, ID_EXPORT_TEXTFILE})
            menu->addAction(m_actions[id]);
        menu->addSeparator();
        menu->addAction(m_actions[ID_FILE_PRINT]);
        menu->addAction(m_actions[ID_FILE_PRINT_PREVIEW]);
    } else {
        menu->addSeparator();
    }
    menu->addAction(m_actions[ID_FILE_PRINT_SETUP]);
    menu->addSeparator();
    auto* placeholder = new QAction("Recent File", menu);
    placeholder->setEnabled(false);
    placeholder->setObjectName("recentFilePlaceholder");
    menu->addAction(placeholder);
    for (QAction* recent : m_recentFileActions[pattern ? 1 : 0])
        menu->addAction(recent);
    menu->addSeparator();
    menu->addAction(m_actions[ID_APP_EXIT]);
    return menu;
}

void CMainFrame::createMenus() {
    auto* shortView = new QMenu("&View", this);
    shortView->addAction(m_actions[ID_VIEW_TOOLBAR]);
    shortView->addAction(m_actions[ID_VIEW_STATUS_BAR]);
    auto* shortHelp = new QMenu("&Help", this);
    shortHelp->addAction(m_actions[ID_HELP_FINDER]);
    shortHelp->addSeparator();
    shortHelp->addAction(m_actions[ID_APP_ABOUT]);
    m_shortMenus = {fileMenu(false), shortView, shortHelp};

    auto* setting = new QMenu("&Setting", this);
    setting->addAction(m_actions[ID_SETTING_SPECTRUM]);
    setting->addSeparator();
    setting->addAction(m_actions[ID_SETTING_STRUCTURE]);
    setting->addSeparator();
    for (const int id : {ID_SETTING_DIFFRACTION, ID_SETTING_ROTATE, ID_SETTING_DISTANCE})
        setting->addAction(m_actions[id]);
    setting->addSeparator();
    setting->addAction(m_actions[ID_SETTING_PATTERN_SIZE]);
    setting->addAction(m_actions[ID_SETTING_SPOT_SIZE]);
    addOrientationItems(*setting);

    auto* intensity = new QMenu("&Intensity", this);
    intensity->addAction(m_actions[ID_INTENSITY_KINEMATIC]);
    intensity->addAction(m_actions[ID_INTENSITY_DYNAMICAL]);
    intensity->addSeparator();
    for (const int id : {ID_VIEW_GRAYSCALE, ID_INTENSITY_ADJUST, ID_INTENSITY_NORMALIZE})
        intensity->addAction(m_actions[id]);
    intensity->addSeparator();
    intensity->addAction(m_actions[ID_STRUCTURE_FACTOR]);

    auto* view = new QMenu("&View", this);
    QMenu* zoom = view->addMenu("&Zoom");
    for (const int id :
         {ID_ZOOM_50, ID_ZOOM_67, ID_ZOOM_100, ID_ZOOM_150, ID_ZOOM_200, ID_ZOOM_CUSTOM})
        zoom->addAction(m_actions[id]);
    view->addAction(m_actions[ID_VIEW_FIT_WINDOW]);
    view->addAction(m_actions[ID_VIEW_CALIBRATE]);
    view->addSeparator();
    addMarkingItems(*view);
    view->addSeparator();
    view->addAction(m_actions[ID_VIEW_INDEX]);
    view->addAction(m_actions[ID_VIEW_CROSSLINE]);
    view->addSeparator();
    view->addAction(m_actions[ID_VIEW_SELECTED_SPOT]);
    view->addSeparator();
    view->addAction(m_actions[ID_VIEW_TOOLBAR]);
    view->addAction(m_actions[ID_VIEW_STATUS_BAR]);

    auto* window = new QMenu("&Window", this);
    for (const int id : {ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE, ID_WINDOW_ARRANGE})
        window->addAction(m_actions[id]);
    connect(window, &QMenu::aboutToShow, this, [this, window] { listWindows(window); });

    auto* help = new QMenu("&Help", this);
    help->addAction(m_actions[ID_HELP_FINDER]);
    help->addSeparator();
    help->addAction(m_actions[ID_HELP_ACCELERATORS]);
    help->addSeparator();
    help->addAction(m_actions[ID_APP_ABOUT]);
    m_patternMenus = {fileMenu(true), editMenu(),  setting, intensity,
                      view,           imageMenu(), window,  help};

    for (QMenu* menu : m_shortMenus)
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandUi);
    for (QMenu* menu : m_patternMenus)
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::updateCommandUi);
    m_patternMenusShown = true; // forces the first switch
    showMenuBar(false);
}

QMenu* CMainFrame::imageMenu() {
    auto* menu = new QMenu("I&mage", this);
    menu->addAction(m_actions[ID_IMAGE_CALIBRATE]);
    menu->addAction(m_actions[ID_IMAGE_CONTRAST]);
    menu->addAction(m_actions[ID_IMAGE_FIT_FILM]);
    menu->addSeparator();
    menu->addAction(m_actions[ID_IMAGE_FIND_PEAKS]);
    menu->addAction(m_actions[ID_IMAGE_PEAK_LIST]);
    return menu;
}

void CMainFrame::showMenuBar(bool pattern) {
    if (pattern == m_patternMenusShown)
        return;
    m_patternMenusShown = pattern;
    menuBar()->clear();
    for (QMenu* menu : pattern ? m_patternMenus : m_shortMenus)
        menuBar()->addMenu(menu);
}

void CMainFrame::createToolBar() {
    m_toolBar = new QToolBar("Toolbar", this);
    m_toolBar->setObjectName("MainToolBar");
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    const int buttons[] = {ID_FILE_NEW,
                           ID_FILE_OPEN,
                           ID_FILE_SAVE,
                           0,
                           ID_SETTING_STRUCTURE,
                           ID_SETTING_DIFFRACTION,
                           0,
                           ID_INTENSITY_ADJUST,
                           ID_VIEW_INDEX,
                           ID_VIEW_GRAYSCALE,
                           ID_VIEW_SELECTED_SPOT,
                           0,
                           ID_ROTATE_X_PLUS,
                           ID_ROTATE_X_MINUS,
                           ID_ROTATE_Y_PLUS,
                           ID_ROTATE_Y_MINUS,
                           ID_ROTATE_PSI_PLUS,
                           ID_ROTATE_PSI_MINUS,
                           ID_VIEW_MARK_SPOTS,
                           ID_ZOOM_BOX,
                           ID_FILE_PRINT,
                           0,
                           ID_HELP_FINDER};
    for (const int id : buttons) {
        if (id == 0) {
            m_toolBar->addSeparator();
        } else if (id == ID_ZOOM_BOX) {
            createZoomBox();
        } else {
            // Toolbar buttons share the menu commands but show an icon and the tool tip.
            auto* button = new QAction(toolBarIcon(id), commandToolTip(id), m_toolBar);
            button->setData(id);
            const QAction* item = commandAction(id);
            button->setCheckable(item != nullptr && item->isCheckable());
            button->setStatusTip(commandPrompt(id));
            connect(button, &QAction::triggered, this, [this, id] { runCommand(id); });
            m_toolBar->addAction(button);
        }
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::createZoomBox() {
    m_zoomBox = new QComboBox(m_toolBar);
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    m_zoomBox->setFixedWidth(58);
    m_zoomBox->setToolTip(commandToolTip(ID_ZOOM_BOX));
    m_zoomBox->setStatusTip(commandPrompt(ID_ZOOM_BOX));
    m_zoomBox->setFocusPolicy(Qt::StrongFocus);
    m_zoomBox->addItems({"50%", "67%", "100%", "150%", "200%", "500%"});
    m_zoomBox->setCurrentIndex(2);
    // Inline completion would turn a typed "20" into "200%" before Enter: typed values count
    // as typed.
    m_zoomBox->setCompleter(nullptr);
    m_zoomBox->lineEdit()->installEventFilter(this);
    m_zoomBox->installEventFilter(this);
    connect(m_zoomBox, qOverload<int>(&QComboBox::activated), this, &CMainFrame::zoomBoxPicked);
    m_toolBar->addWidget(m_zoomBox);
}

void CMainFrame::createStatusBar() {
    auto* ready = new QLabel("Ready");
    statusBar()->addWidget(ready, 1);
    const QFontMetrics metrics(statusBar()->font());
    const std::pair<int, int> panes[] = {
        {PatternPane, metrics.horizontalAdvance(kPatternPaneSample)},
        {GeometryPane, metrics.horizontalAdvance(kGeometryPaneSample)},
        {SpacerPane, 1}};
    for (const auto& [pane, width] : panes) {
        auto* label = new QLabel(pane == SpacerPane ? " " : "");
        label->setFixedWidth(width);
        if (pane != SpacerPane)
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(label);
        m_panes[pane] = label;
    }
}

void CMainFrame::createKeyboardTable() {
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence("Ctrl+N"), ID_FILE_NEW},
        {QKeySequence("Ctrl+O"), ID_FILE_OPEN},
        {QKeySequence("Ctrl+S"), ID_FILE_SAVE},
        {QKeySequence("Ctrl+P"), ID_FILE_PRINT},
        {QKeySequence("Ctrl+C"), ID_EDIT_COPY},
        {QKeySequence("Ctrl+T"), ID_SETTING_STRUCTURE},
        {QKeySequence("Ctrl+D"), ID_SETTING_DIFFRACTION},
        {QKeySequence("Ctrl+R"), ID_SETTING_ROTATE},
        {QKeySequence(Qt::Key_F2), ID_VIEW_GRAYSCALE},
        {QKeySequence(Qt::Key_F3), ID_INTENSITY_ADJUST},
        {QKeySequence(Qt::Key_F4), ID_INTENSITY_NORMALIZE},
        {QKeySequence(Qt::Key_F5), ID_VIEW_INDEX},
        {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
        {QKeySequence(Qt::Key_F7), ID_ZOOM_100},
        {QKeySequence(Qt::Key_F8), ID_VIEW_SELECTED_SPOT},
        {QKeySequence(Qt::CTRL | Qt::Key_Left), ID_ROTATE_Y_MINUS_FINE},
        {QKeySequence(Qt::CTRL | Qt::Key_Right), ID_ROTATE_Y_PLUS_FINE},
        {QKeySequence(Qt::CTRL | Qt::Key_Up), ID_ROTATE_X_MINUS_FINE},
        {QKeySequence(Qt::CTRL | Qt::Key_Down), ID_ROTATE_X_PLUS_FINE},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left), ID_ROTATE_PSI_MINUS_FINE},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right), ID_ROTATE_PSI_PLUS_FINE},
        {QKeySequence(Qt::Key_Minus), ID_DISTANCE_MINUS_MM},
        {QKeySequence(Qt::Key_Equal), ID_DISTANCE_PLUS_MM},
        {QKeySequence(Qt::ALT | Qt::Key_Minus), ID_DISTANCE_MINUS_CM},
        {QKeySequence(Qt::ALT | Qt::Key_Equal), ID_DISTANCE_PLUS_CM},
    };
    for (const auto& [sequence, id] : keys)
        addCommandKey(sequence, id);
    createEditKeys();
}

QAction* CMainFrame::addCommandKey(const QKeySequence& sequence, int id) {
    auto* key = new QAction(this);
    key->setShortcut(sequence);
    key->setShortcutContext(Qt::WindowShortcut);
    key->setData(id);
    connect(key, &QAction::triggered, this, [this, id] {
        // Keys of disabled commands do nothing, as their menu items would.
        if (CommandTarget* target = targetFor(id); target && target->commandState(id).enabled)
            runCommand(id);
    });
    addAction(key);
    return key;
}

CommandTarget* CMainFrame::targetFor(int id) const {
    if (CXtalspView* view = activeView(); view != nullptr && view->handlesCommand(id))
        return view;
    if (m_documentCommands.handlesCommand(id)) {
        CChildFrame* frame = activeChildFrame();
        m_documentCommands.setDocument(frame != nullptr ? &frame->document() : nullptr,
                                       const_cast<CMainFrame*>(this),
                                       frame != nullptr && frame->isMinimized());
        return &m_documentCommands;
    }
    if (m_imageCommands.handlesCommand(id)) {
        CChildFrame* frame = activeChildFrame();
        m_imageCommands.setTarget(frame != nullptr ? &frame->document() : nullptr,
                                  frame != nullptr ? frame->imageLayer() : nullptr,
                                  const_cast<CMainFrame*>(this));
        return &m_imageCommands;
    }
    if (m_applicationTarget != nullptr && m_applicationTarget->handlesCommand(id))
        return m_applicationTarget;
    if (handlesCommand(id))
        return const_cast<CMainFrame*>(this);
    return nullptr;
}

void CMainFrame::runCommand(int id) {
    if (CommandTarget* target = targetFor(id))
        target->executeCommand(id);
    updateCommandUi();
}

void CMainFrame::updateAction(QAction* item) {
    const int id = item->data().toInt();
    const CommandTarget* target = targetFor(id);
    // Commands nobody handles are greyed, as the platform does for menu items without handler.
    const CommandState state =
        target != nullptr ? target->commandState(id) : CommandState{false, false, std::nullopt};
    item->setEnabled(state.enabled);
    if (item->isCheckable())
        item->setChecked(state.checked);
    const auto text = m_defaultTexts.find(id);
    if (state.text) {
        // A text that follows the state keeps the key hint of the menu item.
        QString changed = *state.text;
        if (!changed.contains('\t') && text != m_defaultTexts.end() && text->second.contains('\t'))
            changed += text->second.mid(text->second.indexOf('\t'));
        item->setText(changed);
    } else if (text != m_defaultTexts.end() &&
               !(id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount))
        item->setText(text->second);
}

// The Setting menu's orientation commands.
void CMainFrame::addOrientationItems(QMenu& setting) {
    setting.addSeparator();
    setting.addAction(m_actions[ID_ALIGN_SELECTED_SPOT]);
    setting.addAction(m_actions[ID_FIT_ORIENTATION]);
    setting.addAction(m_actions[ID_INDEX_SPOTS]);
}

// The View menu's measured spots and projection.
void CMainFrame::addMarkingItems(QMenu& view) {
    for (const int id : {ID_VIEW_MARK_SPOTS, ID_MARKS_IMPORT, ID_MARKS_FROM_PEAKS, ID_MARKS_CLEAR,
                         ID_VIEW_GNOMONIC})
        view.addAction(m_actions[id]);
}

// A toolbar button follows its menu item: enabled, and checked for a toggle.
void CMainFrame::syncToolBarButton(QAction& button) const {
    const QAction* item = commandAction(button.data().toInt());
    button.setEnabled(item != nullptr && item->isEnabled());
    if (item != nullptr && button.isCheckable())
        button.setChecked(item->isChecked());
}

void CMainFrame::updateCommandUi() {
    for (const auto& [id, item] : m_actions)
        updateAction(item);
    for (QAction* button : m_toolBar->actions()) {
        if (button->data().isValid() && button->data().toInt() != 0)
            syncToolBarButton(*button);
    }
    const CChildFrame* active = activeChildFrame();
    showMenuBar(!childFrames().empty());
    if (childFrames().empty()) {
        m_panes[PatternPane]->setText(QString::fromUtf8(kStatusPrompts[4].data()));
        m_panes[GeometryPane]->setText(QString::fromUtf8(kStatusPrompts[5].data()));
        m_zoomBox->setEditText(QString());
        m_zoomBox->setEnabled(false);
    } else if (active != nullptr && active->isMinimized()) {
        m_panes[PatternPane]->setText(QString::fromUtf8(kStatusPrompts[5].data()));
        m_zoomBox->setEnabled(false);
    } else if (!m_zoomBox->isEnabled()) {
        m_zoomBox->setEnabled(true);
    }
}

void CMainFrame::setRecentFiles(const QStringList& paths) {
    for (auto& list : m_recentFileActions) {
        for (int i = 0; i < kRecentFileCount; ++i) {
            QAction* recent = list[static_cast<std::size_t>(i)];
            const bool used = i < paths.size();
            recent->setVisible(used);
            if (used) {
                // Long paths are shortened in the menu, the full one is the tool tip.
                const QString shown = shortenedRecentPath(paths[i], kRecentFileShownLength);
                recent->setText(QString("&%1 %2").arg(i + 1).arg(shown));
                recent->setToolTip(paths[i]);
            }
        }
    }
    for (QMenu* menu : {m_shortMenus.front(), m_patternMenus.front()}) {
        if (auto* placeholder = menu->findChild<QAction*>("recentFilePlaceholder"))
            placeholder->setVisible(paths.isEmpty());
    }
}

QString CMainFrame::paneText(int pane) const {
    const auto found = m_panes.find(pane);
    return found == m_panes.end() ? QString() : found->second->text();
}

void CMainFrame::showZoomPercentage(int percentage) {
    m_zoomPercentage = percentage;
    m_zoomBox->setEditText(percentText(percentage));
}

void CMainFrame::showPatternStatus(const QString& text) {
    m_panes[PatternPane]->setText(text);
}

void CMainFrame::showGeometryStatus(const QString& text) {
    m_panes[GeometryPane]->setText(text);
}

void CMainFrame::showPointerStatus(const QString& text) {
    if (text.isEmpty())
        statusBar()->clearMessage();
    else
        statusBar()->showMessage(text);
}

bool CMainFrame::isActiveView(const CXtalspView* view) const {
    return view != nullptr && view == activeView();
}

void CMainFrame::addChildFrame(CChildFrame* frame) {
    m_mdiArea->addSubWindow(frame);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    // The area's own size is known before the window is shown; its viewport follows only then.
    frame->applyCascadePlacement(m_mdiArea->isVisible() ? m_mdiArea->viewport()->size()
                                                        : m_mdiArea->contentsRect().size());
    frame->show();
    m_mdiArea->setActiveSubWindow(frame);
    focusActiveView();
    updateCommandUi();
}

void CMainFrame::focusActiveView() {
    // The active pattern window's view takes the keyboard, which also fills the status panes.
    CXtalspView* view = activeView();
    if (view == nullptr)
        return;
    view->setFocus(Qt::ActiveWindowFocusReason);
    // Without window activation (no window manager) no focus event comes: show the pattern's
    // state here too.
    showZoomPercentage(static_cast<int>(view->zoom() * 100.0 + 0.5));
    showGeometryStatus(QString::fromStdString(geometryStatusText(view->document())));
    showPatternStatus(QString::fromStdString(patternStatusText(patternContent(view->document()))));
    view->viewport()->update();
}

CChildFrame* CMainFrame::activeChildFrame() const {
    QMdiSubWindow* window = m_mdiArea->activeSubWindow();
    if (window == nullptr)
        window = m_mdiArea->currentSubWindow();
    return qobject_cast<CChildFrame*>(window);
}

std::vector<CChildFrame*> CMainFrame::childFrames() const {
    std::vector<CChildFrame*> frames;
    for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
        if (auto* frame = qobject_cast<CChildFrame*>(window))
            frames.push_back(frame);
    }
    return frames;
}

CXtalspView* CMainFrame::activeView() const {
    const CChildFrame* frame = activeChildFrame();
    return frame != nullptr ? frame->activeView() : nullptr;
}

bool CMainFrame::handlesCommand(int id) const {
    switch (id) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR:
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE:
    case ID_WINDOW_ARRANGE:
    case ID_APP_EXIT:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        return true;
    default:
        return false;
    }
}

CommandState CMainFrame::commandState(int id) const {
    CommandState state;
    switch (id) {
    case ID_VIEW_TOOLBAR:
        state.checked = m_toolBar->isVisible();
        break;
    case ID_VIEW_STATUS_BAR:
        state.checked = statusBar()->isVisible();
        break;
    case ID_WINDOW_CASCADE:
    case ID_WINDOW_TILE:
    case ID_WINDOW_ARRANGE:
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        state.enabled = !childFrames().empty();
        break;
    default:
        break;
    }
    return state;
}

void CMainFrame::executeCommand(int id) {
    switch (id) {
    case ID_VIEW_TOOLBAR:
        m_toolBar->setVisible(!m_toolBar->isVisible());
        break;
    case ID_VIEW_STATUS_BAR:
        statusBar()->setVisible(!statusBar()->isVisible());
        break;
    case ID_WINDOW_CASCADE:
        m_mdiArea->cascadeSubWindows();
        break;
    case ID_WINDOW_TILE:
        m_mdiArea->tileSubWindows();
        break;
    case ID_WINDOW_ARRANGE:
        // Minimised pattern windows line up along the bottom; the area does it on a tile pass
        // of the iconic windows only, so a cascade of the rest is not disturbed.
        for (QMdiSubWindow* window : m_mdiArea->subWindowList()) {
            if (window->isMinimized())
                window->showMinimized();
        }
        break;
    case ID_APP_EXIT:
        close();
        break;
    case ID_NEXT_PANE:
    case ID_PREV_PANE:
        focusNextPane(id == ID_NEXT_PANE);
        break;
    default:
        break;
    }
}

void CMainFrame::focusNextPane(bool forward) {
    CChildFrame* frame = activeChildFrame();
    if (frame == nullptr)
        return;
    const std::vector<CXtalspView*> views = frame->views();
    const auto current = std::find(views.begin(), views.end(), frame->activeView());
    if (views.empty() || current == views.end())
        return;
    const auto count = static_cast<std::ptrdiff_t>(views.size());
    const std::ptrdiff_t index = current - views.begin();
    views[static_cast<std::size_t>((index + (forward ? 1 : count - 1)) % count)]->setFocus();
}

void CMainFrame::zoomBoxEntered() {
    m_entering = true;
    const QString text = m_zoomBox->currentText();
    if (!text.isEmpty()) {
        const int value = leadingInteger(text);
        if (value < 10 || value > 500)
            m_prompt.show({"The number must be between 10 and 500.", "", MessageIcon::Exclamation});
        else
            m_zoomPercentage = value;
    }
    m_zoomBox->setEditText(percentText(m_zoomPercentage));
    runCommand(ID_ZOOM_CHANGED);
}

void CMainFrame::zoomBoxPicked(int index) {
    m_selecting = true;
    m_zoomPercentage = leadingInteger(m_zoomBox->itemText(index));
    m_zoomBox->setEditText(percentText(m_zoomPercentage));
    runCommand(ID_ZOOM_CHANGED);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    const bool zoomBoxPart =
        m_zoomBox != nullptr && (watched == m_zoomBox || watched == m_zoomBox->lineEdit());
    if (zoomBoxPart) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                zoomBoxEntered();
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            m_entering = false;
            m_selecting = false;
        } else if (event->type() == QEvent::FocusOut && !m_entering && !m_selecting) {
            // Unfinished typing is discarded.
            m_zoomBox->setEditText(percentText(m_zoomPercentage));
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::restorePlacement() {
    const int x = m_settings.readInt(kSettingsSection, "MainFrmX").value_or(0);
    const int y = m_settings.readInt(kSettingsSection, "MainFrmY").value_or(0);
    const std::optional<int> width = m_settings.readInt(kSettingsSection, "MainFrmCX");
    const std::optional<int> height = m_settings.readInt(kSettingsSection, "MainFrmCY");
    m_placementStored = width.has_value() && height.has_value();
    move(x, y);
    resize(width.value_or(639), height.value_or(479));
    const QString state =
        QString::fromStdString(m_settings.readText("ControlBarStates", "State").value_or(""));
    if (!state.isEmpty())
        restoreState(QByteArray::fromBase64(state.toLatin1()));
    statusBar()->setHidden(m_settings.readInt("ControlBarStates", "StatusBar").value_or(1) == 0);
}

void CMainFrame::fitFirstPatternWindow() {
    // Only the very first start, before any placement was stored, sizes the window to its
    // content: the whole film at the view's zoom, as far as the screen allows.
    CChildFrame* frame = activeChildFrame();
    CXtalspView* view = activeView();
    if (m_placementStored || frame == nullptr || view == nullptr || screen() == nullptr ||
        isMaximized())
        return;
    // One computation from the sizes as they are now: on X11 a resize of a shown window takes
    // effect only when the window manager answers, so sizes read back after resize() are stale.
    // The view's scroll bars are always shown (they carry the split boxes).
    const QSize viewportExtra = view->size() - view->viewport()->size();
    const QSize childSize = frame->size() - view->size() + viewportExtra + view->contentSize();
    const QSize areaNeeded(frame->x() + childSize.width(), frame->y() + childSize.height());
    const QSize areaShown = m_mdiArea->viewport()->size();
    const QSize growth(std::max(0, areaNeeded.width() - areaShown.width()),
                       std::max(0, areaNeeded.height() - areaShown.height()));
    const QSize frameExtra = frameGeometry().size() - size();
    const QSize mainSize = (size() + growth).boundedTo(screen()->availableSize() - frameExtra);
    // The pattern window grows once the area around it has grown (see resizeEvent); grown
    // first, it would make the area show scroll bars that then shrink it.
    m_pendingFirstChild = {frame, childSize};
    if (mainSize == size())
        growPendingFirstChild();
    else
        resize(mainSize);
}

void CMainFrame::growPendingFirstChild() {
    const auto [frame, wanted] =
        std::exchange(m_pendingFirstChild, std::pair<QMdiSubWindow*, QSize>{nullptr, QSize()});
    if (frame == nullptr || !m_mdiArea->subWindowList().contains(frame))
        return;
    const QSize room = m_mdiArea->viewport()->size() - QSize(frame->x(), frame->y());
    frame->resize(wanted.boundedTo(room));
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    growPendingFirstChild();
}

void CMainFrame::showAsRemembered() {
    if (m_settings.readInt(kSettingsSection, "MainFrmMax").value_or(0) == 1)
        showMaximized();
    else
        show();
}

void CMainFrame::layoutBeforeShowing() {
    if (m_settings.readInt(kSettingsSection, "MainFrmMax").value_or(0) == 1 && screen() != nullptr)
        resize(screen()->availableSize());
    ensurePolished();
    if (layout() != nullptr) {
        layout()->setGeometry(QRect(QPoint(0, 0), size()));
        layout()->activate();
    }
}

void CMainFrame::savePlacement() {
    if (isMaximized()) {
        m_settings.writeInt(kSettingsSection, "MainFrmMax", 1);
    } else {
        if (isMinimized())
            showNormal();
        m_settings.writeInt(kSettingsSection, "MainFrmMax", 0);
        m_settings.writeInt(kSettingsSection, "MainFrmX", pos().x());
        m_settings.writeInt(kSettingsSection, "MainFrmY", pos().y());
        m_settings.writeInt(kSettingsSection, "MainFrmCX", width());
        m_settings.writeInt(kSettingsSection, "MainFrmCY", height());
    }
    m_settings.writeText("ControlBarStates", "State", saveState().toBase64().toStdString());
    m_settings.writeInt("ControlBarStates", "StatusBar", statusBar()->isHidden() ? 0 : 1);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The placement is written first and stays written even when closing is cancelled.
    savePlacement();
    bool accept = true;
    emit closeRequested(&accept);
    if (accept)
        event->accept();
    else
        event->ignore();
}

void CMainFrame::listWindows(QMenu* menu) {
    for (QAction* listed : m_windowListActions) {
        menu->removeAction(listed);
        listed->deleteLater();
    }
    m_windowListActions.clear();
    const std::vector<CChildFrame*> frames = childFrames();
    if (frames.empty())
        return;
    m_windowListActions.push_back(menu->addSeparator());
    const CChildFrame* active = activeChildFrame();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        QPointer<CChildFrame> frame = frames[i];
        QAction* entry = menu->addAction(QString("&%1 %2").arg(i + 1).arg(frame->windowTitle()),
                                         this, [=, this] {
                                             if (frame != nullptr) {
                                                 if (frame->isMinimized())
                                                     frame->showNormal();
                                                 m_mdiArea->setActiveSubWindow(frame);
                                             }
                                         });
        entry->setCheckable(true);
        entry->setChecked(frame == active);
        m_windowListActions.push_back(entry);
    }
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            emit fileDropped(url.toLocalFile());
    }
    event->acceptProposedAction();
}

QString shortenedRecentPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength)
        return path;
    // The file name stays whole; the folders give way in the middle, keeping the first one
    // (the drive or the top folder) and as many of the last ones as fit.
    const QChar separator = path.contains('\\') ? QChar('\\') : QChar('/');
    const QStringList parts = path.split(separator);
    if (parts.size() < 3)
        return path;
    const QString head =
        parts.front().isEmpty() && parts.size() > 3 ? separator + parts[1] : parts.front();
    const int firstTail = parts.front().isEmpty() && parts.size() > 3 ? 2 : 1;
    QString tail = parts.back();
    for (qsizetype i = parts.size() - 2; i >= firstTail; --i) {
        const QString longer = parts[i] + separator + tail;
        if (head.size() + 4 + longer.size() + 1 > maxLength)
            break;
        tail = longer;
    }
    return head + separator + "..." + separator + tail;
}

} // namespace xtalsp::gui
