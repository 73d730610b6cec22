#pragma once

#include <QRadioButton>

namespace ui {

// A radio button whose checked state is set through one operation: setting the present state
// does nothing, unchecking fires no toggled(true), checking unchecks the other buttons of the
// same parent first and then emits toggled(true). It is a tab stop only while checked.
class RadioButton : public QRadioButton
{
    Q_OBJECT

public:
    explicit RadioButton(QWidget* parent = nullptr);
    explicit RadioButton(const QString& text, QWidget* parent = nullptr);

    void setCheckedState(bool checked);

protected:
    void nextCheckState() override;

private:
    void followCheckedState(bool checked);
};

} // namespace ui
