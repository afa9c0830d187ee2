// "Detailed Information of Selected Spot": the values of the selected spot and the harmonics
// that diffract onto it.
#pragma once

#include "core/document/spotdetails.h"

#include <QDialog>

#include <array>

class QLabel;
class QTableWidget;

namespace xtalsp::gui {

class CSpotDetailsDlg : public QDialog {
    Q_OBJECT
public:
    // The value fields, top to bottom.
    enum Field {
        BaseReflection,
        SpotPosition,
        BaseWavelength,
        BaseDSpacing,
        AbsoluteIntensity,
        RelativeIntensity,
        FieldCount
    };

    explicit CSpotDetailsDlg(const SpotDetails& details, QWidget* parent = nullptr);

    QLabel* valueLabel(Field field) const { return m_values.at(field); }
    QTableWidget* harmonicsTable() const { return m_harmonics; }

private:
    void fillHarmonics(const std::vector<HarmonicDetails>& rows);

    std::array<QLabel*, FieldCount> m_values{};
    QTableWidget* m_harmonics = nullptr;
};

} // namespace xtalsp::gui
