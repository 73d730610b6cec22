#include "UserComboBox.h"

#include <QLineEdit>

namespace ui {

UserComboBox::UserComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(kVisibleRows);
    // The text field keeps the arrow pointer, as the rest of the box does.
    setCursor(Qt::ArrowCursor);
    lineEdit()->setCursor(Qt::ArrowCursor);

    // activated comes after the box has taken the picked entry's text.
    connect(this, &QComboBox::activated, this, &UserComboBox::userChanged);
    connect(lineEdit(), &QLineEdit::textEdited, this, &UserComboBox::userChanged);
}

} // namespace ui
