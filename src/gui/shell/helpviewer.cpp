// Help window over QTextBrowser.
#include "gui/shell/helpviewer.h"

#include "gui/shell/qtplatform.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace xtalsp::gui {

HelpViewer::HelpViewer(UserPrompt& prompt, QString applicationDirectory)
    : m_prompt(prompt), m_applicationDirectory(std::move(applicationDirectory)) {}

HelpViewer::~HelpViewer() {
    delete m_window;
}

QString HelpViewer::helpFile() const {
    const QDir dir(m_applicationDirectory);
    const QString beside = dir.filePath("help/index.html");
    const QString installed = QDir::cleanPath(dir.filePath("../share/xtalsp/help/index.html"));
    if (!QFileInfo::exists(beside) && QFileInfo::exists(installed))
        return installed;
    return beside;
}

bool HelpViewer::show(std::optional<int> context) {
    const QString index = helpFile();
    if (!QFileInfo::exists(index)) {
        m_prompt.show(
            {"Cannot find the help file " + toCp1252(QDir::toNativeSeparators(index)) + ".", "",
             MessageIcon::Exclamation});
        return false;
    }
    QString page = index;
    if (context) {
        const QString contextPage =
            QFileInfo(index).dir().filePath(QString("context-%1.html").arg(*context));
        if (QFileInfo::exists(contextPage))
            page = contextPage;
    }
    if (m_window == nullptr) {
        m_window = new QTextBrowser;
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        m_window->setWindowTitle("Xtalspotter Help");
        m_window->setOpenExternalLinks(true);
        m_window->resize(720, 640);
    }
    m_window->setSource(QUrl::fromLocalFile(page));
    m_window->show();
    m_window->raise();
    return true;
}

void HelpViewer::showOver(QWidget* modalDialog) {
    if (!show() || m_window == nullptr)
        return;
    m_window->setParent(modalDialog, Qt::Window);
    m_window->show();
}

} // namespace xtalsp::gui
