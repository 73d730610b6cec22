#include "RadioButton.h"

namespace ui {

RadioButton::RadioButton(QWidget* parent) : RadioButton(QString(), parent)
{
}

RadioButton::RadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent)
{
    // Connected first, so the focus policy has followed the state before any handler runs.
    connect(this, &QAbstractButton::toggled, this, &RadioButton::followCheckedState);
    followCheckedState(isChecked());
}

void RadioButton::setCheckedState(bool checked)
{
    if (checked == isChecked())
        return;
    if (checked || !autoExclusive()) {
        // Checking first unchecks the checked sibling, then emits toggled(true).
        setChecked(checked);
        return;
    }
    // Qt keeps the checked button of an auto-exclusive set checked; let go of the set for a
    // moment so that the button can be cleared.
    setAutoExclusive(false);
    setChecked(false);
    setAutoExclusive(true);
}

void RadioButton::followCheckedState(bool checked)
{
    // Only the checked button of a set is a tab stop; a click still gives any of them focus.
    setFocusPolicy(checked ? Qt::StrongFocus : Qt::ClickFocus);
}

} // namespace ui
