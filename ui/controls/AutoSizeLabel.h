#pragma once

#include <QLabel>

namespace ui {

// A label whose box follows its caption: a new text refits its width and height to the text
// at the label's font, keeping the top-left corner. The same text again changes nothing.
class AutoSizeLabel : public QLabel
{
    Q_OBJECT

public:
    explicit AutoSizeLabel(QWidget* parent = nullptr);
    explicit AutoSizeLabel(const QString& text, QWidget* parent = nullptr);

    // Hides QLabel::setText, which is not virtual: call it through this class.
    void setText(const QString& text);
    // Fits the box to the present text and font.
    void refit();
};

} // namespace ui
