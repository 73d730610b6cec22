#pragma once

#include "ErrorBoxRecorder.h"
#include "FakeSoundService.h"
#include "SettingsStoreSupport.h"
#include "StartedTone.h"

#include "settings/SettingsLayout.h"
#include "settings/SettingsStore.h"
#include "ui/TForm1.h"
#include "ui/controls/PitchSpinEdit.h"
#include "ui/controls/RadioButton.h"
#include "ui/controls/UpDownArrows.h"

#include "tone/NoteFrequency.h"
#include "tone/VolumeEncoding.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <array>
#include <functional>
#include <memory>
#include <vector>

// The frequency of a note at the default reference pitch.
inline long double At440(std::int32_t note, std::int32_t octave)
{
    return tone::NoteFrequency(440, note, octave);
}

// A sound service that also tells the tones it is asked to play apart, by their images, and
// notes at each stop whether the window still held a tone image.
class ToneRecordingSoundService : public FakeSoundService
{
public:
    // Whether the window holds a tone image; asked at each stop.
    std::function<bool()> holdsImage;
    // For each stop, whether a tone image was still allocated when it came.
    std::vector<bool> imageHeldAtStop;

    void stop() override
    {
        FakeSoundService::stop();
        imageHeldAtStop.push_back(holdsImage && holdsImage());
    }
    int count(SoundCall::Kind kind) const
    {
        int n = 0;
        for (const SoundCall& call : calls)
            n += call.kind == kind;
        return n;
    }
    // The tones handed over to play, in order.
    std::vector<StartedTone> startedTones() const
    {
        std::vector<StartedTone> tones;
        for (const SoundCall& call : calls) {
            if (call.kind == SoundCall::Kind::PlayLooped)
                tones.push_back({call.image, std::nullopt});
        }
        return tones;
    }
};

// The main window as the program makes it. Its tone engine's state is open to the fixture
// alone, for the two helpers that say why they need it.
class TestedForm : public ui::TForm1
{
public:
    using ui::TForm1::TForm1;

private:
    friend class WindowTest;
};

// The main window on a fake sound service and a settings store in a temporary folder, with
// what its creation asked of the service forgotten, so that a test sees only what its own
// actions cause. Error boxes are noted, not shown. A test drives the window as a user does
// and reads what the user sees and what the sound service is asked; the probes below read
// the rest as a user meets it.
class WindowTest : public testing::Test
{
protected:
    TemporarySettingsFolder settingsFolder;
    ErrorBoxRecorder errorBoxes;
    ToneRecordingSoundService sound;
    std::unique_ptr<TestedForm> form;

    void SetUp() override
    {
        ASSERT_TRUE(settingsFolder.isValid());
        start();
        forget();
    }

    // Creates the main window as a start of the program does; it loads the stored settings.
    // A window that is there already goes without saving anything.
    void start()
    {
        sound.holdsImage = nullptr;
        form.reset();
        form = std::make_unique<TestedForm>(sound);
        sound.holdsImage = [this] {
            const tone::ToneState& engine = engineState();
            return engine.ToneBufferA || engine.ToneBufferB;
        };
    }

    // Starts the program on a store file written by hand; an empty text gives a first run,
    // with no store at all. placeMore, when given, then puts what else the test needs into
    // the store's folder (which it creates).
    void startWith(const QByteArray& storeFile,
                   const std::function<void(const TemporarySettingsFolder&)>& placeMore = {})
    {
        form.reset();
        ASSERT_TRUE(QDir(settingsFolder.storeFolder()).removeRecursively());
        if (!storeFile.isEmpty())
            settingsFolder.writeStoreFile(storeFile);
        if (placeMore) {
            ASSERT_TRUE(QDir().mkpath(settingsFolder.storeFolder()));
            placeMore(settingsFolder);
        }
        start();
    }

    // Starts the program, in Off mode, on a note that a user left in the store's file: the
    // note and octave numbers and the texts of the note and octave fields, which need not
    // name the same note. What the start asked of the sound service is forgotten.
    void startWithStoredNote(std::int32_t note, std::int32_t octave, const char* noteText,
                             const char* octaveText)
    {
        startWith("[Setting]\nKeyupdown=" + QByteArray::number(note) +
                  "\nOctave=" + QByteArray::number(octave) + "\nToneText=\"" + noteText +
                  "\"\nOctText=\"" + octaveText + "\"\n");
        forget();
    }

    // Starts the program on a system whose output volume reads `volume`, which the start-up
    // captures, and forgets what the start asked of the sound service.
    void startWithSystemVolume(std::uint32_t volume)
    {
        sound.outputVolume = volume;
        start();
        forget();
    }

    void forget()
    {
        sound.calls.clear();
        sound.imageHeldAtStop.clear();
    }
    int restarts() const { return sound.count(SoundCall::Kind::PlayLooped); }
    std::vector<StartedTone> startedTones() const { return sound.startedTones(); }

    // A stored text, or "<missing>".
    static QString stored(QStringView section, QStringView name)
    {
        return settings::SettingsStore().ReadTextSetting(section, name, u"<missing>");
    }
    static QString storedSetting(QStringView name)
    {
        return stored(settings::kSettingSection, name);
    }

    // A control or menu item of the window, by the object name that the window gives it.
    template <class Control> Control* find(const char* name) const
    {
        auto* control = form->findChild<Control*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << "the window has no " << name;
        return control;
    }
    QLineEdit* edit(const char* name) const { return find<QLineEdit>(name); }
    ui::PitchSpinEdit* pitch() const { return find<ui::PitchSpinEdit>("Pitch"); }
    ui::RadioButton* radio(const char* name) const { return find<ui::RadioButton>(name); }
    QAction* item(const char* name) const { return find<QAction>(name); }
    QComboBox* instrumentBox() const { return find<QComboBox>("ComboBox1"); }
    QSlider* slider() const { return find<QSlider>("Volume1"); }
    // The string buttons from the left.
    std::array<ui::RadioButton*, 6> stringButtons() const
    {
        return {radio("SSelect1"), radio("SSelect2"), radio("SSelect3"),
                radio("SSelect4"), radio("SSelect5"), radio("SSelect6")};
    }

    // Clicks the stepper's upper arrow for direction 0, its lower arrow for direction 1.
    void step(int direction) const
    {
        auto* stepper = find<ui::UpDownArrows>("UpDown1");
        (direction == 0 ? stepper->upButton() : stepper->downButton())->click();
    }
    // Picks entry `index` of the instrument box as the box reports a pick from its list
    // (UserComboBoxTest picks from the list itself).
    void pickInstrument(int index) const
    {
        QComboBox* box = instrumentBox();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    int stops() const { return sound.count(SoundCall::Kind::Stop); }

    // Selects Sound mode by clicking its button, then forgets the tone that started.
    void enterSound()
    {
        radio("RB_Sound")->click();
        forget();
    }
    // Replaces the text of an edit by typing, as a user who selects it all and types.
    void type(QLineEdit* field, const char* text) const
    {
        field->selectAll();
        QTest::keyClicks(field, QString::fromUtf8(text));
    }

    // --- Probes: what the engine holds, read as a user meets it ---------------------------
    // Each leaves the record of the sound service's calls as it was, but not the window: a
    // test asks them once nothing later depends on the mode, the octave or the tones built.

    // The tone that a restart plays now, the user choosing Sound from the menu: the tone of
    // the note and octave that the engine holds, at the pitch that the field shows. The window
    // is in Sound mode afterwards, its slider at the stored volume.
    StartedTone nextTone()
    {
        const std::vector<SoundCall> before = sound.calls;
        item("M_Sound1")->trigger();
        const std::vector<StartedTone> started = sound.startedTones();
        sound.calls = before;
        if (started.empty()) {
            ADD_FAILURE() << "choosing Sound started no tone";
            return {};
        }
        return started.back();
    }

    // Whether the next change of the octave field restarts no tone, as the one-shot flag that
    // a step or a string button sets makes it: the user types another octave in Sound mode,
    // chosen from the menu first when the window is off.
    bool nextOctaveChangeIsSilent()
    {
        const std::vector<SoundCall> before = sound.calls;
        if (!radio("RB_Sound")->isChecked())
            item("M_Sound1")->trigger();
        const int started = restarts();
        type(edit("oct"), edit("oct")->text() == "1" ? "2" : "1");
        const bool silent = restarts() == started;
        sound.calls = before;
        return silent;
    }

    // Whether a tone starts at a volume compensated for its loudness: the user types octave 0
    // in Sound mode and chooses Sound twice, the second start at the volume of the band of
    // the low tone that the first (or the octave change) built. Holds for a stored volume
    // other than the loudest, whose position no band moves.
    bool compensatesLoudness()
    {
        const std::vector<SoundCall> before = sound.calls;
        if (!radio("RB_Sound")->isChecked())
            item("M_Sound1")->trigger();
        type(edit("oct"), "0");
        item("M_Sound1")->trigger();
        item("M_Sound1")->trigger();
        const bool compensated =
            sound.lastVolumeSet() != tone::PackedVolumeOfPosition(slider()->value());
        sound.calls = before;
        return compensated;
    }

    // Whether the close hands the volume captured at start-up back: the user closes the
    // window, and the sound service is given a volume after the tone has stopped.
    bool restoresVolumeOnClose()
    {
        forget();
        form->close();
        return !sound.calls.empty() && sound.calls.back().kind == SoundCall::Kind::SetVolume;
    }

    // --- The engine's state itself, for what no user action reaches or shows -----------------

    // What the engine holds that neither a control shows nor the sound service is handed, at
    // a point where no probe can read it without changing what the test goes on to check: the
    // tone images held, the buffer played last, the toggles just after start-up and the
    // values just loaded. Read only.
    const tone::ToneState& engineState() const { return form->toneState(); }

    // Sets what no user action reaches, and nothing else: every other state a test reaches as
    // the user does.
    void setUnreachableState(const std::function<void(tone::ToneState&)>& change)
    {
        change(form->toneState());
    }
};
