// CAtomDlg: "Add or Change Individual Atom", the element and the site of one atom.
#pragma once

#include "core/structure/crystalstructure.h"
#include "gui/structure/numberfield.h"

#include <QDialog>

#include <array>

class QComboBox;

namespace xtalsp {
class UserPrompt;
}

namespace xtalsp::gui {

class CAtomDlg : public QDialog {
    Q_OBJECT
public:
    // Starts with the atom's element selected (0: the blank entry) and its site.
    CAtomDlg(const AtomSite& start, UserPrompt& prompt, QWidget* parent = nullptr);

    // OK: the coordinates and the occupancy must lie in their ranges and an element must be
    // chosen; otherwise the user is told and the dialog stays open.
    void accept() override;

    // The atom as accepted by OK.
    const AtomSite& atom() const { return m_atom; }

private:
    QComboBox* m_element = nullptr;
    std::array<NumberField, 4> m_fields; // x, y, z, occupancy
    UserPrompt& m_prompt;
    AtomSite m_atom;
};

} // namespace xtalsp::gui
