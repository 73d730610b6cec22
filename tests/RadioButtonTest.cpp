#include "ui/controls/RadioButton.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <array>
#include <string>

namespace {

using ui::RadioButton;

// Three buttons of one set in an active window, the middle one checked. Each toggled(true)
// is recorded as "button:checked buttons at that moment ".
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
                    events += std::to_string(i) + ":" + checked() + " ";
            });
        }
        buttons[1]->setCheckedState(true);
        events.clear();
        shown = window.show();
    }

    std::string checked() const
    {
        std::string names;
        for (int i = 0; i < 3; ++i)
            names += buttons[i]->isChecked() ? std::to_string(i) : "";
        return names;
    }

    ControlWindow window;
    std::array<RadioButton*, 3> buttons{};
    std::string events;
    bool shown = false;
};

enum class Op { Check, Uncheck, UncheckThenCheck, Click };

struct RadioCase
{
    std::string name;
    Op op;
    int button;
    std::string checked;
    std::string events;
};

class RadioCheckedState : public testing::TestWithParam<RadioCase>
{
};

TEST_P(RadioCheckedState, ChangesThroughOneOperation)
{
    const RadioCase& c = GetParam();
    RadioSet set;
    ASSERT_TRUE(set.shown);
    RadioButton* button = set.buttons[c.button];

    switch (c.op) {
    case Op::Check:
        button->setCheckedState(true);
        break;
    case Op::Uncheck:
        button->setCheckedState(false);
        break;
    case Op::UncheckThenCheck:
        button->setCheckedState(false);
        button->setCheckedState(true);
        break;
    case Op::Click:
        // On the round indicator: Qt takes clicks only there and on the caption.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        break;
    }

    EXPECT_EQ(set.checked(), c.checked);
    EXPECT_EQ(set.events, c.events);
    EXPECT_TRUE(button->autoExclusive());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RadioCheckedState,
    testing::Values(RadioCase{"CheckingUnchecksTheOtherBeforeFiring", Op::Check, 0, "0", "0:0 "},
                    RadioCase{"CheckingTheCheckedFiresNothing", Op::Check, 1, "1", ""},
                    RadioCase{"UncheckingTheCheckedClearsTheSetSilently", Op::Uncheck, 1, "", ""},
                    RadioCase{"UncheckingAnUncheckedDoesNothing", Op::Uncheck, 2, "1", ""},
                    RadioCase{"CheckingAfterClearingFires", Op::UncheckThenCheck, 1, "1", "1:1 "},
                    RadioCase{"ClickOnAnUncheckedButtonFires", Op::Click, 2, "2", "2:2 "},
                    RadioCase{"ClickOnTheCheckedButtonFiresNothing", Op::Click, 1, "1", ""}),
    CaseName<RadioCase>);

TEST(RadioTabStop, OnlyTheCheckedButtonIsATabStop)
{
    RadioSet set;
    ASSERT_TRUE(set.shown);
    QWidget::setTabOrder(set.window.other(), set.buttons[0]);
    QWidget::setTabOrder(set.buttons[0], set.buttons[1]);
    QWidget::setTabOrder(set.buttons[1], set.buttons[2]);
    set.window.other()->setFocus(Qt::MouseFocusReason);

    QTest::keyClick(set.window.other(), Qt::Key_Tab);
    EXPECT_TRUE(set.buttons[1]->hasFocus());

    set.buttons[2]->setCheckedState(true);
    EXPECT_EQ(set.buttons[1]->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(set.buttons[2]->focusPolicy(), Qt::StrongFocus);
    set.buttons[2]->setCheckedState(false);
    EXPECT_EQ(set.buttons[2]->focusPolicy(), Qt::ClickFocus);
}

} // namespace
