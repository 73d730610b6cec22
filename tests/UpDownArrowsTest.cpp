#include "ui/controls/UpDownArrows.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QSignalSpy>
#include <QToolButton>

#include <string>

namespace {

using ui::UpDownArrows;

// The stepper at its designed size in an active window whose line edit has the focus.
class Stepper
{
public:
    Stepper()
    {
        arrows->setGeometry(0, 0, 128, 81);
        shown = window.show();
        window.other()->setFocus(Qt::MouseFocusReason);
    }

    // The directions reported so far, as digits.
    std::string directions() const
    {
        std::string digits;
        for (const QList<QVariant>& args : clicks)
            digits += std::to_string(args.at(0).toInt());
        return digits;
    }

    ControlWindow window;
    UpDownArrows* arrows = new UpDownArrows(window.widget());
    bool shown = false;
    QSignalSpy clicks{arrows, &UpDownArrows::clicked};
};

struct ArrowCase
{
    std::string name;
    int start;
    bool upper;
    int expectedPosition;
    std::string expectedDirections;
};

class ArrowPress : public testing::TestWithParam<ArrowCase>
{
};

TEST_P(ArrowPress, StepsTheHiddenPositionAndReportsOnlyRealSteps)
{
    const ArrowCase& c = GetParam();
    Stepper s;
    ASSERT_TRUE(s.shown);
    s.arrows->setPosition(c.start);

    QTest::mouseClick(c.upper ? s.arrows->upButton() : s.arrows->downButton(), Qt::LeftButton);

    EXPECT_EQ(s.arrows->position(), c.expectedPosition);
    EXPECT_EQ(s.directions(), c.expectedDirections);
    EXPECT_TRUE(s.window.other()->hasFocus());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ArrowPress,
    testing::Values(ArrowCase{"UpperArrowGivesNext", 0, true, 1, "0"},
                    ArrowCase{"LowerArrowGivesPrevious", 0, false, -1, "1"},
                    ArrowCase{"UpperArrowReachesTheMaximum", 32364, true, 32365, "0"},
                    ArrowCase{"UpperArrowAtTheMaximumFiresNothing", 32365, true, 32365, ""},
                    ArrowCase{"LowerArrowAtTheMaximumStillSteps", 32365, false, 32364, "1"},
                    ArrowCase{"LowerArrowAtTheMinimumFiresNothing", -32365, false, -32365, ""},
                    ArrowCase{"UpperArrowAtTheMinimumStillSteps", -32365, true, -32364, "0"}),
    CaseName<ArrowCase>);

TEST(ArrowHold, RepeatsOneStepAtATimeWhileHeld)
{
    Stepper s;
    ASSERT_TRUE(s.shown);

    QTest::mousePress(s.arrows->downButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.clicks.count() >= 3; }, 5000));
    QTest::mouseRelease(s.arrows->downButton(), Qt::LeftButton);
    const int held = static_cast<int>(s.clicks.count());
    QTest::qWait(250);

    EXPECT_EQ(s.directions(), std::string(held, '1'));
    EXPECT_EQ(s.arrows->position(), -held);
    // Not a tab stop: Tab comes back to the only other control.
    QTest::keyClick(s.window.other(), Qt::Key_Tab);
    EXPECT_TRUE(s.window.other()->hasFocus());
    EXPECT_EQ(s.arrows->upButton()->accessibleName(), QStringLiteral("Next note"));
    EXPECT_EQ(s.arrows->downButton()->accessibleName(), QStringLiteral("Previous note"));
}

} // namespace
