// The white value label.
#include "gui/spectrum/whitevaluelabel.h"

#include <QBrush>
#include <QPalette>

namespace xtalsp::gui {

const QBrush& whiteValueBrush() {
    static const QBrush brush(QColor(255, 255, 255));
    return brush;
}

WhiteValueLabel::WhiteValueLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setBrush(QPalette::Window, whiteValueBrush());
    // Black text, so that a dark desktop theme does not write white on the white background.
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

} // namespace xtalsp::gui
