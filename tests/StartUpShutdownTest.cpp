#include "NamedCase.h"
#include "SettingsWindowSupport.h"

#include <QSignalSpy>

namespace {

using namespace settings;

const std::vector<SoundCall> kCaptureAndMute = {SoundCall::stop(), SoundCall::readVolume(),
                                                SoundCall::setVolume(0)};

// The rest of the start-up has run: the tone is stopped, the volume captured and muted, and
// both toggles are on.
void ExpectStartedUp(const tone::ToneState& state, const ui::RadioButton& offButton,
                     const ToneRecordingSoundService& sound)
{
    EXPECT_EQ(sound.calls, kCaptureAndMute);
    EXPECT_TRUE(state.EqualizeEnabled);
    EXPECT_TRUE(state.KeepVolumeEnabled);
    EXPECT_EQ(state.PlaybackSlot, 0);
    EXPECT_TRUE(offButton.isChecked());
}

struct FirstRunCase
{
    std::string name;
    QLocale locale;
};

class FirstRun : public SettingsWindowTest, public testing::WithParamInterface<FirstRunCase>
{
};

// The built-in frequencies are read the same whatever the user's decimal separator.
TEST_P(FirstRun, OpensWithTheDefaultsAndLeavesAnEmptyStore)
{
    const ScopedDefaultLocale locale(GetParam().locale);
    startWith({});

    EXPECT_TRUE(errorBoxes.boxes.empty());
    EXPECT_EQ(form->frameGeometry(), QRect(20, 20, 300, 349));
    EXPECT_EQ(edit("oct")->text(), "4");
    EXPECT_EQ(edit("tone")->text(), "A");
    EXPECT_EQ(instrumentBox()->currentIndex(), 0);
    EXPECT_EQ(instrumentBox()->currentText(), "None");
    EXPECT_EQ(visibleStringButtons(), 0);
    EXPECT_EQ(pitch()->text(), "440");
    EXPECT_TRUE(item("M_Veqolize")->isChecked());
    EXPECT_TRUE(item("M_Vkeep")->isChecked());
    ExpectStartedUp(engineState(), *radio("RB_Off"), sound);
    EXPECT_TRUE(QFileInfo(settingsFolder.storeFile()).isFile());
    EXPECT_EQ(settingsFolder.storeFileContents(), QByteArray());
    // The frequencies, the volume, the note and the octave that the start gave the engine, as
    // the close saves them.
    form->close();
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), "440");
    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "440");
    EXPECT_EQ(storedSetting(kVolumeName), "200");
    EXPECT_EQ(storedSetting(kNoteIndexName), "10");
    EXPECT_EQ(storedSetting(kOctaveName), "4");
}

INSTANTIATE_TEST_SUITE_P(Window, FirstRun,
                         testing::Values(FirstRunCase{"full_stop_separator", QLocale::c()},
                                         FirstRunCase{"comma_separator",
                                                      QLocale(QLocale::German, QLocale::Germany)}),
                         CaseName<FirstRunCase>);

// A store that fails to load: the first error is shown, the values that failed take their
// defaults, every other value is loaded, and the start-up goes on.
struct LoadErrorCase
{
    std::string name;
    QByteArray file = {};
    QString shownText = {};
    QRect bounds = QRect(20, 20, 300, 349);
    long double previousFrequency = 440.0L;
    QString octText = "4";
    int instrument = 0;
    int stringButtons = 0;
    // The store file is a folder, which cannot be read, and every name it could be set aside
    // under is taken, the last by a folder that is not empty, which no rename replaces.
    bool unreadable = false;
};

class LoadError : public SettingsWindowTest, public testing::WithParamInterface<LoadErrorCase>
{
};

TEST_P(LoadError, IsShownAndTheWindowStillStartsUp)
{
    const LoadErrorCase& c = GetParam();
    if (c.unreadable) {
        startWith({});
        form.reset();
        ASSERT_TRUE(QFile::remove(settingsFolder.storeFile()));
        ASSERT_TRUE(QDir().mkpath(settingsFolder.storeFile()));
        ASSERT_TRUE(QDir().mkpath(settingsFolder.storeFile() + ".damaged"));
        for (int kept = 2; kept <= 9; ++kept) {
            const QString name = settingsFolder.storeFile() + ".damaged." + QString::number(kept);
            ASSERT_TRUE(QDir().mkpath(name + "/kept"));
        }
        forget();
        start();
    } else {
        startWith(c.file);
    }

    ASSERT_EQ(errorBoxes.boxes.size(), 1u);
    const ShownErrorBox& box = errorBoxes.boxes.front();
    EXPECT_EQ(box.text, c.shownText);
    EXPECT_EQ(box.title, "Parvello Jr.");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::Ok);
    EXPECT_EQ(form->frameGeometry(), c.bounds);
    EXPECT_EQ(engineState().PreviousFrequency, c.previousFrequency);
    EXPECT_EQ(instrumentBox()->currentIndex(), c.instrument);
    EXPECT_EQ(visibleStringButtons(), c.stringButtons);
    EXPECT_EQ(edit("oct")->text(), c.octText);
    // Whatever the file does not hold has the values that go with the start texts "A" and
    // "4"; the note and the octave show in the tone that Sound starts.
    EXPECT_EQ(engineState().CurrentFrequency, 440.0L);
    EXPECT_EQ(engineState().OutputVolume, 200);
    ExpectStartedUp(engineState(), *radio("RB_Off"), sound);

    forget();
    radio("RB_Sound")->click();
    EXPECT_EQ(startedTones(), TonesAt({At440(10, 4)}));
}

const QByteArray kNumber = "@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)";

INSTANTIATE_TEST_SUITE_P(
    Window, LoadError,
    testing::Values(LoadErrorCase{.name = "numeric_top_takes_its_default_and_the_rest_loads",
                                  .file = "[Locate]\nTop=" + kNumber + "\nLeft=100\n",
                                  .shownText = "'Top' のデータ型が不正です.",
                                  .bounds = QRect(100, 20, 300, 349)},
                    LoadErrorCase{.name = "numeric_width_keeps_top_and_left",
                                  .file = "[Locate]\nTop=40\nLeft=50\nWidth=" + kNumber + "\n",
                                  .shownText = "'Width' のデータ型が不正です.",
                                  .bounds = QRect(50, 40, 300, 349)},
                    LoadErrorCase{.name = "empty_frequency",
                                  .file = "[Setting]\nF_Sound_Old=300.5\nF_Sound=\nOctText=6\n",
                                  .shownText = "'' は浮動小数点数ではありません.",
                                  .previousFrequency = 300.5L,
                                  .octText = "6"},
                    LoadErrorCase{.name = "numeric_pitch_after_the_instrument",
                                  .file = "[Setting]\nItems=5\nPitch=" + kNumber + "\n",
                                  .shownText = "'Pitch' のデータ型が不正です.",
                                  .instrument = 5,
                                  .stringButtons = 6},
                    // Every value fails; the first failure is shown, once.
                    LoadErrorCase{.name = "unreadable_store",
                                  .shownText = "'Top' の取得に失敗しました.",
                                  .unreadable = true}),
    CaseName<LoadErrorCase>);

// --- Close ---------------------------------------------------------------------------------

struct CloseCase
{
    std::string name;
    bool keepVolume;
    std::vector<SoundCall> calls;
};

class Close : public SettingsWindowTest, public testing::WithParamInterface<CloseCase>
{
};

TEST_P(Close, SavesStopsFreesTheImagesAndRestoresOnlyWithKeepVolume)
{
    startWithSystemVolume(0x1234);
    if (!GetParam().keepVolume)
        item("M_Vkeep")->trigger();
    enterSound();
    step(0);
    forget();
    form->show();
    QSignalSpy closed(form.get(), &ui::TForm1::closed);

    form->close();

    EXPECT_EQ(sound.calls, GetParam().calls);
    EXPECT_EQ(sound.imageHeldAtStop, std::vector{true});
    EXPECT_FALSE(engineState().ToneBufferA);
    EXPECT_FALSE(engineState().ToneBufferB);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    // The last tone built, A#4, and the one before it.
    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "466.16376151809");
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), "440");
    EXPECT_EQ(storedSetting(kNoteTextName), "A#");
}

INSTANTIATE_TEST_SUITE_P(Window, Close,
                         testing::Values(CloseCase{"keep_volume",
                                                   true,
                                                   {SoundCall::stop(),
                                                    SoundCall::setVolume(0x1234)}},
                                         CloseCase{"keep_volume_off", false, {SoundCall::stop()}}),
                         CaseName<CloseCase>);

TEST_F(SettingsWindowTest, CloseWithoutAToneSavesTheLoadedFrequency)
{
    startWith("[Setting]\nF_Sound=300.5\n");
    form->close();
    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "300.5");
}

// A store that cannot be written: the error is shown while the tone still plays, then the
// close goes on, and the program ends.
struct SaveErrorCase
{
    std::string name;
    QString shownText = {};
    // Makes the store fail; stays in force until the close is over.
    std::function<std::shared_ptr<void>(const TemporarySettingsFolder&)> breakStore;
};

class SaveError : public SettingsWindowTest, public testing::WithParamInterface<SaveErrorCase>
{
};

TEST_P(SaveError, IsShownAndTheCloseStillFinishes)
{
    startWithSystemVolume(0x1234);
    enterSound();
    form->show();
    QSignalSpy closed(form.get(), &ui::TForm1::closed);
    std::size_t callsWhenShown = 99;
    errorBoxes.onShow = [&] { callsWhenShown = sound.calls.size(); };
    {
        const std::shared_ptr<void> broken = GetParam().breakStore(settingsFolder);
        form->close();
    }

    ASSERT_EQ(errorBoxes.boxes.size(), 1u);
    EXPECT_EQ(errorBoxes.boxes[0].text, GetParam().shownText);
    EXPECT_EQ(callsWhenShown, 0u);
    EXPECT_EQ(sound.calls, (std::vector{SoundCall::stop(), SoundCall::setVolume(0x1234)}));
    EXPECT_EQ(sound.imageHeldAtStop, std::vector{true});
    EXPECT_FALSE(engineState().ToneBufferA);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Window, SaveError,
    testing::Values(SaveErrorCase{"store_folder_is_a_file", "キー Locate の作成に失敗しました.",
                                  [](const TemporarySettingsFolder& folder) {
                                      EXPECT_TRUE(QDir(folder.storeFolder()).removeRecursively());
                                      QFile blocker(folder.storeFolder());
                                      EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
                                      return std::shared_ptr<void>();
                                  }},
                    // Every write fails, but only the first is tried.
                    SaveErrorCase{"full_disk", "'Top' の設定に失敗しました.",
                                  [](const TemporarySettingsFolder& folder) {
                                      folder.writeStoreFile("[Locate]\nTop=1\n");
                                      return std::static_pointer_cast<void>(
                                          std::make_shared<FullDisk>());
                                  }}),
    CaseName<SaveErrorCase>);

} // namespace
