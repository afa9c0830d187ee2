// xtalsp: the Xtalspotter desktop program.
#include "gui/shell/documentdialogs.h"
#include "gui/shell/mainframe.h"
#include "gui/shell/qtplatform.h"
#include "gui/shell/toolbaricons.h"
#include "gui/shell/xtalspapp.h"
#include "gui/view/viewdialogs.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("Xtalspotter Application");
    QApplication::setApplicationName("Xtalsp");
    QApplication::setWindowIcon(xtalsp::gui::programIcon());

    xtalsp::gui::QtSettingsStore settings;
    xtalsp::gui::QtUserPrompt prompt;
    xtalsp::gui::QtFileChooser chooser;
    xtalsp::gui::QtViewDialogs viewDialogs;
    xtalsp::gui::QtDocumentDialogs documentDialogs(prompt, chooser, settings);
    xtalsp::gui::CXtalspApp app(settings, prompt, chooser, viewDialogs, documentDialogs,
                                QApplication::applicationDirPath(),
                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    app.setComputesInBackground(true);
    if (!app.InitInstance(QApplication::arguments().mid(1)))
        return app.exitStatus();
    prompt.setParent(app.mainFrame());
    chooser.setParent(app.mainFrame());
    return QApplication::exec();
}
