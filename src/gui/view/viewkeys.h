// The keys the pattern view scrolls with, and the scroll each asks for.
#pragma once

#include <QAbstractSlider>
#include <Qt>

#include <optional>

namespace xtalsp::gui {

struct KeyScroll {
    Qt::Orientation orientation;
    QAbstractSlider::SliderAction action;
};

// Page Up/Down, Home/End and the arrow keys belong to the view, with or without Ctrl.
bool isScrollKey(int key);
// The scroll a key asks for; nothing for Ctrl with an arrow key, which rotates the crystal
// through the main window's accelerators instead.
std::optional<KeyScroll> keyScroll(int key, Qt::KeyboardModifiers modifiers);

} // namespace xtalsp::gui
