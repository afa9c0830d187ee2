// The About box and the list of keys that no menu shows; both close on a click.
#pragma once

#include <QDialog>

namespace xtalsp::gui {

// A dialog that closes on a left click anywhere in it, as on Enter and Escape.
class ClickToCloseDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// "About Xtalspotter": the program's picture drawn with a transparent background.
class CAboutDlg : public ClickToCloseDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// "Important Accelerators": the rotation and distance keys.
class CAcceleratorsDlg : public ClickToCloseDialog {
    Q_OBJECT
public:
    explicit CAcceleratorsDlg(QWidget* parent = nullptr);
};

} // namespace xtalsp::gui
