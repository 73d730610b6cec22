#pragma once

#include <QWidget>

// A plain panel framed by two one-pixel bevels: the outer one lowered, the inner one raised,
// so that the panel looks set into its window with a raised face. It paints in its window's
// background colour and has no caption.
class BevelPanel : public QWidget
{
public:
    explicit BevelPanel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
