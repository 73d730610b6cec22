#include "FieldEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QValidator>

namespace ui {

// Refuses a user's edit that would make the text longer than the typed byte limit. The line
// edit undoes a refused edit before anything is emitted and then emits inputRejected. Texts
// set by the program always pass, so that the edit's input counts as valid afterwards.
class TypedByteLimitValidator : public QValidator
{
public:
    explicit TypedByteLimitValidator(FieldEdit* edit) : QValidator(edit), edit_(edit) {}

    State validate(QString& input, int& /*position*/) const override
    {
        const int limit = edit_->typedByteLimit_;
        if (limit <= 0 || edit_->userEventDepth_ == 0)
            return Acceptable;
        const int bytes = FieldEdit::byteLength(input);
        // Deleting from a longer text that the program set stays possible.
        if (bytes > limit && bytes > FieldEdit::byteLength(edit_->textBeforeEdit_))
            return Invalid;
        return Acceptable;
    }

private:
    FieldEdit* edit_;
};

namespace {

bool IsUserInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Drop:
    case QEvent::ContextMenu: // its menu runs modally inside this event, paste included
        return true;
    default:
        return false;
    }
}

} // namespace

FieldEdit::FieldEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { textBeforeEdit_ = text; });
    connect(this, &QLineEdit::inputRejected, this, [this] {
        QApplication::beep();
        emit inputRefused();
    });
}

void FieldEdit::setTypedByteLimit(int bytes)
{
    typedByteLimit_ = bytes > 0 ? bytes : 0;
    if (typedByteLimit_ > 0 && validator() == nullptr)
        setValidator(new TypedByteLimitValidator(this));
}

int FieldEdit::byteLength(QStringView text)
{
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isLowSurrogate(c) && i > 0 && QChar::isHighSurrogate(text[i - 1].unicode()))
            continue; // the pair was counted at its high half
        const bool singleByte = c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
        bytes += singleByte ? 1 : 2;
    }
    return bytes;
}

bool FieldEdit::event(QEvent* event)
{
    if (!IsUserInputEvent(event->type()))
        return QLineEdit::event(event);
    textBeforeEdit_ = text();
    ++userEventDepth_;
    const bool handled = QLineEdit::event(event);
    --userEventDepth_;
    return handled;
}

void FieldEdit::focusInEvent(QFocusEvent* event)
{
    // Qt selects the whole text when Tab, Backtab or a shortcut brings the focus in; this
    // field keeps its caret and selection as they were instead.
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason: {
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QLineEdit::focusInEvent(&plain);
        return;
    }
    default:
        QLineEdit::focusInEvent(event);
    }
}

} // namespace ui
