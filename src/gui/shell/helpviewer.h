// The program's own help pages, shown in a help window at the default topic or at the page of
// a context number.
#pragma once

#include "core/platform/userprompt.h"

#include <QPointer>
#include <QString>
#include <optional>

#include <QTextBrowser>

namespace xtalsp::gui {

class HelpViewer {
public:
    // `applicationDirectory` is searched for "help/index.html", then
    // "../share/xtalsp/help/index.html" (an installed program).
    HelpViewer(UserPrompt& prompt, QString applicationDirectory);
    ~HelpViewer();

    // The help file's path, or the path that was looked for first when none exists.
    QString helpFile() const;
    // Opens the help window; a missing help file is reported and the program goes on.
    bool show(std::optional<int> context = std::nullopt);
    QTextBrowser* window() const { return m_window; }
    // Opens the help from a modal dialog: the help window becomes a window of the dialog's own,
    // so that the dialog does not block it.
    void showOver(QWidget* modalDialog);

private:
    UserPrompt& m_prompt;
    QString m_applicationDirectory;
    QPointer<QTextBrowser> m_window;
};

} // namespace xtalsp::gui
