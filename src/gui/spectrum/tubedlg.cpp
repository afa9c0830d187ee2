// The tube dialog: four controls whose ranges are those the tube spectrum accepts.
#include "gui/spectrum/tubedlg.h"

#include "core/structure/elements.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>

namespace xtalsp::gui {

TubeDlg::TubeDlg(const TubeSettings& start, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Generate from Tube");
    m_anode = new QComboBox(this);
    for (int anode : kTubeAnodes)
        m_anode->addItem(QString::fromLatin1(elementSymbol(anode).data(),
                                             static_cast<int>(elementSymbol(anode).size())),
                         anode);
    m_anode->setCurrentIndex(std::max(0, m_anode->findData(start.anode)));
    m_kilovolts = new QDoubleSpinBox(this);
    m_kilovolts->setRange(kMinTubeKilovolts, kMaxTubeKilovolts);
    m_kilovolts->setDecimals(1);
    m_kilovolts->setSuffix(" kV");
    m_kilovolts->setValue(start.kilovolts);
    m_lines = new QCheckBox("Characteristic lines", this);
    m_lines->setChecked(start.withLines);
    m_beryllium = new QDoubleSpinBox(this);
    m_beryllium->setRange(0.0, kMaxBerylliumMm);
    m_beryllium->setDecimals(3);
    m_beryllium->setSingleStep(0.05);
    m_beryllium->setSuffix(" mm");
    m_beryllium->setValue(start.berylliumMm);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    auto* form = new QFormLayout(this);
    form->addRow("&Anode:", m_anode);
    form->addRow("&Voltage:", m_kilovolts);
    form->addRow("", m_lines);
    form->addRow("&Beryllium window:", m_beryllium);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

TubeSettings TubeDlg::settings() const {
    return {m_anode->currentData().toInt(), m_kilovolts->value(), m_lines->isChecked(),
            m_beryllium->value()};
}

} // namespace xtalsp::gui
