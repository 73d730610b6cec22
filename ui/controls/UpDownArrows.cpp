#include "UpDownArrows.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

namespace ui {

namespace {

// A button whose arrow grows with it: styles draw tool-button arrows at a small fixed size,
// lost on a button 128 pixels wide.
class LargeArrowButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        option.arrowType = Qt::NoArrow;
        option.features &= ~QStyleOptionToolButton::Arrow;
        painter.drawComplexControl(QStyle::CC_ToolButton, option);

        // An isosceles triangle half as wide as the button's shorter side, pointing up or down,
        // shifted by a pixel while the button is down as the bevel suggests.
        const qreal base = std::min(width(), height()) / 2.0;
        const QPointF centre = QRectF(rect()).center() + (isDown() ? QPointF(1, 1) : QPointF());
        const qreal tip = arrowType() == Qt::UpArrow ? -base / 4 : base / 4;
        const QPolygonF triangle{centre + QPointF(0, tip), centre + QPointF(-base / 2, -tip),
                                 centre + QPointF(base / 2, -tip)};
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                         QPalette::ButtonText));
        painter.drawPolygon(triangle);
    }
};

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const QString& name)
{
    auto* button = new LargeArrowButton(parent);
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
