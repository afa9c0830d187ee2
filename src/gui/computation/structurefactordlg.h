// "Structure Factor": |F|, phase and d-spacing of any reflection of the document's crystal.
#pragma once

#include "core/computation/diffractionsettings.h"
#include "core/structure/crystalstructure.h"

#include <QDialog>

#include <array>
#include <vector>

class QLabel;
class QPushButton;

namespace xtalsp::gui {

class CStepEdit;

class CStructureFactorDlg : public QDialog {
    Q_OBJECT
public:
    // Works on copies of the cell's reciprocal basis and atoms; computes (0 0 0) at once.
    CStructureFactorDlg(const ReciprocalBasis& basis, std::vector<ElementGroup> groups,
                        QWidget* parent = nullptr);

    // Reads the three indices and shows |F|, phase and d-spacing of that reflection.
    void calculate();

    CStepEdit* indexEdit(int index) const { return m_indexEdits.at(index); }
    QPushButton* calculateButton() const { return m_calculate; }
    QLabel* magnitudeLabel() const { return m_magnitude; }
    QLabel* phaseLabel() const { return m_phase; }
    QLabel* dSpacingLabel() const { return m_dSpacing; }

private:
    ReciprocalBasis m_basis;
    std::vector<ElementGroup> m_groups;
    std::array<double, 3> m_indices{}; // h k l, bound to the step edits

    std::array<CStepEdit*, 3> m_indexEdits{};
    QPushButton* m_calculate = nullptr;
    QLabel* m_magnitude = nullptr;
    QLabel* m_phase = nullptr;
    QLabel* m_dSpacing = nullptr;
};

} // namespace xtalsp::gui
