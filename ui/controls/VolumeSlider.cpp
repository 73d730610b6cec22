#include "VolumeSlider.h"

#include "tone/VolumeEncoding.h"

#include <QProxyStyle>

namespace ui {

namespace {

// Gives one slider a thumb of fixed length and leaves everything else to the base style.
class ThumbLengthStyle : public QProxyStyle
{
public:
    ThumbLengthStyle(const QWidget* slider, int length) : slider_(slider), length_(length) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        // Styles ask for the thumb's length with or without naming the widget; this style
        // serves only the one slider it was set on.
        if (metric == PM_SliderLength && (widget == nullptr || widget == slider_))
            return length_;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

private:
    const QWidget* slider_;
    int length_;
};

} // namespace

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Vertical, parent)
{
    auto* thumbStyle = new ThumbLengthStyle(this, kThumbLength);
    thumbStyle->setParent(this);
    setStyle(thumbStyle);

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
