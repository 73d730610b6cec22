#pragma once

#include "ErrorBoxRecorder.h"
#include "FakeSoundService.h"
#include "SettingsStoreSupport.h"

#include "ui/TForm1.h"
#include "ui/controls/PitchSpinEdit.h"
#include "ui/controls/RadioButton.h"
#include "ui/controls/UpDownArrows.h"

#include "tone/NoteFrequency.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>

#include <array>
#include <memory>
#include <vector>

// The frequency of a note at the default reference pitch.
inline long double At440(std::int32_t note, std::int32_t octave)
{
    return tone::NoteFrequency(440, note, octave);
}

// A sound service that also notes the frequency of every tone it is asked to play, read from
// the window's state when the image is handed over.
class ToneRecordingSoundService : public FakeSoundService
{
public:
    const tone::ToneState* state = nullptr;
    std::vector<long double> startedFrequencies;
    // For each stop, whether a tone image was still allocated when it came.
    std::vector<bool> imageHeldAtStop;

    void playLooped(std::span<const std::uint8_t> image) override
    {
        FakeSoundService::playLooped(image);
        startedFrequencies.push_back(state->CurrentFrequency);
    }
    void stop() override
    {
        FakeSoundService::stop();
        imageHeldAtStop.push_back(state && (state->ToneBufferA || state->ToneBufferB));
    }
    int count(SoundCall::Kind kind) const
    {
        int n = 0;
        for (const SoundCall& call : calls)
            n += call.kind == kind;
        return n;
    }
};

// The main window as the program makes it, with the tone engine's state open to the tests.
class TestedForm : public ui::TForm1
{
public:
    using ui::TForm1::TForm1;
    using ui::TForm1::toneState;
};

// The main window on a fake sound service and a settings store in a temporary folder, with
// what its creation asked of the service forgotten, so that a test sees only what its own
// actions cause. Error boxes are noted, not shown.
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
        sound.state = nullptr;
        form.reset();
        form = std::make_unique<TestedForm>(sound);
        sound.state = &form->toneState();
    }

    tone::ToneState& state() { return form->toneState(); }
    void forget()
    {
        sound.calls.clear();
        sound.startedFrequencies.clear();
        sound.imageHeldAtStop.clear();
    }
    int restarts() const { return static_cast<int>(sound.startedFrequencies.size()); }

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
    void setNote(std::int32_t note, std::int32_t octave, const char* noteText,
                 const char* octaveText)
    {
        state().NoteIndex = note;
        state().OctaveNumber = octave;
        const bool sound = radio("RB_Sound")->isChecked();
        // Written in Off mode, so that no handler restarts anything.
        if (sound)
            radio("RB_Off")->setCheckedState(true);
        edit("tone")->setText(QString::fromUtf8(noteText));
        edit("oct")->setText(QString::fromUtf8(octaveText));
        state().NoteIndex = note;
        state().OctaveNumber = octave;
        state().SuppressOctaveSound = false;
        if (sound)
            enterSound();
        forget();
    }
};
