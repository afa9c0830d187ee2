// File open and save dialogs behind an interface, so tests can script the user's choice.
#pragma once

#include <QString>

namespace xtalsp::gui {

struct FileDialogSpec {
    QString title;
    QString filter;        // Qt filter text, e.g. "Xtalsp Files (*.ptn);;All Files (*)"
    QString defaultSuffix; // appended when the typed name has none ("ptn")
    QString initialPath;   // directory or file to start in
    bool confirmOverwrite = true;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen path, or an empty string when the user cancels.
    virtual QString openFileName(const FileDialogSpec& dialog) = 0;
    virtual QString saveFileName(const FileDialogSpec& dialog) = 0;
};

} // namespace xtalsp::gui
