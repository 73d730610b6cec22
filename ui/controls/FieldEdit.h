#pragma once

#include <QLineEdit>

namespace ui {

// A single-line edit that does not select its whole text when Tab brings the focus in and
// that can limit how many bytes the user may type or paste, counted as a Shift-JIS text
// counts them. Texts set by the program are never cut.
class FieldEdit : public QLineEdit
{
    Q_OBJECT
    // For a form file, where the edit is promoted from a plain line edit.
    Q_PROPERTY(int typedByteLimit READ typedByteLimit WRITE setTypedByteLimit)

public:
    explicit FieldEdit(QWidget* parent = nullptr);

    // 0 means no limit.
    void setTypedByteLimit(int bytes);
    int typedByteLimit() const { return typedByteLimit_; }

    // ASCII and half-width katakana (U+FF61 … U+FF9F) count 1 byte, any other character 2.
    static int byteLength(QStringView text);

signals:
    // The user's key or paste was refused (the beep has sounded).
    void inputRefused();

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class TypedByteLimitValidator;

    int typedByteLimit_ = 0;
    // Set while the edit handles a user's key, mouse, drop or input-method event, so that
    // only the user's edits are measured against the limit.
    int userEventDepth_ = 0;
    QString textBeforeEdit_;
};

} // namespace ui
