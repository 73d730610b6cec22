#include "UpDownArrows.h"

#include <QToolButton>

#include <algorithm>

namespace ui {

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAccessibleName(name);
    button->setFocusPolicy(Qt::NoFocus);
    // Qt's default delay and interval for held buttons.
    button->setAutoRepeat(true);
    return button;
}

} // namespace

UpDownArrows::UpDownArrows(QWidget* parent)
    : QWidget(parent), upButton_(MakeArrow(this, Qt::UpArrow, tr("Next note"))),
      downButton_(MakeArrow(this, Qt::DownArrow, tr("Previous note")))
{
    setFocusPolicy(Qt::NoFocus);
    // A held arrow emits pressed again at each repeat.
    connect(upButton_, &QToolButton::pressed, this, [this] { step(1); });
    connect(downButton_, &QToolButton::pressed, this, [this] { step(-1); });
}

void UpDownArrows::setPosition(int position)
{
    position_ = std::clamp(position, kMinimum, kMaximum);
}

void UpDownArrows::step(int delta)
{
    const int stepped = std::clamp(position_ + delta, kMinimum, kMaximum);
    if (stepped == position_)
        return;
    position_ = stepped;
    emit clicked(delta > 0 ? kNext : kPrevious);
}

void UpDownArrows::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int upperHeight = height() / 2;
    upButton_->setGeometry(0, 0, width(), upperHeight);
    downButton_->setGeometry(0, upperHeight, width(), height() - upperHeight);
}

} // namespace ui
