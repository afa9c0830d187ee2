// The structure command's entry to the structure editor. It lives apart from the editor so that
// code linking the editor alone does not pull in the other editors of QtDocumentDialogs.
#include "gui/shell/documentdialogs.h"
#include "gui/structure/crystalstructuredlg.h"

namespace xtalsp::gui {

std::optional<FlatStructure> QtDocumentDialogs::editStructure(QWidget* parent,
                                                              const FlatStructure& start,
                                                              const QString& applicationDirectory) {
    CCrystalStructureDlg dialog(start, m_prompt, m_chooser, applicationDirectory, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.editedStructure();
}

} // namespace xtalsp::gui
