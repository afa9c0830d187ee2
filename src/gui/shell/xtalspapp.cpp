// Start-up, the open patterns and the application's commands.
#include "gui/shell/xtalspapp.h"

#include "core/document/patternstorable.h"
#include "core/io/filebytes.h"
#include "core/spectrum/startupspectrum.h"
#include "core/structure/samplestructure.h"
#include "gui/image/imagecommands.h"
#include "gui/image/patternimagelayer.h"
#include "gui/shell/childframe.h"
#include "gui/shell/commandids.h"
#include "gui/shell/infodialogs.h"
#include "gui/shell/mainframe.h"
#include "gui/shell/qtplatform.h"
#include "gui/view/xtalspview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSignalBlocker>
#include <cstdio>

namespace xtalsp::gui {

namespace {

constexpr const char* kDocumentName = "Xtalsp";
constexpr const char* kRecentFileSection = "Recent File List";
constexpr int kRecentFileCount = 4;
const QString kDefaultSpectrumName =
    QString::fromLatin1(kDefaultSpectrumFileName.data(), kDefaultSpectrumFileName.size());
const QString kSampleName =
    QString::fromLatin1(kSampleStructureFileName.data(), kSampleStructureFileName.size());

const FileDialogSpec& patternFileDialog() {
    static const FileDialogSpec request{
        "Open", "Xtalsp Files (*.ptn);;All Files (*)", "ptn", {}, true};
    return request;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool printSwitch = argument.compare("/p", Qt::CaseInsensitive) == 0 ||
                                 argument == "-p" || argument == "--print";
        if (printSwitch) {
            if (i + 1 >= arguments.size())
                return {CommandLine::Action::Invalid, {}, argument + " needs a file name."};
            return {CommandLine::Action::Print, arguments[i + 1], {}};
        }
        if (argument == "--help" || argument == "-h" || argument == "/?")
            return {CommandLine::Action::Usage, {}, {}};
        if (argument.startsWith('-') && argument != "-")
            return {CommandLine::Action::Invalid, {}, "Unknown option " + argument + "."};
        line = {CommandLine::Action::Open, argument, {}};
    }
    return line;
}

QString commandLineUsage() {
    return "Usage: xtalsp [FILE.ptn]\n"
           "       xtalsp /p FILE.ptn   (also -p or --print)\n"
           "       xtalsp --help\n"
           "Opens the pattern file, or a new pattern without one; /p prints the pattern on the\n"
           "default printer and ends.\n";
}

CXtalspApp::CXtalspApp(SettingsStore& settings, UserPrompt& prompt, FileChooser& chooser,
                       ViewDialogs& viewDialogs, DocumentDialogs& documentDialogs,
                       QString applicationDirectory, QString userDataDirectory,
                       std::optional<bool> applicationDirectoryWritable)
    : m_settings(settings), m_prompt(prompt), m_chooser(chooser), m_viewDialogs(viewDialogs),
      m_documentDialogs(documentDialogs), m_applicationDirectory(std::move(applicationDirectory)),
      m_userDataDirectory(std::move(userDataDirectory)),
      m_applicationDirectoryWritable(
          applicationDirectoryWritable.value_or(QFileInfo(m_applicationDirectory).isWritable())),
      m_documentPrompt(prompt), m_help(prompt, m_applicationDirectory) {
    // Documents name the default spectrum by its file-system bytes; the user reads them as text.
    m_documentPrompt.setPaths({m_applicationDirectory, m_userDataDirectory});
}

QString CXtalspApp::dataDirectory() const {
    if (m_userDataDirectory.isEmpty())
        return m_applicationDirectory;
    const bool userCopy =
        QFileInfo::exists(QDir(m_userDataDirectory).filePath(kDefaultSpectrumName));
    return !m_applicationDirectoryWritable || userCopy ? m_userDataDirectory
                                                       : m_applicationDirectory;
}

void CXtalspApp::placeSampleStructure() {
    // The sample shows users the structure text format; it is never overwritten. A copy in
    // either folder will do; a new one goes beside the program when that folder can be written.
    const auto hasSample = [](const QString& folder) {
        return !folder.isEmpty() && QFileInfo::exists(QDir(folder).filePath(kSampleName));
    };
    if (hasSample(m_userDataDirectory) || hasSample(m_applicationDirectory))
        return;
    const QString folder = m_applicationDirectoryWritable || m_userDataDirectory.isEmpty()
                               ? m_applicationDirectory
                               : m_userDataDirectory;
    QDir().mkpath(folder);
    ensureSampleStructureFile(fileSystemPath(folder));
}

bool CXtalspApp::reportCommandLine(const CommandLine& line) {
    if (line.action == CommandLine::Action::Usage) {
        std::fputs(commandLineUsage().toLocal8Bit().constData(), stdout);
        std::fflush(stdout);
        return false;
    }
    if (line.action == CommandLine::Action::Invalid) {
        std::fputs((line.problem + "\n" + commandLineUsage()).toLocal8Bit().constData(), stderr);
        m_exitStatus = 2;
        return false;
    }
    return true;
}

CXtalspApp::~CXtalspApp() {
    // Pattern windows go before the documents they show.
    m_frame.reset();
    m_patterns.clear();
}

bool CXtalspApp::InitInstance(const QStringList& arguments) {
    const CommandLine line = parseCommandLine(arguments);
    if (!reportCommandLine(line))
        return false;
    if (!m_userDataDirectory.isEmpty() && !m_applicationDirectoryWritable)
        QDir().mkpath(m_userDataDirectory);
    loadRecentFiles();
    m_frame = std::make_unique<CMainFrame>(m_settings, m_prompt, m_chooser, m_viewDialogs,
                                           m_documentDialogs, dataDirectory());
    m_frame->setApplicationTarget(this);
    m_frame->setRecentFiles(m_recentFiles);
    m_frame->restorePlacement();
    // Lay the hidden window out at its remembered size, so the first pattern window is placed
    // in the real client area.
    m_frame->layoutBeforeShowing();
    connect(m_frame.get(), &CMainFrame::fileDropped, this,
            [this](const QString& path) { openDroppedFile(path); });
    connect(m_frame.get(), &CMainFrame::closeRequested, this, [this](bool* accept) {
        *accept = closeAllDocuments();
        // The help belongs to the program's window and goes with it.
        if (*accept && m_help.window() != nullptr)
            m_help.window()->close();
    });
    connect(m_frame->mdiArea(), &QMdiArea::subWindowActivated, this, [this] { updateTitles(); });
    placeSampleStructure();

    switch (line.action) {
    case CommandLine::Action::Open:
        if (OpenDocumentFile(line.path) == nullptr) {
            m_exitStatus = 1;
            return false;
        }
        break;
    case CommandLine::Action::Print:
        m_exitStatus = printFromCommandLine(line.path) ? 0 : 1;
        return false;
    default:
        newDocument();
        break;
    }
    m_frame->showAsRemembered();
    m_frame->fitFirstPatternWindow();
    m_frame->updateCommandUi();
    return true;
}

DocumentServices CXtalspApp::documentServices() {
    DocumentServices services{&m_documentPrompt, &m_settings,
                              fileSystemPath(m_applicationDirectory)};
    if (!m_userDataDirectory.isEmpty())
        services.userDataDirectory = fileSystemPath(m_userDataDirectory);
    services.applicationDirectoryWritable = m_applicationDirectoryWritable;
    services.spectrumFallbackTold = &m_spectrumFallbackTold;
    if (m_computesInBackground) {
        // The end of a walk comes back through the event loop of the application's thread.
        services.backgroundPoster = [](std::function<void()> task) {
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                      Qt::QueuedConnection);
        };
    }
    return services;
}

CXtalspApp::OpenPattern* CXtalspApp::find(const CXtalspDoc& doc) const {
    for (const OpenPattern& pattern : m_patterns) {
        if (pattern.doc.get() == &doc)
            return const_cast<OpenPattern*>(&pattern);
    }
    return nullptr;
}

std::vector<CXtalspDoc*> CXtalspApp::documents() const {
    std::vector<CXtalspDoc*> docs;
    for (const OpenPattern& pattern : m_patterns)
        docs.push_back(pattern.doc.get());
    return docs;
}

QString CXtalspApp::documentTitle(const CXtalspDoc& doc) const {
    const OpenPattern* pattern = find(doc);
    return pattern != nullptr ? pattern->title : QString();
}

QString CXtalspApp::documentPath(const CXtalspDoc& doc) const {
    const OpenPattern* pattern = find(doc);
    return pattern != nullptr ? pattern->path : QString();
}

CXtalspDoc* CXtalspApp::activeDocument() const {
    const CChildFrame* frame = m_frame ? m_frame->activeChildFrame() : nullptr;
    return frame != nullptr ? &frame->document() : nullptr;
}

CXtalspDoc* CXtalspApp::addDocument(std::unique_ptr<CXtalspDoc> doc, QString path, QString title) {
    m_patterns.push_back(
        {std::move(doc), std::move(path), std::move(title), std::make_unique<PatternImageLayer>()});
    CXtalspDoc* added = m_patterns.back().doc.get();
    // The image's settings are saved with the pattern: changing them asks about saving before
    // the pattern closes.
    connect(m_patterns.back().image.get(), &PatternImageLayer::changed, this,
            [added] { added->setModified(true); });
    connect(&m_patterns.back().image->marks(), &SpotMarks::changed, this,
            [added] { added->setModified(true); });
    createChildFrame(*added);
    return added;
}

void CXtalspApp::createChildFrame(CXtalspDoc& doc) {
    auto* frame = new CChildFrame(doc, *m_frame, m_frame->childFrameCounters());
    frame->setImageLayer(imageLayer(doc));
    frame->installEventFilter(this);
    m_frame->addChildFrame(frame);
    updateTitles();
}

PatternImageLayer* CXtalspApp::imageLayer(const CXtalspDoc& doc) const {
    const OpenPattern* pattern = find(doc);
    return pattern != nullptr ? pattern->image.get() : nullptr;
}

void CXtalspApp::openNewWindow(CXtalspDoc& doc) {
    createChildFrame(doc);
}

CXtalspDoc* CXtalspApp::newDocument() {
    auto doc = std::make_unique<CXtalspDoc>(documentServices());
    const QString title = QString("%1%2").arg(kDocumentName).arg(++m_untitledCount);
    return addDocument(std::move(doc), QString(), title);
}

void CXtalspApp::applyFirstPatternRule(CXtalspDoc* previous) {
    // An untouched first pattern of the run, active when a file was opened, gives way to it;
    // one with changes (a spectrum edited, say) stays.
    const OpenPattern* pattern = previous != nullptr ? find(*previous) : nullptr;
    if (pattern != nullptr && pattern->title == QString(kDocumentName) + "1" &&
        pattern->path.isEmpty() && !previous->isModified() && previous->structure().a < 0.0001 &&
        previous->settings().distance < 0.0001)
        closeDocument(*previous);
}

CXtalspDoc* CXtalspApp::OpenDocumentFile(const QString& path) {
    return openFile(path, false);
}

CXtalspDoc* CXtalspApp::openDroppedFile(const QString& path) {
    if (isPatternImageFile(path) && activeDocument() != nullptr) {
        // An image dropped on the window goes under the active pattern.
        openDroppedImage(path);
        return activeDocument();
    }
    return openFile(path, true);
}

bool CXtalspApp::openDroppedImage(const QString& path) {
    PatternImageLayer* layer = imageLayer(*activeDocument());
    return layer != nullptr && openImageFile(*layer, path, m_prompt);
}

void CXtalspApp::loadImageSettings(CXtalspDoc& doc, const QString& patternPath) {
    PatternImageLayer* layer = imageLayer(doc);
    if (layer == nullptr)
        return;
    std::vector<Message> messages;
    {
        // What the file holds is no change of the pattern; the new windows paint it anyway.
        const QSignalBlocker quiet(layer);
        const QSignalBlocker quietMarks(&layer->marks());
        messages = loadPatternImage(*layer, QFile::encodeName(patternPath).toStdString());
    }
    for (const Message& message : messages)
        m_prompt.show(message);
}

void CXtalspApp::saveImageSettings(CXtalspDoc& doc, const QString& patternPath) {
    PatternImageLayer* layer = imageLayer(doc);
    if (layer == nullptr)
        return;
    if (const std::optional<Message> failure =
            savePatternImage(*layer, QFile::encodeName(patternPath).toStdString()))
        m_prompt.show(*failure);
}

CXtalspDoc* CXtalspApp::openFile(const QString& path, bool patternsOnly) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (const OpenPattern& pattern : m_patterns) {
        if (pattern.path == absolute) {
            for (CChildFrame* frame : m_frame->childFrames()) {
                if (&frame->document() == pattern.doc.get())
                    m_frame->mdiArea()->setActiveSubWindow(frame);
            }
            return pattern.doc.get();
        }
    }
    CXtalspDoc* previous = activeDocument();
    const std::string nativePath = readablePath(absolute);
    // The file system takes the path in its own encoding; messages show it in the program's.
    const FileBytes bytes = readFileBytes(QFile::encodeName(absolute).toStdString());
    if (!bytes.ok()) {
        m_prompt.show({bytes.failedWith(FileReadError::CannotOpen)
                           ? nativePath + " was not found or could not be accessed."
                           : "An unexpected error occurred while reading " + nativePath + ".",
                       "", MessageIcon::Exclamation});
        return nullptr;
    }
    auto doc = std::make_unique<CXtalspDoc>(documentServices());
    if (const Status read = doc->deserialize(bytes.value()); !read.ok()) {
        m_prompt.show(read.failure());
        // The file is not a pattern (or not one that can be read):
        // a dropped one is left alone, an opened one gives a new untitled pattern, so that Save
        // asks for a name instead of writing over the file.
        if (patternsOnly)
            return nullptr;
        const QString title = QString("%1%2").arg(kDocumentName).arg(++m_untitledCount);
        return addDocument(std::move(doc), QString(), title);
    }
    addRecentFile(absolute);
    CXtalspDoc* added = addDocument(std::move(doc), absolute, QFileInfo(absolute).fileName());
    loadImageSettings(*added, absolute);
    applyFirstPatternRule(previous);
    return added;
}

namespace {

Message patternWriteFailure(FileWriteError failure, const std::string& nativePath) {
    if (failure == FileWriteError::CannotCreate)
        return {nativePath + " could not be accessed.", "", MessageIcon::Exclamation};
    return {"An unexpected error occurred while writing " + nativePath + ".", "",
            MessageIcon::Exclamation};
}

} // namespace

bool CXtalspApp::saveDocument(CXtalspDoc& doc, bool askForName) {
    OpenPattern* pattern = find(doc);
    if (pattern == nullptr)
        return false;
    QString path = pattern->path;
    if (askForName || path.isEmpty()) {
        FileDialogSpec request = patternFileDialog();
        request.title = "Save As";
        request.initialPath =
            path.isEmpty() ? QDir(QDir::currentPath()).filePath(pattern->title) : path;
        path = m_chooser.saveFileName(request);
        if (path.isEmpty())
            return false;
        path = QFileInfo(path).absoluteFilePath();
    }
    if (const Status refusal = unstorablePattern(doc); !refusal.ok()) {
        m_prompt.show(refusal.failure());
        return false;
    }
    const std::string nativePath = toCp1252(QDir::toNativeSeparators(path));
    const FileWritten written =
        writeFileAtomically(QFile::encodeName(path).toStdString(), doc.serialize());
    if (!written.ok()) {
        m_prompt.show(patternWriteFailure(written.failure(), nativePath));
        return false;
    }
    saveImageSettings(doc, path);
    doc.setModified(false);
    pattern->path = path;
    pattern->title = QFileInfo(path).fileName();
    addRecentFile(path);
    updateTitles();
    return true;
}

bool CXtalspApp::canCloseDocument(CXtalspDoc& doc) {
    if (!doc.isModified())
        return true;
    const Message question{"Save changes to " + toCp1252(documentTitle(doc)) + "?", "",
                           MessageIcon::Exclamation, MessageButtons::YesNoCancel,
                           MessageAnswer::Yes};
    switch (m_prompt.show(question)) {
    case MessageAnswer::Yes:
        return saveDocument(doc, false);
    case MessageAnswer::No:
        return true;
    default:
        return false;
    }
}

void CXtalspApp::closeDocument(CXtalspDoc& doc) {
    for (CChildFrame* frame : m_frame->childFrames()) {
        if (&frame->document() == &doc) {
            frame->removeEventFilter(this);
            delete frame;
        }
    }
    m_patterns.erase(std::remove_if(m_patterns.begin(), m_patterns.end(),
                                    [&](const OpenPattern& p) { return p.doc.get() == &doc; }),
                     m_patterns.end());
    m_frame->updateCommandUi();
    updateTitles();
}

bool CXtalspApp::closeAllDocuments() {
    // Every modified pattern is asked about (and saved) before any window closes, so that a
    // Cancel anywhere leaves all of them open.
    const std::vector<CXtalspDoc*> docs = documents();
    for (auto doc = docs.rbegin(); doc != docs.rend(); ++doc) {
        if (!canCloseDocument(**doc))
            return false;
    }
    while (!m_patterns.empty())
        closeDocument(*m_patterns.back().doc);
    return true;
}

bool CXtalspApp::eventFilter(QObject* watched, QEvent* event) {
    auto* frame = qobject_cast<CChildFrame*>(watched);
    if (frame != nullptr && event->type() == QEvent::WindowStateChange)
        QMetaObject::invokeMethod(
            this, [this] { updateTitles(); }, Qt::QueuedConnection);
    if (frame != nullptr && event->type() == QEvent::Close) {
        CXtalspDoc& doc = frame->document();
        int windows = 0;
        for (CChildFrame* other : m_frame->childFrames())
            windows += &other->document() == &doc ? 1 : 0;
        // Closing the last window of a pattern closes the pattern.
        if (windows <= 1) {
            if (!canCloseDocument(doc)) {
                event->ignore();
                return true;
            }
            QMetaObject::invokeMethod(
                this,
                [this, &doc] {
                    if (find(doc) != nullptr)
                        closeDocument(doc);
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void CXtalspApp::loadRecentFiles() {
    m_recentFiles.clear();
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const auto path = m_settings.readText(kRecentFileSection, "File" + std::to_string(i));
        if (path && !path->empty())
            m_recentFiles.push_back(QString::fromStdString(*path));
    }
}

void CXtalspApp::addRecentFile(const QString& path) {
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > kRecentFileCount)
        m_recentFiles.removeLast();
    storeRecentFiles();
}

void CXtalspApp::storeRecentFiles() {
    for (int i = 0; i < kRecentFileCount; ++i) {
        m_settings.writeText(kRecentFileSection, "File" + std::to_string(i + 1),
                             i < m_recentFiles.size() ? m_recentFiles[i].toStdString() : "");
    }
    if (m_frame)
        m_frame->setRecentFiles(m_recentFiles);
}

void CXtalspApp::updateTitles() {
    if (!m_frame)
        return;
    for (const OpenPattern& pattern : m_patterns) {
        std::vector<CChildFrame*> frames;
        for (CChildFrame* frame : m_frame->childFrames()) {
            if (&frame->document() == pattern.doc.get())
                frames.push_back(frame);
        }
        // Several windows on one pattern are told apart as "title:1", "title:2".
        for (std::size_t i = 0; i < frames.size(); ++i) {
            frames[i]->setWindowTitle(frames.size() == 1
                                          ? pattern.title
                                          : QString("%1:%2").arg(pattern.title).arg(i + 1));
        }
    }
    const CXtalspDoc* active = activeDocument();
    const CChildFrame* activeFrame = m_frame->activeChildFrame();
    // A maximised pattern window adds its own title to the program's, as " - [title]".
    const bool titleAdded = activeFrame != nullptr && activeFrame->isMaximized();
    m_frame->setWindowTitle(active != nullptr && !titleAdded
                                ? "Xtalspotter - " + documentTitle(*active)
                                : "Xtalspotter");
}

bool CXtalspApp::printFromCommandLine(const QString& path) {
    CXtalspDoc* doc = OpenDocumentFile(path);
    if (doc == nullptr || documentPath(*doc).isEmpty())
        return false; // no pattern to print: the message has been shown
    while (doc->isComputing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QPrinter printer(QPrinter::HighResolution);
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        m_prompt.show({"No printer is installed.", "", MessageIcon::Exclamation});
        return false;
    }
    CXtalspView* view = m_frame->activeView();
    return view != nullptr && view->printWithoutDialog(printer);
}

void CXtalspApp::openFromDialog() {
    const QString path = m_chooser.openFileName(patternFileDialog());
    if (!path.isEmpty())
        OpenDocumentFile(path);
}

bool CXtalspApp::handlesCommand(int id) const {
    switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_CLOSE:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_FILE_PRINT_SETUP:
    case ID_WINDOW_NEW:
    case ID_APP_ABOUT:
    case ID_HELP_FINDER:
    case ID_HELP_ACCELERATORS:
        return true;
    default:
        return id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount;
    }
}

CommandState CXtalspApp::commandState(int id) const {
    CommandState state;
    switch (id) {
    case ID_FILE_CLOSE:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_WINDOW_NEW:
        state.enabled = activeDocument() != nullptr;
        break;
    default:
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount)
            state.enabled = id - ID_FILE_MRU_FILE1 < m_recentFiles.size();
        break;
    }
    return state;
}

void CXtalspApp::executeCommand(int id) {
    CXtalspDoc* active = activeDocument();
    switch (id) {
    case ID_FILE_NEW:
        newDocument();
        break;
    case ID_FILE_OPEN:
        openFromDialog();
        break;
    case ID_FILE_CLOSE:
        if (active != nullptr && canCloseDocument(*active))
            closeDocument(*active);
        break;
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
        if (active != nullptr)
            saveDocument(*active, id == ID_FILE_SAVE_AS);
        break;
    case ID_FILE_PRINT_SETUP:
        m_viewDialogs.printSetup(m_frame.get());
        break;
    case ID_WINDOW_NEW:
        if (active != nullptr)
            openNewWindow(*active);
        break;
    case ID_APP_ABOUT:
        CAboutDlg(m_frame.get()).exec();
        break;
    case ID_HELP_ACCELERATORS:
        CAcceleratorsDlg(m_frame.get()).exec();
        break;
    case ID_HELP_FINDER:
        m_help.show();
        break;
    default:
        if (id >= ID_FILE_MRU_FILE1 && id - ID_FILE_MRU_FILE1 < m_recentFiles.size()) {
            const QString path = m_recentFiles[id - ID_FILE_MRU_FILE1];
            // A file that cannot be opened any more leaves the list.
            if (OpenDocumentFile(path) == nullptr) {
                m_recentFiles.removeAll(path);
                storeRecentFiles();
            }
        }
        break;
    }
}

} // namespace xtalsp::gui
