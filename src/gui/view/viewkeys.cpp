// The scrolling keys of the pattern view.
#include "gui/view/viewkeys.h"

namespace xtalsp::gui {

bool isScrollKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

std::optional<KeyScroll> keyScroll(int key, Qt::KeyboardModifiers modifiers) {
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    using Slider = QAbstractSlider;
    switch (key) {
    case Qt::Key_PageUp:
        return KeyScroll{Qt::Vertical, Slider::SliderPageStepSub};
    case Qt::Key_PageDown:
        return KeyScroll{Qt::Vertical, Slider::SliderPageStepAdd};
    // Home and End run along a line of the drawing; with Ctrl they go to its top and bottom.
    case Qt::Key_Home:
        return KeyScroll{ctrl ? Qt::Vertical : Qt::Horizontal, Slider::SliderToMinimum};
    case Qt::Key_End:
        return KeyScroll{ctrl ? Qt::Vertical : Qt::Horizontal, Slider::SliderToMaximum};
    default:
        break;
    }
    if (ctrl)
        return std::nullopt;
    switch (key) {
    case Qt::Key_Left:
        return KeyScroll{Qt::Horizontal, Slider::SliderSingleStepSub};
    case Qt::Key_Right:
        return KeyScroll{Qt::Horizontal, Slider::SliderSingleStepAdd};
    case Qt::Key_Up:
        return KeyScroll{Qt::Vertical, Slider::SliderSingleStepSub};
    case Qt::Key_Down:
        return KeyScroll{Qt::Vertical, Slider::SliderSingleStepAdd};
    default:
        return std::nullopt;
    }
}

} // namespace xtalsp::gui
