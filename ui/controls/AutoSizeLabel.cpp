#include "AutoSizeLabel.h"

namespace ui {

AutoSizeLabel::AutoSizeLabel(QWidget* parent) : QLabel(parent)
{
}

AutoSizeLabel::AutoSizeLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
}

void AutoSizeLabel::setText(const QString& text)
{
    if (text == QLabel::text())
        return;
    QLabel::setText(text);
    refit();
}

void AutoSizeLabel::refit()
{
    // resize keeps the top-left corner where it is.
    resize(sizeHint());
}

} // namespace ui
