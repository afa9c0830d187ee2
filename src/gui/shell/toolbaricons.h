// The 16 x 15 toolbar images, drawn as vector art so they stay sharp at any screen scale.
#pragma once

#include <QIcon>

namespace xtalsp::gui {

QIcon toolBarIcon(int commandId);
// The program's icon: a small Laue pattern on film.
QIcon programIcon();

} // namespace xtalsp::gui
