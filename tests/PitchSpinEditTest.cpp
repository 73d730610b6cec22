#include "ui/controls/PitchSpinEdit.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QClipboard>
#include <QSignalSpy>
#include <QToolButton>

#include <functional>
#include <string>

namespace {

using ui::PitchSpinEdit;

// A pitch field with the window's range, focused in an active window.
class PitchField
{
public:
    PitchField()
    {
        pitch->setGeometry(10, 10, 86, 37);
        pitch->setRange(300, 450);
        pitch->setText(QStringLiteral("440"));
    }

    bool focus()
    {
        if (!window.show())
            return false;
        pitch->lineEdit()->setFocus(Qt::MouseFocusReason);
        return pitch->lineEdit()->hasFocus();
    }

    ControlWindow window;
    PitchSpinEdit* pitch = new PitchSpinEdit(window.widget());
};

struct TypingCase
{
    std::string name;
    const char* start;
    std::function<void(QLineEdit*)> input;
    const char* expected;
    int changes;
    int refusals;
};

class PitchTyping : public testing::TestWithParam<TypingCase>
{
};

TEST_P(PitchTyping, KeepsAcceptedCharactersAsTypedAndDropsTheRest)
{
    const TypingCase& c = GetParam();
    PitchField field;
    ASSERT_TRUE(field.focus());
    field.pitch->setText(QString::fromUtf8(c.start));
    field.pitch->lineEdit()->end(false);
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);
    QSignalSpy refusals(field.pitch, &PitchSpinEdit::inputRefused);

    c.input(field.pitch->lineEdit());

    EXPECT_EQ(field.pitch->text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(changes.count(), c.changes);
    EXPECT_EQ(refusals.count(), c.refusals);
}

void SelectAllAndType(QLineEdit* edit, const char* keys)
{
    edit->selectAll();
    QTest::keyClicks(edit, keys);
}

void Paste(QLineEdit* edit, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PitchTyping,
    testing::Values(TypingCase{"OutOfRangeNumberStaysAsTyped", "440",
                               [](QLineEdit* e) { SelectAllAndType(e, "500"); }, "500", 3, 0},
                    TypingCase{"LetterIsDropped", "440",
                               [](QLineEdit* e) { QTest::keyClicks(e, "a"); }, "440", 0, 1},
                    TypingCase{"SpaceIsDropped", "440",
                               [](QLineEdit* e) { QTest::keyClicks(e, " "); }, "440", 0, 1},
                    TypingCase{"FullWidthDigitIsDropped", "440",
                               [](QLineEdit* e) { TypeText(e, "４"); }, "440", 0, 1},
                    TypingCase{"EnterIsDropped", "440",
                               [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_Return); }, "440", 0,
                               1},
                    TypingCase{"SignsAndDecimalPointPass", "4",
                               [](QLineEdit* e) { QTest::keyClicks(e, "+-."); }, "4+-.", 3, 0},
                    TypingCase{"BackspaceDeletes", "440",
                               [](QLineEdit* e) { QTest::keyClick(e, Qt::Key_Backspace); }, "44", 1,
                               0},
                    TypingCase{"DeletingEverythingLeavesItEmpty", "440",
                               [](QLineEdit* e) {
                                   e->selectAll();
                                   QTest::keyClick(e, Qt::Key_Delete);
                               },
                               "", 1, 0},
                    TypingCase{"PasteIsNotFiltered", "",
                               [](QLineEdit* e) { Paste(e, QStringLiteral("4x0")); }, "4x0", 1, 0},
                    TypingCase{"CutIsAllowed", "440",
                               [](QLineEdit* e) {
                                   e->selectAll();
                                   QTest::keyClick(e, Qt::Key_X, Qt::ControlModifier);
                               },
                               "", 1, 0}),
    CaseName<TypingCase>);

struct StepCase
{
    std::string name;
    const char* start;
    std::function<void(PitchSpinEdit*)> step;
    const char* expected;
    int changes;
};

class PitchStepping : public testing::TestWithParam<StepCase>
{
};

TEST_P(PitchStepping, StepsFromTheReadValueAndClamps)
{
    const StepCase& c = GetParam();
    PitchField field;
    ASSERT_TRUE(field.focus());
    field.pitch->setText(QString::fromUtf8(c.start));
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);

    c.step(field.pitch);

    EXPECT_EQ(field.pitch->text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(changes.count(), c.changes);
}

void UpKey(PitchSpinEdit* p)
{
    QTest::keyClick(p->lineEdit(), Qt::Key_Up);
}
void DownKey(PitchSpinEdit* p)
{
    QTest::keyClick(p->lineEdit(), Qt::Key_Down);
}
void UpButton(PitchSpinEdit* p)
{
    QTest::mouseClick(p->upButton(), Qt::LeftButton);
}
void DownButton(PitchSpinEdit* p)
{
    QTest::mouseClick(p->downButton(), Qt::LeftButton);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PitchStepping,
    testing::Values(
        StepCase{"UpKeyRaisesByOne", "440", UpKey, "441", 1},
        StepCase{"DownKeyLowersByOne", "440", DownKey, "439", 1},
        StepCase{"UpKeyAtTheMaximumChangesNothing", "450", UpKey, "450", 0},
        StepCase{"UpButtonAtTheMaximumChangesNothing", "450", UpButton, "450", 0},
        StepCase{"DownButtonAtTheMinimumChangesNothing", "300", DownButton, "300", 0},
        StepCase{"UpButtonClampsATypedValueAbove", "500", UpButton, "450", 1},
        StepCase{"DownButtonOnEmptyTextWritesTheMinimum", "", DownButton, "300", 1},
        StepCase{"UpKeyOnTheLargestIntegerDoesNotOverflow", "2147483647", UpKey, "450", 1},
        StepCase{"DownKeyOnTheSmallestIntegerDoesNotOverflow", "-2147483648", DownKey, "300", 1},
        StepCase{"HexadecimalTextStepsFromItsValue", "$1B8", UpKey, "441", 1}),
    CaseName<StepCase>);

struct FocusLossCase
{
    std::string name;
    const char* typed;
    const char* expected;
    int changes;
};

class PitchFocusLoss : public testing::TestWithParam<FocusLossCase>
{
};

TEST_P(PitchFocusLoss, WritesTheClampedValueOnlyWhenItDiffers)
{
    const FocusLossCase& c = GetParam();
    PitchField field;
    ASSERT_TRUE(field.focus());
    field.pitch->lineEdit()->selectAll();
    QTest::keyClick(field.pitch->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(field.pitch->lineEdit(), c.typed);
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);

    QTest::keyClick(field.pitch->lineEdit(), Qt::Key_Tab);

    ASSERT_FALSE(field.pitch->lineEdit()->hasFocus());
    EXPECT_EQ(field.pitch->text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(changes.count(), c.changes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PitchFocusLoss,
    testing::Values(FocusLossCase{"AboveTheRangeBecomesTheMaximum", "500", "450", 1},
                    FocusLossCase{"BelowTheRangeBecomesTheMinimum", "299", "300", 1},
                    FocusLossCase{"NegativeBecomesTheMinimum", "-5", "300", 1},
                    FocusLossCase{"InRangeStaysAsTyped", "+441", "+441", 0},
                    FocusLossCase{"EmptyStaysEmpty", "", "", 0},
                    FocusLossCase{"DecimalTextStays", "440.", "440.", 0}),
    CaseName<FocusLossCase>);

TEST(PitchProgrammaticText, ChangesFireOnceInsideTheCallAndTheSameTextFiresNothing)
{
    PitchField field;
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);

    // The same text leaves even the caret where it was.
    field.pitch->lineEdit()->setCursorPosition(1);
    field.pitch->setText(QStringLiteral("440"));
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(field.pitch->lineEdit()->cursorPosition(), 1);
    field.pitch->setValue(440);
    EXPECT_EQ(changes.count(), 0);

    field.pitch->setValue(500);
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.at(0).at(0).toString(), QStringLiteral("450"));

    field.pitch->setText(QStringLiteral("abc"));
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(field.pitch->value(), 300);
}

TEST(PitchProgrammaticText, ReadsTheValueUnclamped)
{
    PitchField field;
    field.pitch->setText(QStringLiteral("500"));
    EXPECT_EQ(field.pitch->value(), 500);
    field.pitch->setText(QStringLiteral("45"));
    EXPECT_EQ(field.pitch->value(), 45);
}

TEST(PitchButtons, PressMovesTheFocusToTheFieldFirst)
{
    PitchField field;
    ASSERT_TRUE(field.window.show());
    field.window.other()->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(field.window.other()->hasFocus());
    field.pitch->setText(QStringLiteral("500"));
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);

    QTest::mouseClick(field.pitch->downButton(), Qt::LeftButton);

    EXPECT_TRUE(field.pitch->lineEdit()->hasFocus());
    EXPECT_EQ(field.pitch->text(), QStringLiteral("450"));
    EXPECT_EQ(changes.count(), 1);
}

TEST(PitchButtons, HeldButtonRepeatsAfterADelay)
{
    PitchField field;
    ASSERT_TRUE(field.focus());
    EXPECT_EQ(field.pitch->upButton()->autoRepeatDelay(), 400);
    EXPECT_EQ(field.pitch->upButton()->autoRepeatInterval(), 100);
    field.pitch->setText(QStringLiteral("300"));
    QSignalSpy changes(field.pitch, &PitchSpinEdit::textChanged);

    QTest::mousePress(field.pitch->upButton(), Qt::LeftButton);
    EXPECT_EQ(changes.count(), 1);
    // The first repeat comes after 400 ms; Qt's coarse timers may be up to 5 % early.
    QTest::qWait(370);
    EXPECT_EQ(changes.count(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() >= 3; }, 5000));
    QTest::mouseRelease(field.pitch->upButton(), Qt::LeftButton);
    const int held = changes.count();
    QTest::qWait(250);

    EXPECT_EQ(changes.count(), held);
    EXPECT_EQ(field.pitch->value(), 300 + held);
}

TEST(PitchFocus, TabIntoTheFieldSelectsNothing)
{
    PitchField field;
    ASSERT_TRUE(field.window.show());
    QWidget::setTabOrder(field.window.other(), field.pitch);
    field.window.other()->setFocus(Qt::MouseFocusReason);

    QTest::keyClick(field.window.other(), Qt::Key_Tab);

    ASSERT_TRUE(field.pitch->lineEdit()->hasFocus());
    EXPECT_FALSE(field.pitch->lineEdit()->hasSelectedText());
}

TEST(PitchAccessibility, ButtonsAreNamed)
{
    PitchField field;
    EXPECT_EQ(field.pitch->upButton()->accessibleName(), QStringLiteral("Raise pitch"));
    EXPECT_EQ(field.pitch->downButton()->accessibleName(), QStringLiteral("Lower pitch"));
}

} // namespace
