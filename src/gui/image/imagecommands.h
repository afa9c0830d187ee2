// The commands on the image under the active pattern: open and close it, calibrate it, its
// contrast, fitting the film to it, and the peak search.
#pragma once

#include "core/document/xtalspdoc.h"
#include "core/platform/userprompt.h"
#include "gui/image/patternimagelayer.h"
#include "gui/shell/commandtarget.h"
#include "gui/shell/filechooser.h"

class QWidget;

namespace xtalsp::gui {

// The file dialog of Open Image.
const FileDialogSpec& imageFileDialog();

// Opens the image file under the pattern; tells the user when it cannot be read.
bool openImageFile(PatternImageLayer& layer, const QString& path, UserPrompt& prompt);
// The film size, within its range, that covers the whole calibrated image: width and height in
// cm, symmetric about the beam centre.
std::optional<std::pair<double, double>> filmSizeCoveringImage(const PatternImageLayer& layer);

class ImageCommands : public CommandTarget {
public:
    ImageCommands(UserPrompt& prompt, FileChooser& chooser)
        : m_prompt(prompt), m_chooser(chooser) {}

    // The pattern and image the commands act on (none: every command disabled) and the parent
    // of their dialogs.
    void setTarget(CXtalspDoc* doc, PatternImageLayer* layer, QWidget* dialogParent);

    bool handlesCommand(int id) const override;
    CommandState commandState(int id) const override;
    void executeCommand(int id) override;

private:
    UserPrompt& m_prompt;
    FileChooser& m_chooser;
    CXtalspDoc* m_doc = nullptr;
    PatternImageLayer* m_layer = nullptr;
    QWidget* m_parent = nullptr;
};

} // namespace xtalsp::gui
