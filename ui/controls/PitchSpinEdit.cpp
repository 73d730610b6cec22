#include "PitchSpinEdit.h"

#include "FieldEdit.h"
#include "tone/ReferencePitch.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace ui {

namespace {

// Holding a button steps first after this delay and then at this interval, in milliseconds.
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 100;

QToolButton* MakeStepButton(QWidget* parent, Qt::ArrowType arrow, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAccessibleName(name);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setAutoRepeatDelay(kRepeatDelayMs);
    button->setAutoRepeatInterval(kRepeatIntervalMs);
    return button;
}

// A character the field lets the user type: a sign, a digit, the locale's decimal separator
// or a control character other than Enter (Backspace, Tab, Escape, Ctrl+letter).
bool IsAcceptedCharacter(QChar c)
{
    if (c == u'\r' || c == u'\n')
        return false;
    if (c.category() == QChar::Other_Control)
        return true;
    if (c == u'+' || c == u'-' || (c >= u'0' && c <= u'9'))
        return true;
    return QLocale().decimalPoint().contains(c);
}

bool IsAcceptedText(const QString& text)
{
    return std::all_of(text.begin(), text.end(), IsAcceptedCharacter);
}

} // namespace

PitchSpinEdit::PitchSpinEdit(QWidget* parent)
    : QWidget(parent), field_(new FieldEdit(this)),
      upButton_(MakeStepButton(this, Qt::UpArrow, tr("Raise pitch"))),
      downButton_(MakeStepButton(this, Qt::DownArrow, tr("Lower pitch"))),
      minimum_(tone::kLowestReferencePitch), maximum_(tone::kHighestReferencePitch)
{
    setFocusPolicy(field_->focusPolicy());
    setFocusProxy(field_);
    field_->installEventFilter(this);

    connect(field_, &QLineEdit::textChanged, this, &PitchSpinEdit::textChanged);
    // A repeat of a held button emits pressed again, so stepping on pressed gives one step
    // for the press and one for each repeat.
    connect(upButton_, &QToolButton::pressed, this, [this] {
        field_->setFocus(Qt::MouseFocusReason);
        stepBy(1);
    });
    connect(downButton_, &QToolButton::pressed, this, [this] {
        field_->setFocus(Qt::MouseFocusReason);
        stepBy(-1);
    });
    placeButtons();
}

QLineEdit* PitchSpinEdit::lineEdit() const
{
    return field_;
}

void PitchSpinEdit::setRange(int min, int max)
{
    minimum_ = min;
    maximum_ = std::max(min, max);
}

QString PitchSpinEdit::text() const
{
    return field_->text();
}

void PitchSpinEdit::setText(const QString& text)
{
    if (text == field_->text())
        return;
    field_->setText(text);
}

int PitchSpinEdit::value() const
{
    return tone::ReadReferencePitch(field_->text());
}

void PitchSpinEdit::setValue(int value)
{
    setText(QString::number(std::clamp(value, minimum_, maximum_)));
}

void PitchSpinEdit::stepBy(int steps)
{
    // In 64 bits, so that a typed 2147483647 steps without overflowing.
    const long long stepped = static_cast<long long>(value()) + steps;
    setValue(static_cast<int>(std::clamp<long long>(stepped, minimum_, maximum_)));
}

bool PitchSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_) {
        if (event->type() == QEvent::KeyPress)
            return filterKeyPress(static_cast<QKeyEvent*>(event));
        if (event->type() == QEvent::InputMethod)
            return filterInputMethod(static_cast<QInputMethodEvent*>(event));
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            // A menu opening or another window taking over leaves the field focused within
            // this window, so only a real move of the focus clamps.
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                clampOnFocusLoss();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool PitchSpinEdit::filterKeyPress(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        stepBy(event->key() == Qt::Key_Up ? 1 : -1);
        return true;
    }
    // A key pressed with Ctrl (copy, paste, cut, undo, select all) types a control character;
    // keys that type nothing (arrows, Delete, Home) pass as well.
    const bool command =
        modifiers.testFlag(Qt::ControlModifier) && !modifiers.testFlag(Qt::AltModifier);
    if (command || event->text().isEmpty() || IsAcceptedText(event->text()))
        return false;
    refuseInput();
    return true;
}

bool PitchSpinEdit::filterInputMethod(QInputMethodEvent* event)
{
    // Text composed with an input method is typed text too.
    if (IsAcceptedText(event->commitString()))
        return false;
    refuseInput();
    // Still clear the composition that the input method was showing.
    QInputMethodEvent cleared;
    QApplication::sendEvent(field_, &cleared);
    return true;
}

void PitchSpinEdit::refuseInput()
{
    QApplication::beep();
    emit inputRefused();
}

void PitchSpinEdit::clampOnFocusLoss()
{
    const int read = value();
    const int clamped = std::clamp(read, minimum_, maximum_);
    if (clamped != read)
        setValue(clamped);
}

void PitchSpinEdit::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void PitchSpinEdit::placeButtons()
{
    // The buttons sit inside the field's right end, one above the other, and the field's text
    // stops short of them.
    const int buttonWidth =
        std::max(12, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this));
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, field_);
    field_->setGeometry(rect());
    field_->setTextMargins(0, 0, buttonWidth, 0);
    const int innerHeight = std::max(2, height() - 2 * frame);
    const int left = width() - frame - buttonWidth;
    upButton_->setGeometry(left, frame, buttonWidth, innerHeight / 2);
    downButton_->setGeometry(left, frame + innerHeight / 2, buttonWidth,
                             innerHeight - innerHeight / 2);
    upButton_->raise();
    downButton_->raise();
}

} // namespace ui
