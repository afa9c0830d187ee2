// CStepEdit: a numeric text box with up and down arrows, bound to one value of its dialog.
#pragma once

#include "core/text/stepedit.h"

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace xtalsp::gui {

class CStepEdit : public QWidget {
    Q_OBJECT
public:
    explicit CStepEdit(QWidget* parent = nullptr);

    // Binds the box to a value of the dialog (which must outlive the box), enables the arrows
    // and shows the value.
    void Attach(double* value, double minimum, double maximum, double step, bool integerOnly,
                const QString& suffix = QString());
    // Rounds (integer only), clamps and shows the bound value.
    void Refresh();
    // Reads the typed text into the bound value and shows it, as losing the focus does; dialogs
    // call it before they read the value on OK.
    void commit();
    // Shows every digit the value needs to be read back unchanged, rather than "%g"'s six.
    void showAllDigits();
    // One arrow step up or down, as a click on an arrow.
    void stepBy(bool up);

    double value() const;
    QLineEdit* lineEdit() const { return m_edit; }

signals:
    void valueChanged(double value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readText();
    void replaceLineBreaks();

    QLineEdit* m_edit = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    double m_ownValue = 0.0; // bound until Attach names the dialog's variable
    double* m_value = &m_ownValue;
    StepEditRange m_range;
    QString m_suffix;
    bool m_allDigits = false;
    bool m_hasShown = false;
    double m_lastShown = 0.0;
};

} // namespace xtalsp::gui
