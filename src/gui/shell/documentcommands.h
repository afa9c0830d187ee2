// The settings commands of the active pattern (Setting and Intensity menus, rotation buttons,
// distance and rotation keys, Pattern Size, Calibrate Zoom): enabled states, the editor each
// opens, and the document operation it applies on OK.
#pragma once

#include "gui/shell/commandtarget.h"
#include "gui/shell/documentdialogs.h"

class QWidget;

namespace xtalsp::gui {

class DocumentCommands : public CommandTarget {
public:
    DocumentCommands(DocumentDialogs& dialogs, QString applicationDirectory)
        : m_dialogs(dialogs), m_applicationDirectory(std::move(applicationDirectory)) {}

    // The pattern the commands act on (none: every command disabled), the parent of its
    // dialogs, and whether its window is minimised.
    void setDocument(CXtalspDoc* doc, QWidget* dialogParent, bool windowMinimised);

    bool handlesCommand(int id) const override;
    CommandState commandState(int id) const override;
    void executeCommand(int id) override;

private:
    DocumentDialogs& m_dialogs;
    QString m_applicationDirectory;
    CXtalspDoc* m_doc = nullptr;
    QWidget* m_parent = nullptr;
    bool m_minimised = false;
};

} // namespace xtalsp::gui
