// A read-only value field: black text on white in a sunken frame, as dialogs show computed
// values that the user reads but does not type.
#pragma once

#include <QLabel>

namespace xtalsp::gui {

class WhiteValueLabel : public QLabel {
public:
    explicit WhiteValueLabel(const QString& text = QString(), QWidget* parent = nullptr);
};

// The one brush all value labels are painted with; made on first use, kept until exit.
const QBrush& whiteValueBrush();

} // namespace xtalsp::gui
