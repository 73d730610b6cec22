#pragma once

#include <QRadioButton>

namespace ui {

// A radio button whose checked state is set through one operation: setting the present state
// does nothing, unchecking fires no toggled(true), checking unchecks the other buttons of the
// same parent first and then emits toggled(true). A click checks an unchecked button the same
// way and leaves a checked one alone, as Qt's radio buttons do. It is a tab stop only while
// checked.
class RadioButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit RadioButton(QWidget* parent = nullptr);
    explicit RadioButton(const QString& text, QWidget* parent = nullptr);

    void setCheckedState(bool checked);

private:
    void followCheckedState(bool checked);
};

} // namespace ui
