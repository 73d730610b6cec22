#include "VolumeSlider.h"

#include "ReadableColour.h"

#include "tone/VolumeEncoding.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace ui {

namespace {

// Gives one slider a thumb of fixed length and tick marks that read on a dark face, and leaves
// everything else to the base style.
class SliderStyle : public QProxyStyle
{
public:
    SliderStyle(const QWidget* slider, int length) : slider_(slider), length_(length) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        // Styles ask for the thumb's length with or without naming the widget; this style
        // serves only the one slider it was set on.
        if (metric == PM_SliderLength && (widget == nullptr || widget == slider_))
            return length_;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override
    {
        const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_Slider || !slider || !(slider->subControls & SC_SliderTickmarks)) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        // Qt's own style draws the marks a shade darker than the face, which on a dark face
        // hardly shows; there they are drawn here, in that shade lightened until it reads.
        const QColor face = slider->palette.color(QPalette::Window);
        const QColor designed = face.darker(140);
        const QColor readable = ReadableOn(designed, face);
        if (readable == designed) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionSlider withoutMarks(*slider);
        withoutMarks.subControls &= ~SC_SliderTickmarks;
        QProxyStyle::drawComplexControl(control, &withoutMarks, painter, widget);
        drawTickMarks(*slider, *painter, widget, readable);
    }

private:
    // The marks of a vertical slider, on its right-hand side, where Qt's own style puts them:
    // one every tick interval from the minimum, and one at the maximum.
    void drawTickMarks(const QStyleOptionSlider& slider, QPainter& painter, const QWidget* widget,
                       const QColor& colour) const
    {
        const int thumb = pixelMetric(PM_SliderLength, &slider, widget);
        const int markLength = pixelMetric(PM_SliderTickmarkOffset, &slider, widget);
        const int span = slider.rect.height() - thumb;
        const qint64 interval = std::max(slider.tickInterval, 1);
        const int right = slider.rect.right();
        painter.save();
        painter.setPen(colour);
        for (qint64 value = slider.minimum; value <= qint64(slider.maximum) + 1;
             value += interval) {
            const int shown = int(std::min<qint64>(value, slider.maximum));
            const int y = slider.rect.top() + thumb / 2 +
                          sliderPositionFromValue(slider.minimum, slider.maximum, shown, span,
                                                  slider.upsideDown);
            // The marks at the ends reach one pixel further.
            const int inset = shown == slider.minimum || shown == slider.maximum ? 1 : 2;
            painter.drawLine(right - inset, y, right - markLength, y);
        }
        painter.restore();
    }

    const QWidget* slider_;
    int length_;
};

} // namespace

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent)
{
    auto* sliderStyle = new SliderStyle(this, kThumbLength);
    sliderStyle->setParent(this);
    setStyle(sliderStyle);

    setRange(tone::kLoudestPosition, tone::kSilentPosition);
    // The window opens silent, with the thumb at the bottom.
    setValue(tone::kSilentPosition);
    // 0, the loudest setting, sits at the top, and the Up key, Page Up and the wheel turned
    // away from the user move toward it.
    setInvertedAppearance(true);
    setInvertedControls(true);
    setTickPosition(QSlider::TicksRight);
    setTickInterval(8192);
    setSingleStep(1);
    setPageStep(2);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Volume"));

    connect(this, &QAbstractSlider::actionTriggered, this, &VolumeSlider::noteAction);
    connect(this, &QAbstractSlider::sliderReleased, this, &VolumeSlider::noteRelease);
    connect(this, &QAbstractSlider::valueChanged, this, &VolumeSlider::noteValueChanged);
}

bool VolumeSlider::event(QEvent* event)
{
    // Every user action reaches the slider as an event: a key, a mouse press, move or release,
    // a wheel turn, or the timer that repeats a held click on the groove. QAbstractSlider
    // announces the action before it moves the value, so the report waits until the event
    // has been handled and then carries the final position.
    // A position that a handler sets while the slider handles an event is reported the same
    // way, so that one event gives at most one report.
    const bool outermost = eventDepth_ == 0;
    if (outermost)
        reportPending_ = false;
    ++eventDepth_;
    const bool handled = QSlider::event(event);
    --eventDepth_;
    if (outermost && reportPending_) {
        reportPending_ = false;
        emit changed(value());
    }
    return handled;
}

void VolumeSlider::noteAction()
{
    if (eventDepth_ > 0)
        reportPending_ = true;
}

void VolumeSlider::noteRelease()
{
    // Letting go of the thumb ends a drag; it counts as an action even when the thumb was not
    // moved.
    if (eventDepth_ > 0)
        reportPending_ = true;
}

void VolumeSlider::noteValueChanged(int position)
{
    if (eventDepth_ > 0)
        reportPending_ = true;
    else
        emit changed(position);
}

} // namespace ui
