// "Initial Diffraction Settings": geometry, surface plane, side plane, film distance and index
// range of a pattern, edited on a copy.
#pragma once

#include "core/computation/diffractiondialogrules.h"
#include "core/platform/userprompt.h"
#include "gui/computation/diffractiongeometrypicture.h"

#include <QDialog>

#include <array>
#include <optional>

class QButtonGroup;
class QRadioButton;

namespace xtalsp {
class CXtalspDoc;
}

namespace xtalsp::gui {

class CStepEdit;

class CDiffractionSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on the document's settings and lattice; messages and the side-plane question go
    // through `prompt`.
    CDiffractionSettingsDlg(const CXtalspDoc& doc, UserPrompt& prompt, QWidget* parent = nullptr);

    // OK: closes only when the entries pass the checks (or the proposed side plane is taken).
    void accept() override;

    // The settings to take, once the dialog was accepted.
    const std::optional<DiffractionSettings>& acceptedSettings() const { return m_accepted; }

    QRadioButton* geometryButton(int buttonId) const;
    DiffractionGeometryPicture* picture() const { return m_picture; }
    CStepEdit* surfaceIndexEdit(int index) const { return m_surfaceEdits.at(index); }
    CStepEdit* sideIndexEdit(int index) const { return m_sideEdits.at(index); }
    CStepEdit* indexLimitEdit(int index) const { return m_limitEdits.at(index); }
    CStepEdit* distanceEdit() const { return m_distanceEdit; }

private:
    QWidget* createGeometryBox();
    QLayout* createFieldGrid();
    void commitEntries();

    DiffractionSettings m_current;
    ReciprocalBasis m_basis;
    UserPrompt& m_prompt;
    DiffractionDialogValues m_values; // the entries, bound to the step edits
    std::optional<DiffractionSettings> m_accepted;

    QButtonGroup* m_geometryGroup = nullptr;
    DiffractionGeometryPicture* m_picture = nullptr;
    std::array<CStepEdit*, 3> m_surfaceEdits{};
    std::array<CStepEdit*, 3> m_sideEdits{};
    std::array<CStepEdit*, 3> m_limitEdits{};
    CStepEdit* m_distanceEdit = nullptr;
};

} // namespace xtalsp::gui
