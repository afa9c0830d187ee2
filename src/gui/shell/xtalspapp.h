// The application: start-up, the open patterns with their files and titles, and the commands
// that are not a view's (new, open, save, close, recent files, help, About).
#pragma once

#include "core/document/xtalspdoc.h"
#include "gui/shell/commandtarget.h"
#include "gui/shell/filechooser.h"
#include "gui/shell/helpviewer.h"
#include "gui/shell/qtplatform.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QMdiSubWindow;

namespace xtalsp::gui {

class CChildFrame;
class CMainFrame;
class PatternImageLayer;
class ViewDialogs;
class DocumentDialogs;

// What the command line asks for: nothing (a new pattern), a file to open, a file to print, the
// usage, or nothing sensible (an unknown switch, a missing file name).
struct CommandLine {
    enum class Action { NewPattern, Open, Print, Usage, Invalid } action = Action::NewPattern;
    QString path;
    QString problem; // for Invalid: what is wrong, for the user
};
// "FILE" opens, "/p FILE" (also "-p" or "--print") prints, "--help" (also "-h", "/?") asks for
// the usage. Any other argument that starts with "-" is an unknown switch; an absolute path
// such as "/home/me/a.ptn" is a file.
CommandLine parseCommandLine(const QStringList& arguments);
// The usage text the program prints for "--help".
QString commandLineUsage();

class CXtalspApp : public QObject, public CommandTarget {
    Q_OBJECT
public:
    // The services are the program's own (QSettings, message boxes, file dialogs) or a test's.
    CXtalspApp(SettingsStore& settings, UserPrompt& prompt, FileChooser& chooser,
               ViewDialogs& viewDialogs, DocumentDialogs& documentDialogs,
               QString applicationDirectory, QString userDataDirectory = QString(),
               std::optional<bool> applicationDirectoryWritable = std::nullopt);
    ~CXtalspApp() override;

    // Patterns compute on a worker thread and the window stays responsive (the program does
    // so); without it they compute in the event loop's thread, as the tests expect.
    void setComputesInBackground(bool background) { m_computesInBackground = background; }

    // Start-up in its order; false ends the program (also after printing from the command line)
    // with exitStatus().
    bool InitInstance(const QStringList& arguments);
    int exitStatus() const { return m_exitStatus; }
    // The folder of the user's data files: the program's own when it can be written and the user
    // keeps no default spectrum of their own, else the per-user data folder.
    QString dataDirectory() const;
    CMainFrame* mainFrame() const { return m_frame.get(); }
    const QString& applicationDirectory() const { return m_applicationDirectory; }
    HelpViewer& help() { return m_help; }

    // The document framework.
    CXtalspDoc* newDocument();
    // Opens a pattern file after the first-pattern rule; a file already open is activated. A
    // file that is not a readable pattern opens as a new untitled pattern after its message, so
    // that Save never writes over it.
    CXtalspDoc* OpenDocumentFile(const QString& path);
    // A file dropped on the window opens only when it is a pattern file; any other is refused
    // with a message.
    CXtalspDoc* openDroppedFile(const QString& path);
    bool saveDocument(CXtalspDoc& doc, bool askForName);
    // Asks about unsaved changes; false when the user cancels.
    bool canCloseDocument(CXtalspDoc& doc);
    void closeDocument(CXtalspDoc& doc);
    bool closeAllDocuments();
    CXtalspDoc* activeDocument() const;
    QString documentTitle(const CXtalspDoc& doc) const;
    QString documentPath(const CXtalspDoc& doc) const;
    std::vector<CXtalspDoc*> documents() const;
    QStringList recentFiles() const { return m_recentFiles; }
    void openNewWindow(CXtalspDoc& doc);
    // The measured image shown under the pattern (one per pattern, shared by its windows).
    PatternImageLayer* imageLayer(const CXtalspDoc& doc) const;

    // CommandTarget
    bool handlesCommand(int id) const override;
    CommandState commandState(int id) const override;
    void executeCommand(int id) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct OpenPattern {
        std::unique_ptr<CXtalspDoc> doc;
        QString path;
        QString title;
        std::unique_ptr<PatternImageLayer> image;
    };

    DocumentServices documentServices();
    OpenPattern* find(const CXtalspDoc& doc) const;
    CXtalspDoc* addDocument(std::unique_ptr<CXtalspDoc> doc, QString path, QString title);
    void createChildFrame(CXtalspDoc& doc);
    void applyFirstPatternRule(CXtalspDoc* previous);
    CXtalspDoc* openFile(const QString& path, bool patternsOnly);
    void placeSampleStructure();
    bool reportCommandLine(const CommandLine& line);
    void addRecentFile(const QString& path);
    void storeRecentFiles();
    void loadRecentFiles();
    void updateTitles();
    bool printFromCommandLine(const QString& path);
    void openFromDialog();
    // The pattern's NAME.ptn.image: read after the pattern, written after it (xtalspapp.cpp).
    void loadImageSettings(CXtalspDoc& doc, const QString& patternPath);
    void saveImageSettings(CXtalspDoc& doc, const QString& patternPath);
    bool openDroppedImage(const QString& path);

    SettingsStore& m_settings;
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    ViewDialogs& m_viewDialogs;
    DocumentDialogs& m_documentDialogs;
    QString m_applicationDirectory;
    QString m_userDataDirectory;
    bool m_applicationDirectoryWritable = true;
    bool m_spectrumFallbackTold = false;
    bool m_computesInBackground = false;
    ReadablePathPrompt m_documentPrompt;
    int m_exitStatus = 0;
    HelpViewer m_help;
    std::unique_ptr<CMainFrame> m_frame;
    std::vector<OpenPattern> m_patterns;
    QStringList m_recentFiles;
    int m_untitledCount = 0;
};

} // namespace xtalsp::gui
