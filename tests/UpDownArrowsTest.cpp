#include "ui/controls/UpDownArrows.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QSignalSpy>
#include <QToolButton>

#include <string>
#include <vector>

namespace {

using ui::UpDownArrows;

struct ArrowCase
{
    std::string name;
    int start;
    bool upper;
    int expectedPosition;
    std::vector<int> expectedDirections;
};

class ArrowPress : public testing::TestWithParam<ArrowCase>
{
};

TEST_P(ArrowPress, StepsTheHiddenPositionAndReportsOnlyRealSteps)
{
    const ArrowCase& c = GetParam();
    ControlWindow window;
    auto* arrows = new UpDownArrows(window.widget());
    arrows->setGeometry(0, 0, 128, 81);
    ASSERT_TRUE(window.show());
    arrows->setPosition(c.start);
    QSignalSpy clicks(arrows, &UpDownArrows::clicked);

    QTest::mouseClick(c.upper ? arrows->upButton() : arrows->downButton(), Qt::LeftButton);

    EXPECT_EQ(arrows->position(), c.expectedPosition);
    std::vector<int> directions;
    for (const QList<QVariant>& args : clicks)
        directions.push_back(args.at(0).toInt());
    EXPECT_EQ(directions, c.expectedDirections);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ArrowPress,
    testing::Values(ArrowCase{"UpperArrowGivesNext", 0, true, 1, {UpDownArrows::kNext}},
                    ArrowCase{"LowerArrowGivesPrevious", 0, false, -1, {UpDownArrows::kPrevious}},
                    ArrowCase{"UpperArrowReachesTheMaximum", 32364, true, 32365, {0}},
                    ArrowCase{"UpperArrowAtTheMaximumFiresNothing", 32365, true, 32365, {}},
                    ArrowCase{"LowerArrowAtTheMaximumStillSteps", 32365, false, 32364, {1}},
                    ArrowCase{"LowerArrowAtTheMinimumFiresNothing", -32365, false, -32365, {}},
                    ArrowCase{"UpperArrowAtTheMinimumStillSteps", -32365, true, -32364, {0}}),
    CaseName<ArrowCase>);

TEST(ArrowPosition, StartsAtZeroAndClampsToItsBounds)
{
    UpDownArrows arrows;
    EXPECT_EQ(arrows.position(), 0);
    arrows.setPosition(40000);
    EXPECT_EQ(arrows.position(), 32365);
    arrows.setPosition(-40000);
    EXPECT_EQ(arrows.position(), -32365);
}

TEST(ArrowHold, RepeatsOneStepAtATimeWhileHeld)
{
    ControlWindow window;
    auto* arrows = new UpDownArrows(window.widget());
    arrows->setGeometry(0, 0, 128, 81);
    ASSERT_TRUE(window.show());
    QSignalSpy clicks(arrows, &UpDownArrows::clicked);

    QTest::mousePress(arrows->downButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clicks.count() >= 3; }, 5000));
    QTest::mouseRelease(arrows->downButton(), Qt::LeftButton);
    const int held = static_cast<int>(clicks.count());
    QTest::qWait(250);

    EXPECT_EQ(clicks.count(), held);
    EXPECT_EQ(arrows->position(), -held);
    for (const QList<QVariant>& args : clicks)
        EXPECT_EQ(args.at(0).toInt(), UpDownArrows::kPrevious);
}

TEST(ArrowFocus, NeitherTheWidgetNorItsArrowsTakeFocus)
{
    ControlWindow window;
    auto* arrows = new UpDownArrows(window.widget());
    arrows->setGeometry(0, 0, 128, 81);
    ASSERT_TRUE(window.show());
    window.other()->setFocus(Qt::MouseFocusReason);

    QTest::mouseClick(arrows->upButton(), Qt::LeftButton);

    EXPECT_TRUE(window.other()->hasFocus());
    EXPECT_EQ(arrows->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(arrows->upButton()->accessibleName(), QStringLiteral("Next note"));
    EXPECT_EQ(arrows->downButton()->accessibleName(), QStringLiteral("Previous note"));
}

} // namespace
