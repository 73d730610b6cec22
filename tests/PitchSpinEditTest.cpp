#include "ui/controls/PitchSpinEdit.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QToolButton>

#include <string>

namespace {

using ui::PitchSpinEdit;

// The window's pitch field, focused in an active window, with its caret at the end of the
// start text and a spy on its changes.
class PitchField
{
public:
    explicit PitchField(const char* start)
    {
        pitch->setGeometry(10, 10, 86, 37);
        pitch->setRange(300, 450);
        pitch->setText(QString::fromUtf8(start));
        shown = window.show();
        pitch->lineEdit()->setFocus(Qt::MouseFocusReason);
        pitch->lineEdit()->end(false);
        changes.clear();
    }

    ControlWindow window;
    PitchSpinEdit* pitch = new PitchSpinEdit(window.widget());
    bool shown = false;
    QSignalSpy changes{pitch, &PitchSpinEdit::textChanged};
    QSignalSpy refusals{pitch, &PitchSpinEdit::inputRefused};
};

enum class Input { Keys, Paste, InputMethod, UpKey, DownKey, UpButton, DownButton, FocusLoss };

struct PitchCase
{
    std::string name;
    const char* start;
    Input input;
    const char* typed; // keys (see TypeText), pasted or composed text; then the action
    const char* expected;
    int changes;
    int refusals = 0;
};

class PitchInput : public testing::TestWithParam<PitchCase>
{
};

TEST_P(PitchInput, KeepsWhatIsTypedAndStepsOrClampsFromTheReadValue)
{
    const PitchCase& c = GetParam();
    PitchField f(c.start);
    ASSERT_TRUE(f.shown);
    QLineEdit* edit = f.pitch->lineEdit();
    if (c.input == Input::Paste)
        SetClipboard(c.typed);
    if (c.input == Input::InputMethod) {
        QInputMethodEvent composed;
        composed.setCommitString(QString::fromUtf8(c.typed));
        QApplication::sendEvent(edit, &composed);
    } else {
        TypeText(edit, QString::fromUtf8(c.input == Input::Paste ? "\x16" : c.typed));
    }

    switch (c.input) {
    case Input::UpKey:
        QTest::keyClick(edit, Qt::Key_Up);
        break;
    case Input::DownKey:
        QTest::keyClick(edit, Qt::Key_Down);
        break;
    case Input::UpButton:
        QTest::mouseClick(f.pitch->upButton(), Qt::LeftButton);
        break;
    case Input::DownButton:
        QTest::mouseClick(f.pitch->downButton(), Qt::LeftButton);
        break;
    case Input::FocusLoss:
        f.changes.clear();
        QTest::keyClick(edit, Qt::Key_Tab);
        ASSERT_FALSE(edit->hasFocus());
        break;
    default:
        break;
    }

    EXPECT_EQ(f.pitch->text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(f.changes.count(), c.changes);
    EXPECT_EQ(f.refusals.count(), c.refusals);
}

INSTANTIATE_TEST_SUITE_P(
    Typing, PitchInput,
    testing::Values(PitchCase{"OutOfRangeNumberStaysAsTyped", "", Input::Keys, "500", "500", 3},
                    PitchCase{"LetterIsDropped", "440", Input::Keys, "a", "440", 0, 1},
                    PitchCase{"SpaceIsDropped", "440", Input::Keys, " ", "440", 0, 1},
                    PitchCase{"FullWidthDigitIsDropped", "440", Input::Keys, "４", "440", 0, 1},
                    PitchCase{"EnterIsDropped", "440", Input::Keys, "\r", "440", 0, 1},
                    PitchCase{"SignsAndDecimalPointPass", "4", Input::Keys, "+-.", "4+-.", 3},
                    PitchCase{"BackspaceDeletes", "440", Input::Keys, "\b\b\b", "", 3},
                    PitchCase{"PasteIsNotFiltered", "4", Input::Paste, "x0", "4x0", 1},
                    PitchCase{"CutIsAllowed", "440", Input::Keys, "\b\x18", "44", 1},
                    PitchCase{"ComposedDigitsPass", "4", Input::InputMethod, "40", "440", 1},
                    PitchCase{"ComposedFullWidthDigitsAreDropped", "4", Input::InputMethod, "４",
                              "4", 0, 1}),
    CaseName<PitchCase>);

INSTANTIATE_TEST_SUITE_P(
    Stepping, PitchInput,
    testing::Values(
        PitchCase{"UpKeyRaisesByOne", "440", Input::UpKey, "", "441", 1},
        PitchCase{"DownKeyLowersByOne", "440", Input::DownKey, "", "439", 1},
        PitchCase{"UpKeyAtTheMaximumChangesNothing", "450", Input::UpKey, "", "450", 0},
        PitchCase{"UpButtonAtTheMaximumChangesNothing", "450", Input::UpButton, "", "450", 0},
        PitchCase{"DownButtonAtTheMinimumChangesNothing", "300", Input::DownButton, "", "300", 0},
        PitchCase{"UpButtonClampsATypedValueAbove", "500", Input::UpButton, "", "450", 1},
        PitchCase{"DownButtonOnEmptyTextWritesTheMinimum", "", Input::DownButton, "", "300", 1},
        PitchCase{"LargestIntegerStepsWithoutOverflow", "2147483647", Input::UpKey, "", "450", 1},
        PitchCase{"SmallestIntegerStepsWithoutOverflow", "-2147483648", Input::DownKey, "", "300",
                  1},
        PitchCase{"HexadecimalTextStepsFromItsValue", "$1B8", Input::UpKey, "", "441", 1}),
    CaseName<PitchCase>);

INSTANTIATE_TEST_SUITE_P(
    FocusLoss, PitchInput,
    testing::Values(
        PitchCase{"AboveTheRangeBecomesTheMaximum", "", Input::FocusLoss, "500", "450", 1},
        PitchCase{"BelowTheRangeBecomesTheMinimum", "", Input::FocusLoss, "299", "300", 1},
        PitchCase{"NegativeBecomesTheMinimum", "", Input::FocusLoss, "-5", "300", 1},
        PitchCase{"InRangeStaysAsTyped", "", Input::FocusLoss, "+441", "+441", 0},
        PitchCase{"EmptyStaysEmpty", "4", Input::FocusLoss, "\b", "", 0},
        PitchCase{"DecimalTextStays", "", Input::FocusLoss, "440.", "440.", 0}),
    CaseName<PitchCase>);

TEST(PitchProgram, ChangesFireOnceInsideTheCallAndTheSameTextChangesNothing)
{
    PitchField f("440");
    f.pitch->lineEdit()->setCursorPosition(1);
    f.pitch->setText(QStringLiteral("440"));
    f.pitch->setValue(440);
    EXPECT_EQ(f.changes.count(), 0);
    EXPECT_EQ(f.pitch->lineEdit()->cursorPosition(), 1);

    f.pitch->setValue(500);
    ASSERT_EQ(f.changes.count(), 1);
    EXPECT_EQ(f.changes.at(0).at(0).toString(), QStringLiteral("450"));

    f.pitch->setText(QStringLiteral("45"));
    EXPECT_EQ(f.pitch->value(), 45);
    f.pitch->setText(QStringLiteral("abc"));
    EXPECT_EQ(f.pitch->value(), 300);
    EXPECT_EQ(f.changes.count(), 3);
}

TEST(PitchButtons, PressFocusesTheFieldAndHoldingRepeatsAfterADelay)
{
    PitchField f("300");
    ASSERT_TRUE(f.shown);
    f.window.other()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(f.pitch->upButton()->autoRepeatInterval(), 100);

    QTest::mousePress(f.pitch->upButton(), Qt::LeftButton);
    EXPECT_TRUE(f.pitch->lineEdit()->hasFocus());
    EXPECT_EQ(f.changes.count(), 1);
    // The first repeat comes after 400 ms; Qt's coarse timers may be up to 5 % early.
    QTest::qWait(370);
    EXPECT_EQ(f.changes.count(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.changes.count() >= 3; }, 5000));
    QTest::mouseRelease(f.pitch->upButton(), Qt::LeftButton);
    const int held = static_cast<int>(f.changes.count());
    QTest::qWait(250);

    EXPECT_EQ(f.changes.count(), held);
    EXPECT_EQ(f.pitch->value(), 300 + held);
    EXPECT_EQ(f.pitch->upButton()->accessibleName(), QStringLiteral("Raise pitch"));
    EXPECT_EQ(f.pitch->downButton()->accessibleName(), QStringLiteral("Lower pitch"));
}

TEST(PitchFocus, TabIntoTheFieldSelectsNothing)
{
    PitchField f("440");
    QWidget::setTabOrder(f.window.other(), f.pitch);
    f.window.other()->setFocus(Qt::MouseFocusReason);

    QTest::keyClick(f.window.other(), Qt::Key_Tab);

    ASSERT_TRUE(f.pitch->lineEdit()->hasFocus());
    EXPECT_FALSE(f.pitch->lineEdit()->hasSelectedText());
}

} // namespace
