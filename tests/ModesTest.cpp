#include "NamedCase.h"
#include "WindowFixture.h"

#include <QAction>
#include <QLabel>

namespace {

enum class Mode { Off, Sound };
enum class Event { ClickSound, ClickOff, MenuSound, MenuOff };

struct ModeCase
{
    std::string name;
    Mode from;
    Event event;
    Mode to;
    int tonesStarted;
    int stops;
};

class ModeChange : public WindowTest, public testing::WithParamInterface<ModeCase>
{
};

TEST_P(ModeChange, RunsTheModeHandlerAsOftenAsTheButtonBecomesChecked)
{
    const ModeCase& c = GetParam();
    if (c.from == Mode::Sound)
        enterSound();
    switch (c.event) {
    case Event::ClickSound:
        radio("RB_Sound")->click();
        break;
    case Event::ClickOff:
        radio("RB_Off")->click();
        break;
    case Event::MenuSound:
        item("M_Sound1")->trigger();
        break;
    case Event::MenuOff:
        item("M_Off")->trigger();
        break;
    }
    const bool sound = c.to == Mode::Sound;
    EXPECT_EQ(restarts(), c.tonesStarted);
    EXPECT_EQ(stops(), c.stops);
    EXPECT_EQ(radio("RB_Sound")->isChecked(), sound);
    EXPECT_EQ(radio("RB_Off")->isChecked(), !sound);
    EXPECT_EQ(item("M_Sound1")->isChecked(), sound);
    EXPECT_EQ(item("M_Off")->isChecked(), !sound);
    if (c.tonesStarted + c.stops > 0) {
        EXPECT_EQ(find<QLabel>("Volume")->text(),
                  sound ? QStringLiteral("SP Volume") : QStringLiteral(" "));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Window, ModeChange,
    testing::Values(
        ModeCase{"off_click_sound", Mode::Off, Event::ClickSound, Mode::Sound, 1, 0},
        ModeCase{"off_menu_sound_starts_twice", Mode::Off, Event::MenuSound, Mode::Sound, 2, 0},
        ModeCase{"sound_menu_sound_restarts", Mode::Sound, Event::MenuSound, Mode::Sound, 1, 0},
        ModeCase{"sound_click_sound_runs_nothing", Mode::Sound, Event::ClickSound, Mode::Sound, 0,
                 0},
        ModeCase{"sound_click_off", Mode::Sound, Event::ClickOff, Mode::Off, 0, 1},
        ModeCase{"sound_menu_off_stops_twice", Mode::Sound, Event::MenuOff, Mode::Off, 0, 2},
        ModeCase{"off_menu_off", Mode::Off, Event::MenuOff, Mode::Off, 0, 1},
        ModeCase{"off_click_off_runs_nothing", Mode::Off, Event::ClickOff, Mode::Off, 0, 0}),
    CaseName<ModeCase>);

TEST_F(WindowTest, OpensInOffModeWithTheDesignedMarks)
{
    EXPECT_TRUE(radio("RB_Off")->isChecked());
    EXPECT_FALSE(radio("RB_Measure")->isEnabled());
    EXPECT_FALSE(item("Open1")->isEnabled());
    EXPECT_TRUE(item("M_Off")->isChecked());
    EXPECT_TRUE(item("M_Veqolize")->isChecked());
    EXPECT_TRUE(item("M_Vkeep")->isChecked());
    EXPECT_EQ(find<QLabel>("Volume")->text(), QStringLiteral("Volume"));
    EXPECT_EQ(slider()->value(), 65535);
    // Both toggles are on, as their marks show.
    EXPECT_TRUE(compensatesLoudness());
    EXPECT_TRUE(restoresVolumeOnClose());
}

TEST_F(WindowTest, EnteringSoundPlacesTheSliderFromTheStoredVolumeBeforeTheTone)
{
    radio("RB_Sound")->click();
    EXPECT_EQ(slider()->value(), 65335);
    ASSERT_GE(sound.calls.size(), 2u);
    // The slider's handler sets the stored volume, then the tone starts muted.
    EXPECT_EQ(sound.calls[0], SoundCall::setVolume(0x00C800C8));
    EXPECT_EQ(sound.calls[1], SoundCall::setVolume(0));
    // The stored volume is rederived from the slider's new position: 200 in both channels,
    // as the close saves it.
    form->close();
    EXPECT_EQ(storedSetting(settings::kVolumeName), QString::number(0x00C800C8));
}

TEST_F(WindowTest, LoudnessToggleRestartsOnlyInSoundMode)
{
    item("M_Veqolize")->trigger();
    EXPECT_FALSE(item("M_Veqolize")->isChecked());
    EXPECT_EQ(restarts(), 0);
    EXPECT_FALSE(compensatesLoudness());

    enterSound();
    item("M_Veqolize")->trigger();
    EXPECT_TRUE(item("M_Veqolize")->isChecked());
    EXPECT_EQ(restarts(), 1);
    EXPECT_TRUE(compensatesLoudness());

    item("M_Vkeep")->trigger();
    EXPECT_FALSE(item("M_Vkeep")->isChecked());
    EXPECT_EQ(restarts(), 1);
    EXPECT_FALSE(restoresVolumeOnClose());
}

struct ExitCase
{
    std::string name;
    bool keepVolume;
    std::vector<SoundCall> calls;
};

class ExitCommand : public WindowTest, public testing::WithParamInterface<ExitCase>
{
};

// Exit stops, hands the captured volume back and closes; the close stops again, frees the
// images and hands the volume back once more only while keep-volume is on.
TEST_P(ExitCommand, StopsRestoresThenClosesThroughTheCloseHandler)
{
    const ExitCase& c = GetParam();
    startWithSystemVolume(0x12345678);
    enterSound();
    if (!c.keepVolume)
        item("M_Vkeep")->trigger();
    form->show();
    item("M_Exit")->trigger();
    EXPECT_EQ(sound.calls, c.calls);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(engineState().ToneBufferA);
    EXPECT_FALSE(engineState().ToneBufferB);
}

INSTANTIATE_TEST_SUITE_P(
    Window, ExitCommand,
    testing::Values(ExitCase{"keep_volume",
                             true,
                             {SoundCall::stop(), SoundCall::setVolume(0x12345678),
                              SoundCall::stop(), SoundCall::setVolume(0x12345678)}},
                    ExitCase{
                        "keep_volume_off",
                        false,
                        {SoundCall::stop(), SoundCall::setVolume(0x12345678), SoundCall::stop()}}),
    CaseName<ExitCase>);

TEST_F(WindowTest, ClosingByTheTitleBarRestoresOnlyWithKeepVolume)
{
    startWithSystemVolume(0x1234);
    item("M_Vkeep")->trigger();
    form->show();
    form->close();
    EXPECT_EQ(sound.calls, std::vector{SoundCall::stop()});
}

} // namespace

namespace {

TEST_F(WindowTest, HelpCommandsAskTheViewerForTheirOwnPage)
{
    std::vector<ui::HelpCommand> asked;
    form->setHelpHandler([&asked](ui::HelpCommand command) { asked.push_back(command); });
    item("HowtoUseHelp1")->trigger();
    item("Contents1")->trigger();
    item("SearchforHelpOn1")->trigger();
    EXPECT_EQ(asked, (std::vector{ui::HelpCommand::HelpOnHelp, ui::HelpCommand::Contents,
                                  ui::HelpCommand::KeywordSearch}));
}

TEST_F(WindowTest, AboutShowsTheBoxWithoutDisablingTheWindow)
{
    QWidget box;
    form->setAboutBox(&box);
    form->show();
    item("About1")->trigger();
    EXPECT_TRUE(box.isVisible());
    EXPECT_TRUE(form->isEnabled());
}

} // namespace
