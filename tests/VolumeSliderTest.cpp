#include "ui/controls/VolumeSlider.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <string>

namespace {

using ui::VolumeSlider;

// The slider, with access to its style option to find where its thumb is drawn.
class ProbedSlider : public VolumeSlider
{
public:
    using VolumeSlider::VolumeSlider;

    QRect thumbAt(int position)
    {
        setValue(position);
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }

    void mouse(QEvent::Type type, QPoint at)
    {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(this, &event);
    }
};

// The slider at its designed size, focused in an active window, with a spy on its reports.
class SliderWindow
{
public:
    SliderWindow()
    {
        slider->setGeometry(200, 20, 36, 120);
        shown = window.show();
        slider->setFocus(Qt::MouseFocusReason);
    }

    ControlWindow window;
    ProbedSlider* slider = new ProbedSlider(window.widget());
    bool shown = false;
    QSignalSpy reports{slider, &VolumeSlider::changed};
};

struct KeyCase
{
    std::string name;
    int start;
    Qt::Key key; // Qt::Key_unknown turns the wheel a notch away from the user
    int expected;
};

class SliderKeys : public testing::TestWithParam<KeyCase>
{
};

TEST_P(SliderKeys, ReportOnceWithTheFinalPosition)
{
    const KeyCase& c = GetParam();
    SliderWindow w;
    ASSERT_TRUE(w.shown);
    w.slider->setValue(c.start);
    w.reports.clear();

    if (c.key == Qt::Key_unknown) {
        const QPointF centre(18, 60);
        QWheelEvent wheel(centre, w.slider->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.slider, &wheel);
    } else {
        QTest::keyClick(w.slider, c.key);
    }

    EXPECT_EQ(w.slider->value(), c.expected);
    ASSERT_EQ(w.reports.count(), 1);
    EXPECT_EQ(w.reports.at(0).at(0).toInt(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SliderKeys,
    testing::Values(KeyCase{"UpMovesTowardTheTop", 100, Qt::Key_Up, 99},
                    KeyCase{"DownMovesTowardTheBottom", 100, Qt::Key_Down, 101},
                    KeyCase{"PageUpMovesTwoTowardTheTop", 100, Qt::Key_PageUp, 98},
                    KeyCase{"PageDownMovesTwoTowardTheBottom", 100, Qt::Key_PageDown, 102},
                    KeyCase{"HomeGoesToTheTop", 100, Qt::Key_Home, 0},
                    KeyCase{"EndGoesToTheBottom", 100, Qt::Key_End, 65535},
                    KeyCase{"EndAtTheBottomStillReports", 65535, Qt::Key_End, 65535},
                    KeyCase{"UpAtTheTopStillReports", 0, Qt::Key_Up, 0},
                    // Qt turns a wheel notch into at most one page step.
                    KeyCase{"WheelMovesTowardTheTop", 100, Qt::Key_unknown, 98},
                    KeyCase{"WheelAtTheTopStillReports", 0, Qt::Key_unknown, 0}),
    CaseName<KeyCase>);

TEST(SliderProgram, ReportsOnlyAChangedPosition)
{
    VolumeSlider slider;
    slider.setValue(65535);
    QSignalSpy reports(&slider, &VolumeSlider::changed);

    slider.setValue(65535);
    slider.setValue(65335);

    ASSERT_EQ(reports.count(), 1);
    EXPECT_EQ(reports.at(0).at(0).toInt(), 65335);
}

TEST(SliderMouse, GrooveClickThumbClickAndDragStepsEachReportOnce)
{
    SliderWindow w;
    ASSERT_TRUE(w.shown);
    const QPoint aboveThumb(w.slider->thumbAt(65535).center().x(), 2);
    w.reports.clear();
    QTest::mouseClick(w.slider, Qt::LeftButton, {}, aboveThumb);
    EXPECT_LT(w.slider->value(), 65535);
    EXPECT_EQ(w.reports.count(), 1);

    // Letting go of the thumb reports even when it did not move.
    const QPoint thumb = w.slider->thumbAt(w.slider->value()).center();
    w.reports.clear();
    w.slider->mouse(QEvent::MouseButtonPress, thumb);
    EXPECT_EQ(w.reports.count(), 0);
    w.slider->mouse(QEvent::MouseButtonRelease, thumb);
    EXPECT_EQ(w.reports.count(), 1);

    w.reports.clear();
    const int before = w.slider->value();
    w.slider->mouse(QEvent::MouseButtonPress, thumb);
    w.slider->mouse(QEvent::MouseMove, thumb + QPoint(0, -10));
    w.slider->mouse(QEvent::MouseMove, thumb + QPoint(0, -20));
    EXPECT_EQ(w.reports.count(), 2);
    w.slider->mouse(QEvent::MouseButtonRelease, thumb + QPoint(0, -20));
    ASSERT_EQ(w.reports.count(), 3);
    EXPECT_LT(w.slider->value(), before);
    EXPECT_EQ(w.reports.last().at(0).toInt(), w.slider->value());
}

TEST(SliderMouse, GrooveClickHeldDownReportsEachRepeatedStep)
{
    SliderWindow w;
    ASSERT_TRUE(w.shown);
    const QPoint aboveThumb(w.slider->thumbAt(65535).center().x(), 2);
    w.reports.clear();

    w.slider->mouse(QEvent::MouseButtonPress, aboveThumb);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.reports.count() >= 3; }, 5000));
    w.slider->mouse(QEvent::MouseButtonRelease, aboveThumb);

    EXPECT_EQ(w.reports.count(), (65535 - w.slider->value()) / w.slider->pageStep());
    EXPECT_EQ(w.reports.last().at(0).toInt(), w.slider->value());
}

TEST(SliderLook, ZeroAtTheTopWithATwentyPixelThumb)
{
    SliderWindow w;
    ASSERT_TRUE(w.shown);
    const QRect top = w.slider->thumbAt(0);

    EXPECT_LT(top.center().y(), w.slider->thumbAt(65535).center().y());
    EXPECT_EQ(top.height(), VolumeSlider::kThumbLength);
    EXPECT_EQ(w.slider->accessibleName(), QStringLiteral("Volume"));
}

} // namespace
