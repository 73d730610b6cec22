#include "ui/controls/FieldEdit.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QClipboard>
#include <QSignalSpy>

#include <string>

namespace {

using ui::FieldEdit;

struct LimitCase
{
    std::string name;
    const char* start;
    const char* input;
    bool paste;
    const char* expected;
    int refusals;
};

class TypedByteLimit : public testing::TestWithParam<LimitCase>
{
};

TEST_P(TypedByteLimit, RefusesTypingAndPastingBeyondTwoBytes)
{
    const LimitCase& c = GetParam();
    FieldEdit edit;
    edit.setTypedByteLimit(2);
    edit.setText(QString::fromUtf8(c.start));
    edit.end(false);
    QSignalSpy changes(&edit, &FieldEdit::textChanged);
    QSignalSpy refusals(&edit, &FieldEdit::inputRefused);

    if (c.paste) {
        QApplication::clipboard()->setText(QString::fromUtf8(c.input));
        QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    } else {
        TypeText(&edit, QString::fromUtf8(c.input));
    }

    EXPECT_EQ(edit.text(), QString::fromUtf8(c.expected));
    EXPECT_EQ(refusals.count(), c.refusals);
    // Only accepted edits reach the change handlers.
    EXPECT_EQ(changes.isEmpty(), edit.text() == QString::fromUtf8(c.start));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypedByteLimit,
    testing::Values(
        LimitCase{"NoteWithSharpFits", "", "C#", false, "C#", 0},
        LimitCase{"ThirdHalfWidthCharacterIsRefused", "", "C#5", false, "C#", 1},
        LimitCase{"OneFullWidthLetterFits", "", "Ｃ", false, "Ｃ", 0},
        LimitCase{"FullWidthSharpAfterFullWidthLetterIsRefused", "", "Ｃ＃", false, "Ｃ", 1},
        LimitCase{"HalfWidthKatakanaCountOneByteEach", "", "ｱｲｳ", false, "ｱｲ", 1},
        LimitCase{"HalfWidthAfterFullWidthIsRefused", "Ｃ", "#", false, "Ｃ", 1},
        LimitCase{"PasteThatFitsIsTaken", "", "D#", true, "D#", 0},
        LimitCase{"PasteTooLongIsRefusedWhole", "", "D#5", true, "", 1},
        LimitCase{"PasteJoiningTheTextIsCounted", "C", "#5", true, "C", 1},
        LimitCase{"ProgramTextIsNotCut", "Ｃ＃Ｄ", "", false, "Ｃ＃Ｄ", 0},
        LimitCase{"NothingMoreGoesIntoALongProgramText", "Ｃ＃", "x", false, "Ｃ＃", 1}),
    CaseName<LimitCase>);

TEST(TypedByteLimitEditing, DeletingFromALongProgramTextAndReplacingASelectionWork)
{
    FieldEdit edit;
    edit.setTypedByteLimit(2);
    edit.setText(QStringLiteral("Ｃ＃Ｄ"));
    edit.end(false);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("Ｃ＃"));
    edit.selectAll();
    TypeText(&edit, QStringLiteral("G"));
    EXPECT_EQ(edit.text(), QStringLiteral("G"));
}

TEST(FieldFocus, TabIntoTheFieldSelectsNothing)
{
    ControlWindow window;
    auto* edit = new FieldEdit(window.widget());
    edit->setText(QStringLiteral("A"));
    QWidget::setTabOrder(window.other(), edit);
    ASSERT_TRUE(window.show());
    window.other()->setFocus(Qt::MouseFocusReason);

    QTest::keyClick(window.other(), Qt::Key_Tab);

    ASSERT_TRUE(edit->hasFocus());
    EXPECT_FALSE(edit->hasSelectedText());
}

} // namespace
