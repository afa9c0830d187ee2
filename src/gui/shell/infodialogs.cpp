// About box and accelerator list.
#include "gui/shell/infodialogs.h"

#include "gui/shell/toolbaricons.h"

#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <iterator>

namespace xtalsp::gui {

void ClickToCloseDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        accept();
    else
        QDialog::mousePressEvent(event);
}

namespace {
constexpr int kPictureWidth = 392;
constexpr int kPictureHeight = 196;
} // namespace

void ClickToCloseDialog::keyPressEvent(QKeyEvent* event) {
    // Without buttons a dialog ignores Enter; these close on it as on Escape.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        accept();
    else
        QDialog::keyPressEvent(event);
}

CAboutDlg::CAboutDlg(QWidget* parent) : ClickToCloseDialog(parent) {
    setWindowTitle("About Xtalspotter");
    setFixedSize(kPictureWidth + 24, kPictureHeight + 24);
}

void CAboutDlg::paintEvent(QPaintEvent* event) {
    ClickToCloseDialog::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(12, 12);
    // Only the picture's own strokes are painted: the dialog background shows through.
    programIcon().paint(&p, QRect(8, 24, 148, 148));
    QFont title = font();
    title.setPointSizeF(title.pointSizeF() * 2.2);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(30, 60, 150));
    p.drawText(QRect(170, 30, kPictureWidth - 170, 50), Qt::AlignLeft | Qt::AlignVCenter,
               "Xtalspotter");
    QFont body = font();
    p.setFont(body);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(170, 84, kPictureWidth - 176, 100), Qt::AlignLeft | Qt::TextWordWrap,
               "Laue patterns of single crystals in a white X-ray beam, "
               "at true size on screen and paper.\n\nVersion " XTALSP_VERSION);
}

CAcceleratorsDlg::CAcceleratorsDlg(QWidget* parent) : ClickToCloseDialog(parent) {
    setWindowTitle("Important Accelerators");
    auto* grid = new QGridLayout(this);
    const std::pair<const char*, const char*> rows[] = {
        {"   Ctrl+LeftArrow", "Rotate crystal along Y- by 0.1\u00BA"},
        {"   Ctrl+RightArrow", "Rotate crystal along Y+ by 0.1\u00BA"},
        {"   Ctrl+UpArrow", "Rotate crystal along X- by 0.1\u00BA"},
        {"   Ctrl+DownArrow", "Rotate crystal along X+ by 0.1\u00BA"},
        {"   Ctrl+Shift+LeftArrow", "Rotate crystal about the beam by -0.1\u00BA"},
        {"   Ctrl+Shift+RightArrow", "Rotate crystal about the beam by +0.1\u00BA"},
        {"   =", "Increase the imaging distance by 1 mm"},
        {"   -", "Reduce the imaging distance by 1 mm"},
        {"   Alt+  =", "Increase the imaging distance by 1 cm"},
        {"   Alt+  -", "Reduce the imaging distance by 1 cm"},
        {"   Ctrl+Z, Alt+Backspace", "Undo the last change of the pattern"},
        {"   Ctrl+Y, Ctrl+Shift+Z", "Redo the change undone last"},
        {"   Esc", "Stop the computation running"},
    };
    int row = 0;
    for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
        if (i == 6 || i == 10) {
            // Thin lines between the rotation, distance and editing keys.
            auto* line = new QFrame(this);
            line->setFrameShape(QFrame::HLine);
            line->setFrameShadow(QFrame::Sunken);
            grid->addWidget(line, row++, 0, 1, 2);
        }
        grid->addWidget(new QLabel(QString::fromUtf8(rows[i].first), this), row, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(rows[i].second), this), row, 1);
        ++row;
    }
}

} // namespace xtalsp::gui
