#include "NamedCase.h"
#include "WindowFixture.h"

#include <QStringList>
#include <QTest>

namespace {

struct InstrumentCase
{
    std::string name;
    int index;
    QStringList captions; // of the buttons shown, from the left
    // The octave of each string, in the same order.
    std::vector<std::int32_t> octaves;
    std::vector<std::int32_t> notes;
};

class InstrumentChoice : public WindowTest, public testing::WithParamInterface<InstrumentCase>
{
};

// Choosing an instrument labels and shows its strings and touches nothing else; each string
// button then tunes note and octave to its string.
TEST_P(InstrumentChoice, ShowsItsStringsAndEachButtonTunesToItsString)
{
    const InstrumentCase& c = GetParam();
    enterSound();
    pickInstrument(c.index);
    EXPECT_EQ(restarts(), 0);
    EXPECT_EQ(edit("tone")->text(), QStringLiteral("A"));
    const std::array<ui::RadioButton*, 6> buttons = stringButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(i + 1);
        const bool shown = i < static_cast<std::size_t>(c.captions.size());
        EXPECT_EQ(buttons[i]->isVisibleTo(form.get()), shown);
        EXPECT_FALSE(buttons[i]->isChecked());
        if (!shown)
            continue;
        EXPECT_EQ(buttons[i]->text(), c.captions[static_cast<qsizetype>(i)]);
        buttons[i]->click();
        EXPECT_EQ(edit("tone")->text(), c.captions[static_cast<qsizetype>(i)]);
        EXPECT_EQ(edit("oct")->text(), QString::number(c.octaves[i]));
        // The string's note and octave, and the flag, as the next tone and octave change show;
        // the next button tunes afresh.
        EXPECT_EQ(nextTone(), ToneAt(At440(c.notes[i], c.octaves[i])));
        EXPECT_TRUE(nextOctaveChangeIsSilent());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, InstrumentChoice,
    testing::Values(
        InstrumentCase{"none", 0, {}, {}, {}},
        InstrumentCase{"violin", 1, {"G", "D", "A", "E"}, {3, 4, 4, 5}, {8, 3, 10, 5}},
        InstrumentCase{"viola", 2, {"C", "G", "D", "A"}, {3, 3, 4, 4}, {1, 8, 3, 10}},
        InstrumentCase{"cello", 3, {"C", "G", "D", "A"}, {2, 2, 3, 3}, {1, 8, 3, 10}},
        InstrumentCase{
            "contrabass", 4, {"B", "E", "A", "D", "G"}, {1, 2, 2, 3, 3}, {12, 5, 10, 3, 8}},
        InstrumentCase{
            "guitar", 5, {"E", "A", "D", "G", "B", "E"}, {2, 2, 3, 3, 3, 4}, {5, 10, 3, 8, 12, 5}},
        InstrumentCase{"electric_bass", 6, {"E", "A", "D", "G"}, {2, 2, 3, 3}, {5, 10, 3, 8}}),
    CaseName<InstrumentCase>);

struct PresetRestartCase
{
    std::string name;
    bool flagBefore;
    // The edits before the click on the "Cello" string "D" (D3).
    const char* noteText;
    const char* octaveText;
    int restarts;
};

class PresetClick : public WindowTest, public testing::WithParamInterface<PresetRestartCase>
{
};

TEST_P(PresetClick, RestartsOncePerChangedEditThatTheFlagDoesNotSilence)
{
    const PresetRestartCase& c = GetParam();
    startWithStoredNote(10, 4, "A", c.octaveText);
    // Off, a step up and back leaves A4 with the flag set; the note field then takes a text
    // that Off mode reads as no note.
    if (c.flagBefore) {
        step(0);
        step(1);
    }
    type(edit("tone"), c.noteText);
    enterSound();
    pickInstrument(3);

    radio("SSelect3")->click();

    EXPECT_EQ(startedTones(),
              std::vector<StartedTone>(static_cast<std::size_t>(c.restarts), ToneAt(At440(3, 3))));
    EXPECT_TRUE(nextOctaveChangeIsSilent());
}

INSTANTIATE_TEST_SUITE_P(
    Window, PresetClick,
    testing::Values(PresetRestartCase{"note_only", false, "A", "3", 1},
                    PresetRestartCase{"both_flag_clear", false, "A", "4", 2},
                    PresetRestartCase{"both_flag_set", true, "A", "4", 1},
                    PresetRestartCase{"octave_only_flag_clear", false, "D", "4", 1},
                    PresetRestartCase{"octave_only_flag_set", true, "D", "4", 0},
                    PresetRestartCase{"neither", false, "D", "3", 0}),
    CaseName<PresetRestartCase>);

TEST_F(WindowTest, ClickingTheCheckedStringAgainDoesNothing)
{
    pickInstrument(5);
    radio("SSelect1")->click(); // E2, the flag set
    step(0);                    // F2, the flag set again
    // An octave typed in Off mode clears the flag, which a handled click would set again.
    type(edit("oct"), "3");
    type(edit("oct"), "2");
    radio("SSelect1")->click();
    EXPECT_EQ(nextTone(), ToneAt(At440(6, 2)));
    EXPECT_FALSE(nextOctaveChangeIsSilent());
}

TEST_F(WindowTest, WithoutASelectedInstrumentButtonsStayAndOnlyTheFlagIsSet)
{
    pickInstrument(5);
    // No entry selected, and the user edits the box's text.
    instrumentBox()->setCurrentIndex(-1);
    QTest::keyClicks(instrumentBox()->lineEdit(), "x");
    EXPECT_TRUE(radio("SSelect6")->isVisibleTo(form.get()));
    radio("SSelect2")->click();
    EXPECT_EQ(edit("tone")->text(), QStringLiteral("A"));
    EXPECT_EQ(nextTone(), ToneAt(At440(10, 4)));
    EXPECT_TRUE(nextOctaveChangeIsSilent());
}

TEST_F(WindowTest, OffModePresetTunesTheNextTone)
{
    pickInstrument(1);
    edit("tone")->setText(QStringLiteral("E"));
    radio("SSelect2")->click();
    EXPECT_EQ(restarts(), 0);
    radio("RB_Sound")->click();
    EXPECT_EQ(startedTones(), TonesAt({At440(3, 4)}));
}

} // namespace
