#include "ui/controls/VolumeSlider.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <functional>
#include <string>

namespace {

using ui::VolumeSlider;

// Exposes the slider's own style option, to find where its thumb is drawn.
class ProbedSlider : public VolumeSlider
{
public:
    using VolumeSlider::initStyleOption;
    using VolumeSlider::VolumeSlider;
};

// The slider at its designed size in an active window.
class SliderWindow
{
public:
    SliderWindow() { slider->setGeometry(200, 20, 36, 120); }

    bool focus()
    {
        if (!window.show())
            return false;
        slider->setFocus(Qt::MouseFocusReason);
        return slider->hasFocus();
    }

    QRect handleAt(int position) const
    {
        slider->setValue(position);
        QStyleOptionSlider option;
        slider->initStyleOption(&option);
        return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle,
                                               slider);
    }

    ControlWindow window;
    ProbedSlider* slider = new ProbedSlider(window.widget());
};

struct UserActionCase
{
    std::string name;
    int start;
    std::function<void(VolumeSlider*)> act;
    int expected;
};

class SliderUserAction : public testing::TestWithParam<UserActionCase>
{
};

TEST_P(SliderUserAction, ReportsOnceWithTheFinalPosition)
{
    const UserActionCase& c = GetParam();
    SliderWindow sw;
    ASSERT_TRUE(sw.focus());
    sw.slider->setValue(c.start);
    QSignalSpy changes(sw.slider, &VolumeSlider::changed);

    c.act(sw.slider);

    EXPECT_EQ(sw.slider->value(), c.expected);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), c.expected);
}

std::function<void(VolumeSlider*)> Key(Qt::Key key)
{
    return [key](VolumeSlider* s) { QTest::keyClick(s, key); };
}

void WheelAwayFromUser(VolumeSlider* s)
{
    const QPointF centre(s->width() / 2.0, s->height() / 2.0);
    QWheelEvent wheel(centre, s->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &wheel);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SliderUserAction,
    testing::Values(UserActionCase{"UpMovesTowardTheTop", 100, Key(Qt::Key_Up), 99},
                    UserActionCase{"DownMovesTowardTheBottom", 100, Key(Qt::Key_Down), 101},
                    UserActionCase{"PageUpMovesTwoTowardTheTop", 100, Key(Qt::Key_PageUp), 98},
                    UserActionCase{"PageDownMovesTwoTowardTheBottom", 100, Key(Qt::Key_PageDown),
                                   102},
                    UserActionCase{"HomeGoesToTheTop", 100, Key(Qt::Key_Home), 0},
                    UserActionCase{"EndGoesToTheBottom", 100, Key(Qt::Key_End), 65535},
                    UserActionCase{"EndAtTheBottomStillReports", 65535, Key(Qt::Key_End), 65535},
                    UserActionCase{"UpAtTheTopStillReports", 0, Key(Qt::Key_Up), 0}),
    CaseName<UserActionCase>);

INSTANTIATE_TEST_SUITE_P(
    Mouse, SliderUserAction,
    // Qt turns a wheel notch into at most one page step.
    testing::Values(UserActionCase{"WheelMovesTowardTheTop", 100, WheelAwayFromUser, 98},
                    UserActionCase{"WheelAtTheTopStillReports", 0, WheelAwayFromUser, 0}),
    CaseName<UserActionCase>);

TEST(SliderProgrammaticPosition, ReportsOnlyAChange)
{
    VolumeSlider slider;
    slider.setValue(65535);
    QSignalSpy changes(&slider, &VolumeSlider::changed);

    slider.setValue(65535);
    EXPECT_EQ(changes.count(), 0);

    slider.setValue(65335);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toInt(), 65335);
}

TEST(SliderMouse, GrooveClickThumbClickAndDragStepsEachReportOnce)
{
    SliderWindow sw;
    ASSERT_TRUE(sw.focus());
    const QRect bottom = sw.handleAt(65535);
    QSignalSpy changes(sw.slider, &VolumeSlider::changed);

    // A click on the groove above the thumb moves toward the top.
    QTest::mouseClick(sw.slider, Qt::LeftButton, {}, QPoint(bottom.center().x(), 2));
    EXPECT_LT(sw.slider->value(), 65535);
    EXPECT_EQ(changes.count(), 1);

    // Pressing and letting go of the thumb without moving it reports once, on release.
    const QRect thumb = sw.handleAt(sw.slider->value());
    changes.clear();
    QTest::mousePress(sw.slider, Qt::LeftButton, {}, thumb.center());
    EXPECT_EQ(changes.count(), 0);
    QTest::mouseRelease(sw.slider, Qt::LeftButton, {}, thumb.center());
    EXPECT_EQ(changes.count(), 1);

    // Dragging reports each move and the release.
    changes.clear();
    const int before = sw.slider->value();
    QTest::mousePress(sw.slider, Qt::LeftButton, {}, thumb.center());
    for (const int dy : {-10, -20}) {
        const QPointF to = thumb.center() + QPoint(0, dy);
        QMouseEvent move(QEvent::MouseMove, to, sw.slider->mapToGlobal(to), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(sw.slider, &move);
    }
    EXPECT_EQ(changes.count(), 2);
    QTest::mouseRelease(sw.slider, Qt::LeftButton, {}, thumb.center() + QPoint(0, -20));
    ASSERT_EQ(changes.count(), 3);
    EXPECT_LT(sw.slider->value(), before);
    EXPECT_EQ(changes.last().at(0).toInt(), sw.slider->value());
}

TEST(SliderMouse, GrooveClickHeldDownRepeatsWithOneReportPerStep)
{
    SliderWindow sw;
    ASSERT_TRUE(sw.focus());
    const QRect bottom = sw.handleAt(65535);
    QSignalSpy changes(sw.slider, &VolumeSlider::changed);

    QTest::mousePress(sw.slider, Qt::LeftButton, {}, QPoint(bottom.center().x(), 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() >= 3; }, 5000));
    QTest::mouseRelease(sw.slider, Qt::LeftButton, {}, QPoint(bottom.center().x(), 2));
    const int steps = (65535 - sw.slider->value()) / sw.slider->pageStep();

    EXPECT_EQ(changes.count(), steps);
    EXPECT_EQ(changes.last().at(0).toInt(), sw.slider->value());
}

TEST(SliderLook, ZeroAtTheTopWithATwentyPixelThumb)
{
    SliderWindow sw;
    ASSERT_TRUE(sw.window.show());
    const QRect top = sw.handleAt(0);
    const QRect bottom = sw.handleAt(65535);

    EXPECT_LT(top.center().y(), bottom.center().y());
    EXPECT_EQ(top.height(), VolumeSlider::kThumbLength);
    EXPECT_EQ(sw.slider->tickPosition(), QSlider::TicksRight);
    EXPECT_EQ(sw.slider->tickInterval(), 8192);
    EXPECT_EQ(sw.slider->accessibleName(), QStringLiteral("Volume"));
}

} // namespace
