#include "NamedCase.h"
#include "SettingsWindowSupport.h"

#include "settings/StoreFile.h"

#include "ui/controls/UserComboBox.h"
#include "ui/controls/VolumeSlider.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <vector>

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
    // C5, then C#4 built from it: the last tone is C#4, the one before it C5.
    enterSound();
    type(edit("oct"), "5");
    type(edit("tone"), "C");
    radio("RB_Off")->click();
    step(0); // C#5, no tone in Off mode
    type(edit("oct"), "4");
    radio("RB_Sound")->click();
    radio("RB_Off")->click();
    // The fields show C# and 6 while the engine holds octave 3, which a run reaches only from
    // a store edited by hand, when it starts.
    type(edit("oct"), "6");
    setUnreachableState([](tone::ToneState& engine) { engine.OctaveNumber = 3; });
    // The slider at the top, the loudest.
    QTest::keyClick(slider(), Qt::Key_Home);
    instrumentBox()->setCurrentIndex(4);
    pitch()->setText("445");

    restart();

    EXPECT_EQ(storedSetting(kCurrentFrequencyName), c.currentText);
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), c.previousText);
    EXPECT_EQ(form->frameGeometry(), QRect(100, 120, 320, 360));
    EXPECT_EQ(edit("oct")->text(), "6");
    EXPECT_EQ(edit("tone")->text(), "C#");
    EXPECT_EQ(instrumentBox()->currentIndex(), 4);
    EXPECT_EQ(instrumentBox()->currentText(), "ContraBass");
    EXPECT_EQ(visibleStringButtons(), 5);
    EXPECT_EQ(pitch()->text(), "445");
    // The slider stays at the bottom until Sound mode places it from the volume.
    EXPECT_EQ(slider()->value(), 65535);
    EXPECT_EQ(restarts(), 0);
    EXPECT_TRUE(errorBoxes.boxes.empty());
    // The frequencies, the note, the octave and the volume as loaded, as the next close saves
    // them again.
    form->close();
    EXPECT_EQ(storedSetting(kCurrentFrequencyName), c.currentText);
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), c.previousText);
    EXPECT_EQ(storedSetting(kNoteIndexName), "2");
    EXPECT_EQ(storedSetting(kOctaveName), "3");
    EXPECT_EQ(storedSetting(kVolumeName), "-1");
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
    // The highest octave that a store can hold makes the tone's frequency infinite.
    startWithStoredNote(10, std::numeric_limits<std::int32_t>::max(), "A", "4");
    enterSound();
    // No note makes a frequency that is not a number.
    setUnreachableState([](tone::ToneState& engine) {
        engine.PreviousFrequency = std::numeric_limits<long double>::quiet_NaN();
    });
    restart();

    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "440");
    EXPECT_EQ(storedSetting(kPreviousFrequencyName), "440");
    EXPECT_TRUE(errorBoxes.boxes.empty());
    // As loaded, and saved again.
    form->close();
    EXPECT_EQ(storedSetting(kCurrentFrequencyName), "440");
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
    EXPECT_EQ(edit("oct")->text(), c.octText);
    EXPECT_EQ(edit("tone")->text(), "A");
    EXPECT_TRUE(errorBoxes.boxes.empty());
    EXPECT_EQ(sound.count(SoundCall::Kind::PlayLooped), 0);
    // The note and octave as loaded, as the close saves them again.
    form->close();
    EXPECT_EQ(storedSetting(kNoteIndexName), QString::number(c.noteIndex));
    EXPECT_EQ(storedSetting(kOctaveName), QString::number(c.octave));
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

TEST_P(StoredPlacement, OpensWhereItsTitleBarAndMenuBarCanBeReached)
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
        PlacementCase{"title_bar_above_the_top_edge", "Top=-300\n", kDefaultPlacement},
        PlacementCase{"title_bar_just_above_the_top_edge", "Left=-3\nTop=-30\n", kDefaultPlacement},
        PlacementCase{"only_a_corner_on_the_screen", "Left=-296\nTop=-345\n", kDefaultPlacement},
        PlacementCase{"a_sliver_left_on_the_screen", "Left=-280\n", kDefaultPlacement},
        PlacementCase{"just_left_of_the_screen", "Left=-300\nTop=50\nWidth=300\n",
                      kDefaultPlacement},
        PlacementCase{"on_a_removed_monitor", "Left=5000\nTop=50\nWidth=400\nHeight=500\n",
                      kDefaultPlacement},
        PlacementCase{"far_above", "Top=-2000\n", kDefaultPlacement}),
    CaseName<PlacementCase>);

// --- Damaged stores -----------------------------------------------------------------------

// A store that a hand edit, a crash or another program left damaged, each by the smallest
// file that shows the damage. Where the file keeps anything, it keeps a pitch of 442, which
// must survive the start, the close and the next start.
struct DamagedStoreCase
{
    std::string name;
    QByteArray file = {};
    // Puts what else makes the damage into the store's folder.
    std::function<void(const TemporarySettingsFolder&)> placeMore = {};
    // The one error box of the start and of the close, if any; %1 stands for the store file.
    QString startError = {};
    QString closeError = {};
    QRect opensAt = kDefaultPlacement;
    QString pitch = "442";
    // What ParvelloJr.conf.damaged holds afterwards (as StoreEntry gives it), when the file
    // was set aside; the close then wrote a fresh one.
    QByteArray setAside = {};
};

// What stands at a path, through symlinks: a regular file's bytes, or the kind of anything
// else (a FIFO is never opened).
QByteArray StoreEntry(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link
    {
    };
    struct stat target
    {
    };
    if (lstat(name, &link) != 0)
        return "nothing";
    const QByteArray symlink = S_ISLNK(link.st_mode) ? "symlink to " : "";
    if (stat(name, &target) != 0 || !S_ISREG(target.st_mode))
        return symlink + (S_ISFIFO(target.st_mode) ? "fifo" : "something else");
    QFile file(path);
    return symlink + "file " + (file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable");
}

// Makes a FIFO in the store's folder, and a symlink to it at path.
void LinkToAFifo(const TemporarySettingsFolder& folder, const QString& path)
{
    const QString fifo = folder.storeFolder() + "/fifo";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, path));
}

class DamagedStore : public SettingsWindowTest, public testing::WithParamInterface<DamagedStoreCase>
{
protected:
    std::vector<QString> shownErrors()
    {
        std::vector<QString> texts;
        for (const ShownErrorBox& box : errorBoxes.boxes)
            texts.push_back(box.text);
        errorBoxes.boxes.clear();
        return texts;
    }
    std::vector<QString> expected(const QString& error) const
    {
        if (error.isEmpty())
            return {};
        return {error.arg(settingsFolder.storeFile())};
    }
    QString shownPitch() const { return form->findChild<ui::PitchSpinEdit*>("Pitch")->text(); }
};

TEST_P(DamagedStore, CostsOnlyWhatWasDamagedAndTheWindowStillOpensAndCloses)
{
    const DamagedStoreCase& c = GetParam();
    startWith(c.file, c.placeMore);
    // As the event loop does first.
    form->show();
    EXPECT_EQ(shownErrors(), expected(c.startError));
    EXPECT_EQ(form->frameGeometry(), c.opensAt);
    EXPECT_EQ(shownPitch(), c.pitch);

    QElapsedTimer closing;
    closing.start();
    form->close();
    // Generous: a lock file in the way is waited for half a second at most.
    EXPECT_LT(closing.elapsed(), 5000);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(shownErrors(), expected(c.closeError));
    EXPECT_EQ(StoreEntry(settingsFolder.storeFile() + ".damaged"),
              c.setAside.isEmpty() ? "nothing" : c.setAside);
    if (!c.setAside.isEmpty()) {
        EXPECT_TRUE(StoreEntry(settingsFolder.storeFile()).startsWith("file "));
    }

    start();
    EXPECT_EQ(shownErrors(), std::vector<QString>());
    EXPECT_EQ(form->frameGeometry(), c.opensAt);
    EXPECT_EQ(shownPitch(), c.pitch);
}

// 300 values of another program's, in 8108 bytes: the program's own values take the file past
// 8 KiB.
QByteArray OtherSection()
{
    QByteArray section = "[Other]\n";
    for (int i = 0; i < 300; ++i)
        section += 'K' + QByteArray::number(i).rightJustified(4, '0') + '=' + QByteArray(20, 'v') + '\n';
    return section;
}

const QByteArray kPitch442 = "[Setting]\nPitch=442\n";
const QByteArray kJunkFirst = "junk\n" + kPitch442;
const QByteArray kTooLarge =
    kPitch442 + ';' + QByteArray(StoreFile::kLargestPlausibleSize, 'x') + '\n';

INSTANTIATE_TEST_SUITE_P(
    Window, DamagedStore,
    testing::Values(
        DamagedStoreCase{.name = "window_of_no_width", .file = "[Locate]\nWidth=0\n" + kPitch442},
        DamagedStoreCase{.name = "bounds_that_overflow",
                         .file = "[Locate]\nTop=2147483647\nWidth=-2147483648\n" + kPitch442},
        DamagedStoreCase{.name = "frequency_that_is_no_number",
                         .file = "[Setting]\nF_Sound_Old=nan\nPitch=442\n",
                         .startError = "'nan' は浮動小数点数ではありません."},
        DamagedStoreCase{.name = "long_frequency_text_quoted_by_its_beginning",
                         .file = "[Setting]\nF_Sound=" + QByteArray(101, 'x') + "\nPitch=442\n",
                         .startError = "'" + QString(100, u'x') +
                                       "…' は浮動小数点数ではありません."},
        // Typed values are never decoded: in the program's own values they are of the wrong
        // type, elsewhere they are kept as their text.
        DamagedStoreCase{.name = "value_of_an_unknown_type",
                         .file = "[Setting]\nToneText=@Variant(\\0\\0\\x12\\x34abcd)\nPitch=442\n",
                         .startError = "'ToneText' のデータ型が不正です."},
        // The second item of a list, its "@" written as an escape.
        DamagedStoreCase{
            .name = "list_of_2147483647_values_in_another_section",
            .file = "[Other]\nK=\"a,b\", \\x40Variant(\\0\\0\\0\\t\\x7f\\xff\\xff\\xff)\n" +
                    kPitch442},
        DamagedStoreCase{.name = "other_section_that_the_save_takes_past_8_kib",
                         .file = kPitch442 + OtherSection()},
        DamagedStoreCase{.name = "junk_before_the_first_section",
                         .file = kJunkFirst,
                         .startError = "読み込めない設定ファイルを %1.damaged に移しました.",
                         .pitch = "440",
                         .setAside = "file " + kJunkFirst},
        DamagedStoreCase{.name = "larger_than_a_settings_file",
                         .file = kTooLarge,
                         .startError = "読み込めない設定ファイルを %1.damaged に移しました.",
                         .pitch = "440",
                         .setAside = "file " + kTooLarge},
        DamagedStoreCase{.name = "fifo_behind_a_symlink",
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 LinkToAFifo(folder, folder.storeFile());
                             },
                         .startError = "読み込めない設定ファイルを %1.damaged に移しました.",
                         .pitch = "440",
                         .setAside = "symlink to fifo"},
        DamagedStoreCase{.name = "fresh_empty_lock_file",
                         .file = kPitch442,
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 QFile lock(folder.storeFile() + ".lock");
                                 ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
                             }},
        // A lock file that is no regular file holds no lock, and is neither waited for nor
        // opened.
        DamagedStoreCase{.name = "lock_file_that_is_a_folder",
                         .file = kPitch442,
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 ASSERT_TRUE(QDir().mkpath(folder.storeFile() + ".lock"));
                             }},
        DamagedStoreCase{.name = "lock_file_that_is_a_fifo",
                         .file = kPitch442,
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 const QString lock = folder.storeFile() + ".lock";
                                 ASSERT_EQ(mkfifo(QFile::encodeName(lock), 0600), 0);
                             }},
        DamagedStoreCase{.name = "lock_file_that_is_a_dangling_symlink",
                         .file = kPitch442,
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 ASSERT_TRUE(QFile::link(folder.storeFolder() + "/gone",
                                                         folder.storeFile() + ".lock"));
                             }},
        DamagedStoreCase{.name = "oversized_store_beside_a_lock_symlinked_to_a_fifo",
                         .file = kTooLarge,
                         .placeMore =
                             [](const TemporarySettingsFolder& folder) {
                                 LinkToAFifo(folder, folder.storeFile() + ".lock");
                             },
                         .startError = "読み込めない設定ファイルを %1.damaged に移しました.",
                         .pitch = "440",
                         .setAside = "file " + kTooLarge}),
    CaseName<DamagedStoreCase>);

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
