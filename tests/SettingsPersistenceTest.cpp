#include "NamedCase.h"
#include "SettingsWindowSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

using namespace settings;

struct LocaleCase
{
    std::string name;
    QLocale locale;
    // How the locale writes 277.1826309768721 Hz (C#4) and 523.2511306011972 Hz (C5).
    QString currentText;
    QString previousText;
};

class SettingsRoundTrip : public SettingsWindowTest, public testing::WithParamInterface<LocaleCase>
{
};

TEST_P(SettingsRoundTrip, EveryValueComesBackAfterARestart)
{
    const LocaleCase& c = GetParam();
    const ScopedDefaultLocale locale(c.locale);
    form->move(100, 120);
    form->resize(320, 360);
    state().CurrentFrequency = At440(2, 4);
    state().PreviousFrequency = At440(1, 5);
    setNote(2, 3, "C#", "6");
    state().OutputVolume = -1;
    instrumentBox()->setCurrentIndex(4);
    pitch()->setText("445");

    restart();

    EXPECT_EQ(storedSetting(kCurrentFrequencyName), c.currentText);
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), c.previousText);
    EXPECT_EQ(form->frameGeometry(), QRect(100, 120, 320, 360));
    EXPECT_NEAR(static_cast<double>(state().CurrentFrequency), 277.182630976872, 1e-12);
    EXPECT_NEAR(static_cast<double>(state().PreviousFrequency), 523.251130601197, 1e-12);
    EXPECT_EQ(edit("oct")->text(), "6");
    EXPECT_EQ(edit("tone")->text(), "C#");
    EXPECT_EQ(state().NoteIndex, 2);
    EXPECT_EQ(state().OctaveNumber, 3);
    EXPECT_EQ(state().OutputVolume, -1);
    EXPECT_EQ(instrumentBox()->currentIndex(), 4);
    EXPECT_EQ(instrumentBox()->currentText(), "ContraBass");
    EXPECT_EQ(visibleStringButtons(), 5);
    EXPECT_EQ(pitch()->text(), "445");
    // The slider stays at the bottom until Sound mode places it from the volume.
    EXPECT_EQ(slider()->value(), 65535);
    EXPECT_EQ(restarts(), 0);
    EXPECT_TRUE(errorBoxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Window, SettingsRoundTrip,
                         testing::Values(LocaleCase{"full_stop_separator", QLocale::c(),
                                                    "277.182630976872", "523.251130601197"},
                                         LocaleCase{"comma_separator",
                                                    QLocale(QLocale::German, QLocale::Germany),
                                                    "277,182630976872", "523,251130601197"}),
                         CaseName<LocaleCase>);

TEST_F(SettingsWindowTest, PitchIsSavedAsTheFieldReadsItAndClampedOnlyOnLoad)
{
    pitch()->setText("500");
    restart();
    EXPECT_EQ(storedSetting(kPitchName), "500");
    EXPECT_EQ(pitch()->text(), "450");

    pitch()->setText("abc");
    restart();
    EXPECT_EQ(storedSetting(kPitchName), "300");
    EXPECT_EQ(pitch()->text(), "300");
}

// A frequency that hand-edited octaves made infinite, or not a number, would be saved as a
// text that no later start could read.
TEST_F(SettingsWindowTest, FrequenciesThatAreNoNumbersAreSavedAsTextsThatLoadAgain)
{
    state().CurrentFrequency = std::numeric_limits<long double>::infinity();
    state().PreviousFrequency = std::numeric_limits<long double>::quiet_NaN();
    restart();

    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "440");
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), "440");
    EXPECT_TRUE(errorBoxes.boxes.empty());
    EXPECT_EQ(state().CurrentFrequency, 440.0L);
}

// What a start makes of values that a user edited by hand.
struct StoredValueCase
{
    std::string name;
    QByteArray file;
    QString pitch = "440";
    int instrument = 0;
    int stringButtons = 0;
    std::int32_t noteIndex = 10;
    std::int32_t octave = 4;
    QString octText = "4";
};

class StoredValue : public SettingsWindowTest, public testing::WithParamInterface<StoredValueCase>
{
};

TEST_P(StoredValue, LoadsWithoutAnError)
{
    const StoredValueCase& c = GetParam();
    startWith("[Setting]\n" + c.file);

    EXPECT_EQ(pitch()->text(), c.pitch);
    EXPECT_EQ(instrumentBox()->currentIndex(), c.instrument);
    EXPECT_EQ(visibleStringButtons(), c.stringButtons);
    EXPECT_EQ(state().NoteIndex, c.noteIndex);
    EXPECT_EQ(state().OctaveNumber, c.octave);
    EXPECT_EQ(edit("oct")->text(), c.octText);
    EXPECT_EQ(edit("tone")->text(), "A");
    EXPECT_TRUE(errorBoxes.boxes.empty());
    EXPECT_EQ(sound.count(SoundCall::Kind::PlayLooped), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Window, StoredValue,
    testing::Values(
        StoredValueCase{
            .name = "pitch_above_range_shows_450", .file = "Pitch=999\n", .pitch = "450"},
        StoredValueCase{
            .name = "pitch_below_range_shows_300", .file = "Pitch=100\n", .pitch = "300"},
        StoredValueCase{.name = "instrument_beyond_the_list_selects_nothing",
                        .file = "Items=9\n",
                        .instrument = -1},
        StoredValueCase{
            .name = "no_instrument_stays_unselected", .file = "Items=-1\n", .instrument = -1},
        StoredValueCase{.name = "guitar_shows_six_strings",
                        .file = "Items=5\n",
                        .instrument = 5,
                        .stringButtons = 6},
        StoredValueCase{.name = "note_index_of_letters_is_10", .file = "Keyupdown=abc\n"},
        StoredValueCase{.name = "empty_note_index_is_10", .file = "Keyupdown=\n"},
        StoredValueCase{
            .name = "note_index_out_of_range_is_kept", .file = "Keyupdown=99\n", .noteIndex = 99},
        StoredValueCase{.name = "octave_number_wins_over_the_octave_text",
                        .file = "OctText=6\nOctave=3\n",
                        .octave = 3,
                        .octText = "6"},
        StoredValueCase{.name = "designed_texts_run_no_tone", .file = "ToneText=A\nOctText=4\n"}),
    CaseName<StoredValueCase>);

// --- Placement ---------------------------------------------------------------------------------

struct PlacementCase
{
    std::string name;
    QByteArray locate;
    QRect opensAt;
};

class StoredPlacement : public SettingsWindowTest, public testing::WithParamInterface<PlacementCase>
{
};

TEST_P(StoredPlacement, OpensWhereAtLeastPartOfTheWindowIsOnAScreen)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().topLeft(), QPoint(0, 0));
    startWith("[Locate]\n" + GetParam().locate);
    EXPECT_EQ(form->frameGeometry(), GetParam().opensAt);
}

const QRect kDefaultPlacement(20, 20, 300, 349);

INSTANTIATE_TEST_SUITE_P(
    Window, StoredPlacement,
    testing::Values(
        PlacementCase{"first_run", "", kDefaultPlacement},
        PlacementCase{"on_screen", "Top=50\nLeft=60\nWidth=320\nHeight=400\n",
                      QRect(60, 50, 320, 400)},
        PlacementCase{"partly_off_the_left_edge", "Left=-250\n", QRect(-250, 20, 300, 349)},
        PlacementCase{"partly_above_the_top_edge", "Top=-300\n", QRect(20, -300, 300, 349)},
        PlacementCase{"just_left_of_the_screen", "Left=-300\nTop=50\nWidth=300\n",
                      kDefaultPlacement},
        PlacementCase{"on_a_removed_monitor", "Left=5000\nTop=50\nWidth=400\nHeight=500\n",
                      kDefaultPlacement},
        PlacementCase{"far_above", "Top=-2000\n", kDefaultPlacement}),
    CaseName<PlacementCase>);

// The platform draws a frame around a shown window; its bounds are kept with the frame, so
// that a run neither moves nor grows the window.
TEST_F(SettingsWindowTest, ShownWindowKeepsItsOuterBoundsAcrossRuns)
{
    startWith("[Locate]\nTop=50\nLeft=60\nWidth=320\nHeight=400\n");
    form->show();
    ASSERT_NE(form->geometry(), form->frameGeometry()) << "the platform draws no frame";
    EXPECT_EQ(form->frameGeometry(), QRect(60, 50, 320, 400));

    form->close();
    EXPECT_EQ(storedBounds(), QRect(60, 50, 320, 400));
}

TEST_F(SettingsWindowTest, MaximisedWindowIsSavedAtItsMaximisedBoundsAndReopensUnmaximised)
{
    form->show();
    form->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->frameGeometry() != kDefaultPlacement; }));
    const QRect maximised = form->frameGeometry();

    restart();
    EXPECT_EQ(storedBounds(), maximised);
    form->show();
    EXPECT_FALSE(form->isMaximized());
    EXPECT_EQ(form->frameGeometry(), maximised);
}

} // namespace
