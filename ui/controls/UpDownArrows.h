#pragma once

#include <QWidget>

class QToolButton;

namespace ui {

// A vertical pair of large arrow buttons with no field beside them. They step a hidden
// position by 1 within −32365 … 32365, without wrapping, and report the direction of each
// step that really moved it. Holding an arrow down repeats the step.
class UpDownArrows : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMinimum = -32365;
    static constexpr int kMaximum = 32365;

    // Values of the clicked signal's direction.
    static constexpr int kNext = 0;
    static constexpr int kPrevious = 1;

    explicit UpDownArrows(QWidget* parent = nullptr);

    int position() const { return position_; }
    // Moves the position (clamped) without reporting a click.
    void setPosition(int position);

    QToolButton* upButton() const { return upButton_; }
    QToolButton* downButton() const { return downButton_; }

signals:
    // kNext (0) when the position grew, kPrevious (1) when it shrank.
    void clicked(int direction);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void step(int delta);

    QToolButton* upButton_;
    QToolButton* downButton_;
    int position_ = 0;
};

} // namespace ui
