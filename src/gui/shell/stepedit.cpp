// CStepEdit: the numeric entry of the settings dialogs, with its arrows, focus-loss reading and
// line-break cleaning.
#include "gui/shell/stepedit.h"

#include "core/text/numbertext.h"
#include "gui/shell/qtplatform.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace xtalsp::gui {

namespace {

QToolButton* makeArrow(Qt::ArrowType direction, const char* name, QWidget* parent) {
    auto* arrow = new QToolButton(parent);
    arrow->setObjectName(name);
    arrow->setArrowType(direction);
    // Held down, an arrow keeps stepping, like the arrow of a scroll bar.
    arrow->setAutoRepeat(true);
    // A click must not take the focus away from the box: the box would read its text first.
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    arrow->setFixedWidth(16);
    arrow->setEnabled(false);
    return arrow;
}

} // namespace

CStepEdit::CStepEdit(QWidget* parent) : QWidget(parent) {
    m_edit = new QLineEdit(this);
    m_edit->setObjectName("stepText");
    m_up = makeArrow(Qt::UpArrow, "upArrow", this);
    m_down = makeArrow(Qt::DownArrow, "downArrow", this);

    auto* arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(m_up);
    arrows->addWidget(m_down);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_edit);
    row->addLayout(arrows);

    setFocusProxy(m_edit);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_edit->installEventFilter(this);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(true); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(false); });
    connect(m_edit, &QLineEdit::textChanged, this, &CStepEdit::replaceLineBreaks);
}

void CStepEdit::Attach(double* value, double minimum, double maximum, double step, bool integerOnly,
                       const QString& suffix) {
    m_value = value != nullptr ? value : &m_ownValue;
    m_range = StepEditRange{minimum, maximum, step, integerOnly};
    m_suffix = suffix;
    m_up->setEnabled(true);
    m_down->setEnabled(true);
    Refresh();
}

void CStepEdit::Refresh() {
    const double shown = stepEditShownValue(*m_value, m_range);
    *m_value = shown;
    const std::string suffix = toCp1252(m_suffix);
    m_edit->setText(
        fromCp1252(m_allDigits ? stepEditExactText(shown, suffix) : stepEditText(shown, suffix)));
    if (!m_hasShown || shown != m_lastShown) {
        m_hasShown = true;
        m_lastShown = shown;
        emit valueChanged(shown);
    }
}

void CStepEdit::showAllDigits() {
    m_allDigits = true;
    Refresh();
}

void CStepEdit::commit() {
    readText();
    Refresh();
}

void CStepEdit::stepBy(bool up) {
    readText();
    *m_value = stepEditArrow(*m_value, m_range.step, up);
    Refresh();
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->selectAll();
}

double CStepEdit::value() const {
    return *m_value;
}

// Text without a number reads 0, a number followed by anything else reads as the number, as
// atof reads it; the range is applied when the value is shown.
void CStepEdit::readText() {
    *m_value = readReal(toCp1252(m_edit->text()));
}

// The box holds one line: a pasted line break becomes a blank rather than cutting the text.
void CStepEdit::replaceLineBreaks() {
    const QString text = m_edit->text();
    if (!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return;
    const int cursor = m_edit->cursorPosition();
    m_edit->setText(fromCp1252(stepEditCleanText(toCp1252(text))));
    m_edit->setCursorPosition(cursor);
}

bool CStepEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit || event->type() != QEvent::FocusOut)
        return QWidget::eventFilter(watched, event);
    // The box's own handling first, then the typed text becomes the value. A box that is
    // hidden with its closing dialog has already been read on OK, and the dialog's variables
    // may be on their way out, so it is left alone.
    m_edit->event(event);
    if (m_edit->isVisible())
        commit();
    return true;
}

} // namespace xtalsp::gui
