// The application: start-up, the open patterns with their files and titles, and the commands
// that are not a view's (new, open, save, close, recent files, help, About).
#pragma once

#include "document/xtalspdoc.h"
#include "shell/commandtarget.h"
#include "shell/filechooser.h"
#include "shell/helpviewer.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QMdiSubWindow;

namespace xtalsp::gui {

class CChildFrame;
class CMainFrame;
class ViewDialogs;
class DocumentDialogs;

// What the command line asks for: nothing (a new pattern), a file to open, or a file to print.
struct CommandLine {
    enum class Action { NewPattern, Open, Print } action = Action::NewPattern;
    QString path;
};
// "FILE" opens, "/p FILE" (also "-p" or "--print") prints; other switches are ignored.
CommandLine parseCommandLine(const QStringList& arguments);

class CXtalspApp : public QObject, public CommandTarget {
    Q_OBJECT
public:
    // The services are the program's own (QSettings, message boxes, file dialogs) or a test's.
    CXtalspApp(SettingsStore& settings, UserPrompt& prompt, FileChooser& chooser,
               ViewDialogs& viewDialogs, DocumentDialogs& documentDialogs,
               QString applicationDirectory);
    ~CXtalspApp() override;

    // Start-up in its order; false ends the program (also after printing from the command line).
    bool InitInstance(const QStringList& arguments);
    CMainFrame* mainFrame() const { return m_frame.get(); }
    const QString& applicationDirectory() const { return m_applicationDirectory; }
    HelpViewer& help() { return m_help; }

    // The document framework.
    CXtalspDoc* newDocument();
    // Opens a pattern file after the first-pattern rule; a file already open is activated.
    CXtalspDoc* OpenDocumentFile(const QString& path);
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
    };

    DocumentServices documentServices();
    OpenPattern* find(const CXtalspDoc& doc) const;
    CXtalspDoc* addDocument(std::unique_ptr<CXtalspDoc> doc, QString path, QString title);
    void createChildFrame(CXtalspDoc& doc);
    void applyFirstPatternRule();
    void addRecentFile(const QString& path);
    void storeRecentFiles();
    void loadRecentFiles();
    void updateTitles();
    bool printFromCommandLine(const QString& path);
    void openFromDialog();

    SettingsStore& m_settings;
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    ViewDialogs& m_viewDialogs;
    DocumentDialogs& m_documentDialogs;
    QString m_applicationDirectory;
    HelpViewer m_help;
    std::unique_ptr<CMainFrame> m_frame;
    std::vector<OpenPattern> m_patterns;
    QStringList m_recentFiles;
    int m_untitledCount = 0;
};

} // namespace xtalsp::gui
