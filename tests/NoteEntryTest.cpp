#include "NamedCase.h"
#include "WindowFixture.h"

#include "ui/controls/UpDownArrows.h"

#include <QLineEdit>
#include <QTest>

#include <climits>

namespace {

struct StepCase
{
    std::string name;
    bool sound;
    // Before: indices and the edits' texts.
    std::int32_t note, octave;
    const char* noteText;
    const char* octaveText;
    int direction;
    // After.
    std::int32_t noteAfter, octaveAfter;
    const char* noteTextAfter;
    const char* octaveTextAfter;
    std::vector<long double> restartsAt;
    bool flagAfter;
};

class StepperStep : public WindowTest, public testing::WithParamInterface<StepCase>
{
};

TEST_P(StepperStep, RewritesTheEditsAndRestartsAtMostOnce)
{
    const StepCase& c = GetParam();
    startWithStoredNote(c.note, c.octave, c.noteText, c.octaveText);
    if (c.sound)
        enterSound();

    step(c.direction);

    EXPECT_EQ(edit("tone")->text(), QString::fromUtf8(c.noteTextAfter));
    EXPECT_EQ(edit("oct")->text(), QString::fromUtf8(c.octaveTextAfter));
    EXPECT_EQ(startedTones(), TonesAt(c.restartsAt));
    // The note and octave stepped to, and the flag, as the next tone and octave change show.
    EXPECT_EQ(nextTone(), ToneAt(At440(c.noteAfter, c.octaveAfter)));
    EXPECT_EQ(nextOctaveChangeIsSilent(), c.flagAfter);
}

// Each row: mode; note, octave and the edits' texts before; the direction (0 up, 1 down);
// the same after; the frequencies restarted at; the flag after.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Window, StepperStep, testing::Values(
    StepCase{"sound_within_octave", true, 10, 4, "A", "4", 0,
             11, 4, "A#", "4", {At440(11, 4)}, true},
    StepCase{"sound_carry_up_consumes_the_flag", true, 12, 4, "B", "4", 0,
             1, 5, "C", "5", {At440(1, 5)}, false},
    StepCase{"sound_carry_down", true, 1, 4, "C", "4", 1,
             12, 3, "B", "3", {At440(12, 3)}, false},
    StepCase{"sound_B7_up_to_C0", true, 12, 7, "B", "7", 0,
             1, 0, "C", "0", {At440(1, 0)}, false},
    StepCase{"sound_C0_down_to_B7", true, 1, 0, "C", "0", 1,
             12, 7, "B", "7", {At440(12, 7)}, false},
    StepCase{"off_within_octave_keeps_the_flag", false, 10, 4, "A", "4", 0,
             11, 4, "A#", "4", {}, true},
    StepCase{"off_carry_clears_the_flag", false, 12, 4, "B", "4", 0,
             1, 5, "C", "5", {}, false},
    StepCase{"sound_unchanged_note_text_restarts_nothing", true, 10, 4, "A#", "4", 0,
             11, 4, "A#", "4", {}, true},
    StepCase{"note_outside_the_table_writes_no_name", true, 20, 4, "A", "5", 0,
             21, 4, "A", "4", {}, false},
    StepCase{"largest_note_wraps_around", true, INT_MAX, 4, "A", "4", 0,
             INT_MIN, 4, "A", "4", {}, true},
    StepCase{"largest_octave_wraps_around", false, 12, INT_MAX, "B", "4", 0,
             1, INT_MIN, "C", "-2147483648", {}, false},
    StepCase{"smallest_octave_wraps_around", false, 1, INT_MIN, "C", "4", 1,
             12, INT_MAX, "B", "2147483647", {}, false}),
    CaseName<StepCase>);
// clang-format on

// Clicks whatever part of the stepper lies at `position`.
void ClickStepper(ui::UpDownArrows* stepper, QPoint position)
{
    QWidget* arrow = stepper->childAt(position);
    ASSERT_NE(arrow, nullptr);
    QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->mapFrom(stepper, position));
}

TEST_F(WindowTest, StepperArrowsReachTheHandlerWithTheirDirection)
{
    enterSound();
    form->show();
    ClickStepper(find<ui::UpDownArrows>("UpDown1"), {64, 10});
    EXPECT_EQ(edit("tone")->text(), QStringLiteral("A#"));
    ClickStepper(find<ui::UpDownArrows>("UpDown1"), {64, 70});
    ClickStepper(find<ui::UpDownArrows>("UpDown1"), {64, 70});
    EXPECT_EQ(edit("tone")->text(), QStringLiteral("G#"));
    EXPECT_EQ(startedTones(), TonesAt({At440(11, 4), At440(10, 4), At440(9, 4)}));
}

// After a step that stays in its octave, the next octave change restarts nothing; the one
// after it restarts normally. Deleting first spends the flag on the deletion.
TEST_F(WindowTest, OneShotFlagSilencesOnlyTheNextOctaveChange)
{
    enterSound();
    step(0);
    forget();

    edit("oct")->selectAll();
    QTest::keyClicks(edit("oct"), "5");
    EXPECT_EQ(nextTone(), ToneAt(At440(11, 5)));
    EXPECT_TRUE(startedTones().empty());

    edit("oct")->selectAll();
    QTest::keyClicks(edit("oct"), "6");
    EXPECT_EQ(startedTones(), TonesAt({At440(11, 6)}));

    step(1); // A#6 -> A6, the flag set again
    forget();
    edit("oct")->selectAll();
    QTest::keyClick(edit("oct"), Qt::Key_Backspace);
    QTest::keyClicks(edit("oct"), "5");
    EXPECT_EQ(startedTones(), TonesAt({At440(10, 5)}));
}

TEST_F(WindowTest, OffModeTypingParsesTheOctaveButNotTheNote)
{
    edit("tone")->selectAll();
    QTest::keyClicks(edit("tone"), "e");
    edit("oct")->selectAll();
    QTest::keyClicks(edit("oct"), "5");
    EXPECT_EQ(restarts(), 0);

    // The note as it was, the octave as typed.
    radio("RB_Sound")->click();
    EXPECT_EQ(startedTones(), TonesAt({At440(10, 5)}));
}

TEST_F(WindowTest, SoundModeNoteTypingRestartsOnEveryChangeEvenWithoutAMatch)
{
    enterSound();
    edit("tone")->selectAll();
    QTest::keyClick(edit("tone"), Qt::Key_Backspace); // "" names no note
    QTest::keyClicks(edit("tone"), "cX");             // "c", then "cX": C stays the note
    EXPECT_EQ(startedTones(), TonesAt({At440(10, 4), At440(1, 4), At440(1, 4)}));
}

TEST_F(WindowTest, PitchRestartsPerKeystrokeAndOnceMoreWhenClampedOnLeaving)
{
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    enterSound();
    QLineEdit* field = pitch()->lineEdit();
    field->setFocus();
    field->setCursorPosition(3);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "500");
    // A4 sounds at the pitch that each intermediate text reads as; empty reads as 300.
    EXPECT_EQ(startedTones(), TonesAt({44, 4, 300, 5, 50, 500}));

    forget();
    edit("tone")->setFocus();
    EXPECT_EQ(pitch()->text(), QStringLiteral("450"));
    EXPECT_EQ(startedTones(), TonesAt({450}));
}

TEST_F(WindowTest, PitchOutsideSoundModeRestartsNothing)
{
    pitch()->setValue(441);
    EXPECT_EQ(restarts(), 0);
    radio("RB_Sound")->click();
    EXPECT_EQ(startedTones(), TonesAt({441}));
}

} // namespace
