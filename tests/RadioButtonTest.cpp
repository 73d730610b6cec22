#include "ui/controls/RadioButton.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <array>
#include <functional>
#include <string>

namespace {

using ui::RadioButton;

// Three buttons of one set, the middle one checked; records each toggled(true) together with
// which buttons were checked at that moment.
class RadioSet
{
public:
    RadioSet()
    {
        for (int i = 0; i < 3; ++i) {
            buttons[i] = new RadioButton(QString::number(i), window.widget());
            buttons[i]->setGeometry(10, 10 + 20 * i, 80, 17);
            QObject::connect(buttons[i], &QAbstractButton::toggled, [this, i](bool on) {
                if (on)
                    events += std::to_string(i) + ":" + checkedNames() + " ";
            });
        }
        buttons[1]->setCheckedState(true);
        events.clear();
    }

    std::string checkedNames() const
    {
        std::string names;
        for (int i = 0; i < 3; ++i)
            names += buttons[i]->isChecked() ? std::to_string(i) : "";
        return names;
    }

    ControlWindow window;
    std::array<RadioButton*, 3> buttons{};
    std::string events;
};

// Clicks the button's round indicator: Qt's radio buttons take clicks only on the
// indicator and the caption, not on the rest of their box.
void Click(RadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct RadioCase
{
    std::string name;
    std::function<void(RadioSet&)> act;
    std::string checked;
    std::string events;
};

class RadioCheckedState : public testing::TestWithParam<RadioCase>
{
};

TEST_P(RadioCheckedState, ChecksThroughOneOperation)
{
    const RadioCase& c = GetParam();
    RadioSet set;
    ASSERT_TRUE(set.window.show());

    c.act(set);

    EXPECT_EQ(set.checkedNames(), c.checked);
    EXPECT_EQ(set.events, c.events);
    for (RadioButton* b : set.buttons)
        EXPECT_TRUE(b->autoExclusive());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RadioCheckedState,
    testing::Values(RadioCase{"CheckingUnchecksTheOtherBeforeFiring",
                              [](RadioSet& s) { s.buttons[0]->setCheckedState(true); }, "0",
                              "0:0 "},
                    RadioCase{"CheckingTheCheckedFiresNothing",
                              [](RadioSet& s) { s.buttons[1]->setCheckedState(true); }, "1", ""},
                    RadioCase{"UncheckingTheCheckedClearsTheSetSilently",
                              [](RadioSet& s) { s.buttons[1]->setCheckedState(false); }, "", ""},
                    RadioCase{"UncheckingAnUncheckedDoesNothing",
                              [](RadioSet& s) { s.buttons[2]->setCheckedState(false); }, "1", ""},
                    RadioCase{"CheckingAfterClearingFires",
                              [](RadioSet& s) {
                                  s.buttons[1]->setCheckedState(false);
                                  s.buttons[1]->setCheckedState(true);
                              },
                              "1", "1:1 "},
                    RadioCase{"ClickOnAnUncheckedButtonFires",
                              [](RadioSet& s) { Click(s.buttons[2]); }, "2", "2:2 "},
                    RadioCase{"ClickOnTheCheckedButtonFiresNothing",
                              [](RadioSet& s) { Click(s.buttons[1]); }, "1", ""}),
    CaseName<RadioCase>);

TEST(RadioTabStop, OnlyTheCheckedButtonIsATabStop)
{
    RadioSet set;
    QWidget::setTabOrder(set.window.other(), set.buttons[0]);
    QWidget::setTabOrder(set.buttons[0], set.buttons[1]);
    QWidget::setTabOrder(set.buttons[1], set.buttons[2]);
    ASSERT_TRUE(set.window.show());
    set.window.other()->setFocus(Qt::MouseFocusReason);

    QTest::keyClick(set.window.other(), Qt::Key_Tab);
    EXPECT_TRUE(set.buttons[1]->hasFocus());

    set.buttons[2]->setCheckedState(true);
    EXPECT_EQ(set.buttons[1]->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(set.buttons[2]->focusPolicy(), Qt::StrongFocus);
    set.buttons[2]->setCheckedState(false);
    for (RadioButton* b : set.buttons)
        EXPECT_EQ(b->focusPolicy(), Qt::ClickFocus);
}

} // namespace
