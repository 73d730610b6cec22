#include "TForm1.h"

#include "ErrorDisplay.h"
#include "StringPresetTable.h"
#include "WindowPlacement.h"
#include "controls/AutoSizeLabel.h"
#include "controls/FieldEdit.h"
#include "controls/MenuMarks.h"
#include "controls/PitchSpinEdit.h"
#include "controls/RadioButton.h"
#include "controls/UpDownArrows.h"
#include "controls/UserComboBox.h"
#include "controls/VolumeSlider.h"

#include "tone/NoteNames.h"
#include "tone/ReferencePitch.h"
#include "tone/TonePlayback.h"
#include "tone/VolumeEncoding.h"

#include <QAction>
#include <QCloseEvent>

namespace ui {

namespace {

// Adds with 32-bit wrap-around. Stored settings can hold any 32-bit note or octave, and
// stepping the largest one must not overflow.
std::int32_t WrappingAdd(std::int32_t value, std::int32_t step)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                     static_cast<std::uint32_t>(step));
}

} // namespace

TForm1::TForm1(tone::SoundService& sound, QWidget* parent) : QMainWindow(parent), sound_(sound)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Parvello"));
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    createMenu();
    createControls(client);
    setTabOrder();
    Pitch->setFocus();
    // The designed outer bounds; the stored placement replaces them at start-up.
    placement_ = new WindowPlacement(*this);
    placement_->setLeft(4);
    placement_->setTop(30);
    placement_->setOuterWidth(300);
    placement_->setOuterHeight(349);

    // Handlers are bound last, so that building the window runs none of them.
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::connectHandlers()
{
    connect(UpDown1, &UpDownArrows::clicked, this, &TForm1::UpDown1Click);
    connect(tone, &QLineEdit::textChanged, this, &TForm1::toneChange);
    connect(oct, &QLineEdit::textChanged, this, &TForm1::octChange);
    connect(Pitch, &PitchSpinEdit::textChanged, this, &TForm1::PitchChange);
    connect(Volume1, &VolumeSlider::changed, this, &TForm1::Volume1Change);
    connect(ComboBox1, &UserComboBox::userChanged, this, &TForm1::ComboBox1Change);
    void (TForm1::*stringHandlers[])(){&TForm1::SSelect1Click, &TForm1::SSelect2Click,
                                       &TForm1::SSelect3Click, &TForm1::SSelect4Click,
                                       &TForm1::SSelect5Click, &TForm1::SSelect6Click};
    const std::array<RadioButton*, 6> buttons = stringButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        connectOnSelect(buttons[i], stringHandlers[i]);
    connectOnSelect(RB_Sound, &TForm1::RB_SoundClick);
    connectOnSelect(RB_Measure, &TForm1::RB_MeasureClick);
    connectOnSelect(RB_Off, &TForm1::RB_OffClick);

    connect(M_Sound1, &QAction::triggered, this, &TForm1::M_Sound1Click);
    connect(M_Off, &QAction::triggered, this, &TForm1::M_OffClick);
    connect(M_Veqolize, &QAction::triggered, this, &TForm1::M_VeqolizeClick);
    connect(M_Vkeep, &QAction::triggered, this, &TForm1::M_VkeepClick);
    connect(M_Exit, &QAction::triggered, this, &TForm1::M_ExitClick);
    connect(Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
    connect(SearchforHelpOn1, &QAction::triggered, this, &TForm1::SearchforHelpOn1Click);
    connect(HowtoUseHelp1, &QAction::triggered, this, &TForm1::HowtoUseHelp1Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
}

void TForm1::connectOnSelect(RadioButton* button, void (TForm1::*handler)())
{
    // A radio button's click handler runs when it becomes checked, by the user or the
    // program; a click on the button that is already checked runs nothing.
    connect(button, &QAbstractButton::toggled, this, [this, handler](bool checked) {
        if (checked)
            (this->*handler)();
    });
}

std::array<RadioButton*, 6> TForm1::stringButtons() const
{
    return {SSelect1, SSelect2, SSelect3, SSelect4, SSelect5, SSelect6};
}

bool TForm1::inSoundMode() const
{
    return RB_Sound->isChecked();
}

void TForm1::Tone_Sound(long double frequency)
{
    tone::Tone_Sound(state_, sound_, frequency, tone::ReadReferencePitch(Pitch->text()),
                     Volume1->value());
}

// --- Note entry and stepping -------------------------------------------------------------

void TForm1::UpDown1Click(int direction)
{
    std::int32_t& note = state_.NoteIndex;
    std::int32_t& octave = state_.OctaveNumber;
    if (direction == 0) {
        note = WrappingAdd(note, 1);
        if (note == 13) {
            octave = WrappingAdd(octave, 1);
            note = 1;
            if (octave >= 8)
                octave = 0;
        }
    } else {
        note = WrappingAdd(note, -1);
        if (note == 0) {
            octave = WrappingAdd(octave, -1);
            note = 12;
            if (octave <= -1)
                octave = 7;
        }
    }
    state_.SuppressOctaveSound = true;
    // Each text that really changes runs its edit's handler here: the octave's consumes the
    // flag, the note's restarts the tone once in Sound mode.
    oct->setText(QString::number(octave));
    if (note >= tone::kFirstNoteIndex && note <= tone::kLastNoteIndex)
        tone->setText(tone::NoteName(note).toString());
}

void TForm1::toneChange()
{
    if (!inSoundMode())
        return;
    if (const std::optional<std::int32_t> note = tone::ParseNoteName(tone->text()))
        state_.NoteIndex = *note;
    // Also for a text that names no note: the tone restarts with the note unchanged.
    Tone_Sound(state_.CurrentFrequency);
}

void TForm1::octChange()
{
    if (const std::optional<std::int32_t> octave = tone::ParseOctaveText(oct->text()))
        state_.OctaveNumber = *octave;
    if (!inSoundMode()) {
        state_.SuppressOctaveSound = false;
    } else if (state_.SuppressOctaveSound) {
        state_.SuppressOctaveSound = false;
    } else {
        Tone_Sound(state_.CurrentFrequency);
    }
}

void TForm1::PitchChange()
{
    // The pitch is read from the field at every build, so outside Sound mode it simply takes
    // effect at the next tone.
    if (inSoundMode())
        Tone_Sound(state_.CurrentFrequency);
}

void TForm1::Volume1Change(int position)
{
    tone::ApplySliderVolume(state_, sound_, position);
}

// --- Instrument string presets -------------------------------------------------------------

void TForm1::ComboBox1Change()
{
    const int instrument = ComboBox1->currentIndex();
    if (instrument < 0 || instrument >= static_cast<int>(kInstrumentNames.size()))
        return;
    const std::array<RadioButton*, 6> buttons = stringButtons();
    const int shown = StringCount(instrument);
    for (int string = 1; string <= shown; ++string)
        buttons[string - 1]->setText(StringPresetCell(instrument, string)->noteName.toString());
    for (int i = 0; i < kStringButtonCount; ++i)
        buttons[i]->setVisible(i < shown);
    // Unchecking runs no handler, so choosing an instrument leaves the tone alone.
    for (RadioButton* button : buttons)
        button->setCheckedState(false);
}

void TForm1::SelectString(int string)
{
    if (const std::optional<StringPreset> preset =
            StringPresetCell(ComboBox1->currentIndex(), string)) {
        state_.OctaveNumber = preset->octave;
        state_.NoteIndex = preset->noteIndex;
        tone->setText(preset->noteName.toString());
        oct->setText(QString::number(preset->octave));
    }
    // Set after both edits were written: it silences the next octave change, not this one.
    state_.SuppressOctaveSound = true;
}

// --- Modes and menu commands ---------------------------------------------------------------

void TForm1::RB_SoundClick()
{
    marks->setMarked(M_Sound1, true);
    // The slider follows the stored volume; a change of position runs its handler.
    Volume1->setValue(tone::PositionOfPackedVolume(state_.OutputVolume));
    oct->setVisible(true);
    oct->setReadOnly(false);
    tone->setReadOnly(false);
    tone->setVisible(true);
    UpDown1->setEnabled(true);
    Volume->setText(QStringLiteral("SP Volume"));
    Tone_Sound(state_.CurrentFrequency);
}

void TForm1::RB_OffClick()
{
    marks->setMarked(M_Off, true);
    tone::StopTone(sound_);
    oct->setVisible(true);
    tone->setVisible(true);
    UpDown1->setEnabled(true);
    Volume->setText(QStringLiteral(" "));
}

void TForm1::RB_MeasureClick()
{
    tone::StopTone(sound_);
    oct->setReadOnly(true);
    tone->setReadOnly(true);
    oct->setVisible(true);
    tone->setVisible(true);
    UpDown1->setEnabled(true);
    Volume->setText(QStringLiteral("MIC Volume"));
}

void TForm1::M_Sound1Click()
{
    // From Off, checking the button runs RB_SoundClick already, so the tone starts twice.
    RB_Sound->setCheckedState(true);
    RB_SoundClick();
}

void TForm1::M_OffClick()
{
    RB_Off->setCheckedState(true);
    RB_OffClick();
}

void TForm1::M_VeqolizeClick()
{
    marks->setMarked(M_Veqolize, !marks->isMarked(M_Veqolize));
    state_.EqualizeEnabled = !state_.EqualizeEnabled;
    if (inSoundMode())
        Tone_Sound(state_.CurrentFrequency);
}

void TForm1::M_VkeepClick()
{
    marks->setMarked(M_Vkeep, !marks->isMarked(M_Vkeep));
    state_.KeepVolumeEnabled = !state_.KeepVolumeEnabled;
}

void TForm1::M_ExitClick()
{
    tone::StopTone(sound_);
    // Exit hands the captured volume back whatever keep-volume says.
    tone::RestoreSystemVolume(state_, sound_);
    close();
}

void TForm1::About1Click()
{
    if (!AboutBox)
        return;
    AboutBox->show();
    AboutBox->raise();
    AboutBox->activateWindow();
}

void TForm1::Contents1Click()
{
    if (helpHandler_)
        helpHandler_(HelpCommand::Contents);
}

void TForm1::SearchforHelpOn1Click()
{
    if (helpHandler_)
        helpHandler_(HelpCommand::KeywordSearch);
}

void TForm1::HowtoUseHelp1Click()
{
    if (helpHandler_)
        helpHandler_(HelpCommand::HelpOnHelp);
}

// --- Creation and close --------------------------------------------------------------------

void TForm1::FormCreate()
{
    // Settings that fail to load keep their defaults, and the rest of the start-up still
    // runs: the volume is captured and the toggles match their check marks.
    RunShowingErrors([this] { LoadSettings(); });
    // Also after a load that reported a failure: every bound is applied all the same.
    keepWithinReach();
    tone::StopTone(sound_);
    tone::CaptureSystemVolume(state_, sound_);
    state_.EqualizeEnabled = true;
    state_.KeepVolumeEnabled = true;
    state_.PlaybackSlot = 0;
    ComboBox1Change();
}

void TForm1::FormClose()
{
    // A store that cannot be written must not keep the user from closing the program while
    // a tone plays: its error is shown, and the close goes on.
    RunShowingErrors([this] { SaveSettings(); });
    // Stopped before the images are freed: the sound service may still be reading one.
    tone::StopTone(sound_);
    tone::ReleaseToneBuffers(state_);
    if (state_.KeepVolumeEnabled)
        tone::RestoreSystemVolume(state_, sound_);
}

void TForm1::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
    emit closed();
}

} // namespace ui
