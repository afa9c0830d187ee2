// The diffraction settings dialog: step edits bound to the entries, the geometry sketch that
// follows the radio buttons, and OK through the dialog's rules.
#include "gui/computation/diffractionsettingsdlg.h"

#include "core/document/xtalspdoc.h"
#include "gui/computation/diffractiongeometrypicture.h"
#include "gui/shell/documentdialogs.h"
#include "gui/shell/stepedit.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace xtalsp::gui {

namespace {

constexpr double kArrowStep = 1.0;

CStepEdit* attachedEdit(QWidget* parent, double* value, const FieldRange& range,
                        const QString& suffix = QString()) {
    auto* edit = new CStepEdit(parent);
    edit->Attach(value, range.min, range.max, kArrowStep, range.integer, suffix);
    return edit;
}

bool isZero(const std::array<double, 3>& plane) {
    return plane[0] == 0.0 && plane[1] == 0.0 && plane[2] == 0.0;
}

} // namespace

CDiffractionSettingsDlg::CDiffractionSettingsDlg(const CXtalspDoc& doc, UserPrompt& prompt,
                                                 QWidget* parent)
    : QDialog(parent), m_current(doc.settings()), m_basis(doc.reciprocalBasis()), m_prompt(prompt),
      m_values(initialDiffractionDialogValues(doc.settings(), doc.structure().a, doc.structure().b,
                                              doc.structure().c)) {
    setWindowTitle("Initial Diffraction Settings");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createGeometryBox());
    layout->addLayout(createFieldGrid());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDiffractionSettingsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDiffractionSettingsDlg::reject);
    layout->addWidget(buttons);
}

QWidget* CDiffractionSettingsDlg::createGeometryBox() {
    auto* box = new QGroupBox("Diffraction geometry", this);
    auto* row = new QHBoxLayout(box);
    auto* choices = new QVBoxLayout;
    m_geometryGroup = new QButtonGroup(this);
    const std::pair<int, const char*> buttons[] = {{kTransmissionButton, "&Transmission"},
                                                   {kBackReflectionButton, "&Back reflection"},
                                                   {kGrazingButton, "&Grazing"}};
    for (const auto& [geometry, text] : buttons) {
        auto* button = new QRadioButton(text, box);
        m_geometryGroup->addButton(button, geometry);
        choices->addWidget(button);
    }
    // Grazing incidence is shown for completeness; the computation has no such geometry.
    m_geometryGroup->button(kGrazingButton)->setEnabled(false);
    choices->addStretch();
    row->addLayout(choices);

    m_picture = new DiffractionGeometryPicture(box);
    row->addWidget(m_picture, 1);

    const int start = m_values.geometry == DiffractionGeometry::Transmission
                          ? kTransmissionButton
                          : kBackReflectionButton;
    m_geometryGroup->button(start)->setChecked(true);
    m_picture->setDiffractionGeometry(start);
    connect(m_geometryGroup, &QButtonGroup::idClicked, m_picture,
            &DiffractionGeometryPicture::setDiffractionGeometry);
    return box;
}

QLayout* CDiffractionSettingsDlg::createFieldGrid() {
    auto* grid = new QGridLayout;
    const auto addRow = [this, grid](int row, const char* text, std::array<CStepEdit*, 3>& edits,
                                     std::array<double*, 3> values, const FieldRange& range) {
        auto* label = new QLabel(text, this);
        grid->addWidget(label, row, 0);
        for (int i = 0; i < 3; ++i) {
            edits[static_cast<std::size_t>(i)] =
                attachedEdit(this, values[static_cast<std::size_t>(i)], range);
            grid->addWidget(edits[static_cast<std::size_t>(i)], row, i + 1);
        }
        label->setBuddy(edits[0]->lineEdit());
    };
    addRow(0, "&Surface plane (H K L):", m_surfaceEdits,
           {&m_values.surfacePlane[0], &m_values.surfacePlane[1], &m_values.surfacePlane[2]},
           kSurfaceIndexField);
    addRow(1, "Vertical side &plane (h k l):", m_sideEdits,
           {&m_values.sidePlane[0], &m_values.sidePlane[1], &m_values.sidePlane[2]},
           kSideIndexField);
    // A turn about the beam leaves real-valued planes: OK must hand them back unchanged.
    for (CStepEdit* edit : m_surfaceEdits)
        edit->showAllDigits();
    for (CStepEdit* edit : m_sideEdits)
        edit->showAllDigits();
    addRow(2, "Index &range (Hmax Kmax Lmax):", m_limitEdits,
           {&m_values.Hmax, &m_values.Kmax, &m_values.Lmax}, kIndexLimitField);

    auto* distanceLabel = new QLabel("Sample-to-film &distance D:", this);
    m_distanceEdit = attachedEdit(this, &m_values.distanceCm, kDistanceCmField, " cm");
    distanceLabel->setBuddy(m_distanceEdit->lineEdit());
    grid->addWidget(distanceLabel, 3, 0);
    grid->addWidget(m_distanceEdit, 3, 1);
    return grid;
}

QRadioButton* CDiffractionSettingsDlg::geometryButton(int buttonId) const {
    return qobject_cast<QRadioButton*>(m_geometryGroup->button(buttonId));
}

// The typed text of a box reaches its value only when the box loses the focus; OK reads all of
// them first, so a value typed just before Enter counts.
void CDiffractionSettingsDlg::commitEntries() {
    for (const auto* edits : {&m_surfaceEdits, &m_sideEdits, &m_limitEdits}) {
        for (CStepEdit* edit : *edits)
            edit->commit();
    }
    m_distanceEdit->commit();
    const int checked = m_geometryGroup->checkedId();
    if (checked == kTransmissionButton)
        m_values.geometry = DiffractionGeometry::Transmission;
    else if (checked == kBackReflectionButton)
        m_values.geometry = DiffractionGeometry::BackReflection;
}

void CDiffractionSettingsDlg::accept() {
    commitEntries();
    m_accepted = acceptDiffractionDialog(m_values, m_current, m_basis, m_prompt);
    if (!m_accepted) {
        // Back to the plane that needs attention; the dialog stays open with every entry.
        CStepEdit* offending = isZero(m_values.surfacePlane) ? m_surfaceEdits[0] : m_sideEdits[0];
        offending->lineEdit()->setFocus();
        offending->lineEdit()->selectAll();
        return;
    }
    QDialog::accept();
}

std::optional<DiffractionSettings>
QtDocumentDialogs::editDiffractionSettings(QWidget* parent, const CXtalspDoc& doc) {
    CDiffractionSettingsDlg dialog(doc, m_prompt, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.acceptedSettings();
}

} // namespace xtalsp::gui
