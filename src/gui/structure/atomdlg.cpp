// The dialog that adds an atom to the structure editor's list or changes one of its atoms.
#include "gui/structure/atomdlg.h"

#include "core/platform/userprompt.h"
#include "core/structure/elements.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace xtalsp::gui {

namespace {

QComboBox* createElementList(int selected, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName("element");
    // Every entry of the symbol table in table order, the blank "no element" first, so the
    // index of an entry is its atomic number.
    for (const std::string_view symbol : kElementSymbols)
        list->addItem(QString::fromLatin1(symbol.data(), static_cast<qsizetype>(symbol.size())));
    list->setMaxVisibleItems(20);
    list->setCurrentIndex(isValidAtomicNumber(selected) ? selected : 0);
    return list;
}

QLineEdit* createNumberBox(const char* name, double value, QWidget* parent) {
    auto* box = new QLineEdit(numberFieldText(value), parent);
    box->setObjectName(name);
    return box;
}

} // namespace

CAtomDlg::CAtomDlg(const AtomSite& start, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_atom(start) {
    setWindowTitle("Add or Change Individual Atom");
    m_element = createElementList(start.element, this);
    m_fields = {NumberField{createNumberBox("x", start.x, this), kMinCoordinate, kMaxCoordinate},
                NumberField{createNumberBox("y", start.y, this), kMinCoordinate, kMaxCoordinate},
                NumberField{createNumberBox("z", start.z, this), kMinCoordinate, kMaxCoordinate},
                NumberField{createNumberBox("occupancy", start.occupancy, this), kMinOccupancy,
                            kMaxOccupancy}};

    auto* form = new QFormLayout;
    form->addRow("&Atom:", m_element);
    form->addRow("&X:", m_fields[0].box);
    form->addRow("&Y:", m_fields[1].box);
    form->addRow("&Z:", m_fields[2].box);
    form->addRow("&Occupancy:", m_fields[3].box);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &CAtomDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAtomDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_element->setFocus();
}

void CAtomDlg::accept() {
    std::array<double, 4> values{};
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const std::optional<double> value = checkedFieldValue(m_fields[i], m_prompt);
        if (!value)
            return;
        values[i] = *value;
    }
    const int element = m_element->currentIndex();
    if (!isValidAtomicNumber(element)) {
        m_prompt.show({"Please select an atom name! ", "", MessageIcon::Exclamation});
        m_element->setFocus();
        return;
    }
    m_atom = AtomSite{element, values[0], values[1], values[2], values[3]};
    QDialog::accept();
}

} // namespace xtalsp::gui
