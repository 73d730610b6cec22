#pragma once

#include <QWidget>

class QInputMethodEvent;
class QKeyEvent;
class QLineEdit;
class QToolButton;

namespace ui {

class FieldEdit;

// The reference-pitch field: a text field with a small up/down button pair at its right end.
// Unlike QSpinBox it keeps whatever the user typed ("500", or nothing at all) until the focus
// leaves it; only then is an out-of-range value clamped. Its value is always read from the
// text, as the tone engine reads the reference pitch (tone::ReadReferencePitch).
class PitchSpinEdit : public QWidget
{
    Q_OBJECT
    // For a form file, where the field is promoted from a plain widget.
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)

public:
    explicit PitchSpinEdit(QWidget* parent = nullptr);

    QLineEdit* lineEdit() const;
    QToolButton* upButton() const { return upButton_; }
    QToolButton* downButton() const { return downButton_; }

    void setRange(int min, int max);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    QString text() const;
    // Does nothing when the text is the present one; otherwise textChanged is emitted before
    // this returns.
    void setText(const QString& text);

    // The whole number the text holds, not clamped; a text that holds none reads as the lowest
    // reference pitch (tone::kPitchWhenNotANumber).
    int value() const;
    // Writes the value clamped to the range as decimal text (through setText).
    void setValue(int value);
    // Sets the value to the read value plus steps, clamped.
    void stepBy(int steps);

signals:
    // Once for every real change of the text, by the user or the program.
    void textChanged(const QString& text);
    // A typed character was refused (the beep has sounded).
    void inputRefused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool filterKeyPress(QKeyEvent* event);
    bool filterInputMethod(QInputMethodEvent* event);
    void refuseInput();
    void clampOnFocusLoss();
    void placeButtons();

    FieldEdit* field_;
    QToolButton* upButton_;
    QToolButton* downButton_;
    // The reference pitch's range in hertz, unless set otherwise.
    int minimum_;
    int maximum_;
};

} // namespace ui
