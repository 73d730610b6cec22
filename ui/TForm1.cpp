#include "TForm1.h"

#include "DesignColours.h"
#include "DesignFonts.h"
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

#include "desktop/ShowInFront.h"
#include "tone/NoteNames.h"
#include "tone/ReferencePitch.h"
#include "tone/StartTone.h"
#include "tone/TonePlayback.h"
#include "tone/VolumeEncoding.h"

#include "ui_TForm1.h"

#include <QAction>
#include <QCloseEvent>

#include <algorithm>

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

TForm1::TForm1(tone::SoundService& sound, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TForm1>()), sound_(sound)
{
    // The window as TForm1.ui designs it. Nothing is anchored to the window's edges, so
    // resizing the window moves no control.
    ui_->setupUi(this);
    // The fields start on the tone that the engine starts with.
    ui_->oct->setText(QString::number(tone::kStartOctave));
    ui_->tone->setText(tone::NoteName(tone::kStartNoteIndex).toString());
    ui_->Pitch->setValue(tone::kStartReferencePitch);
    ApplyDesignFonts(*this);
    new DesignColours(*this);
    fitCaptions();
    // Selecting no entry, as the form does last, empties the instrument box's text; it shows
    // its first entry's text until the stored instrument is restored.
    ui_->ComboBox1->setEditText(ui_->ComboBox1->itemText(0));
    trackMenuMarks();
    // The designed outer bounds, frame included; the stored placement replaces them at
    // start-up.
    placement_ = new WindowPlacement(*this);
    const QRect designed = designedBounds();
    placement_->setLeft(designed.left());
    placement_->setTop(designed.top());
    placement_->setOuterWidth(designed.width());
    placement_->setOuterHeight(designed.height());

    // Handlers are bound last, so that building the window runs none of them.
    connectHandlers();
    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::fitCaptions()
{
    // A label that follows its caption fits it now that it has its font. Any other keeps its
    // designed box, widened where its stand-in face draws the caption wider than the designed
    // face did, so that no caption is cut off.
    for (QLabel* label : ui_->client->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (auto* autoSized = qobject_cast<AutoSizeLabel*>(label))
            autoSized->refit();
        else
            label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    }
}

void TForm1::trackMenuMarks()
{
    // The form gives each item its first mark; from then on only the handlers change them.
    marks = new MenuMarks(this);
    for (QAction* action : findChildren<QAction*>()) {
        if (action->isCheckable())
            marks->track(action);
    }
}

void TForm1::connectHandlers()
{
    connect(ui_->UpDown1, &UpDownArrows::clicked, this, &TForm1::UpDown1Click);
    connect(ui_->tone, &QLineEdit::textChanged, this, &TForm1::toneChange);
    connect(ui_->oct, &QLineEdit::textChanged, this, &TForm1::octChange);
    connect(ui_->Pitch, &PitchSpinEdit::textChanged, this, &TForm1::PitchChange);
    connect(ui_->Volume1, &VolumeSlider::changed, this, &TForm1::Volume1Change);
    connect(ui_->ComboBox1, &UserComboBox::userChanged, this, &TForm1::ComboBox1Change);
    void (TForm1::*stringHandlers[])(){&TForm1::SSelect1Click, &TForm1::SSelect2Click,
                                       &TForm1::SSelect3Click, &TForm1::SSelect4Click,
                                       &TForm1::SSelect5Click, &TForm1::SSelect6Click};
    const std::array<RadioButton*, 6> buttons = stringButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        connectOnSelect(buttons[i], stringHandlers[i]);
    connectOnSelect(ui_->RB_Sound, &TForm1::RB_SoundClick);
    connectOnSelect(ui_->RB_Measure, &TForm1::RB_MeasureClick);
    connectOnSelect(ui_->RB_Off, &TForm1::RB_OffClick);

    connect(ui_->M_Sound1, &QAction::triggered, this, &TForm1::M_Sound1Click);
    connect(ui_->M_Off, &QAction::triggered, this, &TForm1::M_OffClick);
    connect(ui_->M_Veqolize, &QAction::triggered, this, &TForm1::M_VeqolizeClick);
    connect(ui_->M_Vkeep, &QAction::triggered, this, &TForm1::M_VkeepClick);
    connect(ui_->M_Exit, &QAction::triggered, this, &TForm1::M_ExitClick);
    connect(ui_->Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
    connect(ui_->SearchforHelpOn1, &QAction::triggered, this, &TForm1::SearchforHelpOn1Click);
    connect(ui_->HowtoUseHelp1, &QAction::triggered, this, &TForm1::HowtoUseHelp1Click);
    connect(ui_->About1, &QAction::triggered, this, &TForm1::About1Click);
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

QRect TForm1::designedBounds() const
{
    return property("outerBounds").toRect();
}

std::array<RadioButton*, 6> TForm1::stringButtons() const
{
    return {ui_->SSelect1, ui_->SSelect2, ui_->SSelect3,
            ui_->SSelect4, ui_->SSelect5, ui_->SSelect6};
}

bool TForm1::inSoundMode() const
{
    return ui_->RB_Sound->isChecked();
}

void TForm1::Tone_Sound(long double frequency)
{
    tone::Tone_Sound(state_, sound_, frequency, tone::ReadReferencePitch(ui_->Pitch->text()),
                     ui_->Volume1->value());
}

// --- Note entry and stepping -------------------------------------------------------------

void TForm1::UpDown1Click(int direction)
{
    std::int32_t& note = state_.NoteIndex;
    std::int32_t& octave = state_.OctaveNumber;
    if (direction == UpDownArrows::kNext) {
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
    ui_->oct->setText(QString::number(octave));
    if (note >= tone::kFirstNoteIndex && note <= tone::kLastNoteIndex)
        ui_->tone->setText(tone::NoteName(note).toString());
}

void TForm1::toneChange()
{
    if (!inSoundMode())
        return;
    if (const std::optional<std::int32_t> note = tone::ParseNoteName(ui_->tone->text()))
        state_.NoteIndex = *note;
    // Also for a text that names no note: the tone restarts with the note unchanged.
    Tone_Sound(state_.CurrentFrequency);
}

void TForm1::octChange()
{
    if (const std::optional<std::int32_t> octave = tone::ParseOctaveText(ui_->oct->text()))
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
    const int index = ui_->ComboBox1->currentIndex();
    if (index < 0 || index >= ui_->ComboBox1->count())
        return;
    // The entry's own text, whatever the user may have typed into the box.
    const QString instrument = ui_->ComboBox1->itemText(index);
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
    // No entry selected (the index -1) names no instrument.
    const QString instrument = ui_->ComboBox1->itemText(ui_->ComboBox1->currentIndex());
    if (const std::optional<StringPreset> preset = StringPresetCell(instrument, string)) {
        state_.OctaveNumber = preset->octave;
        state_.NoteIndex = preset->noteIndex;
        ui_->tone->setText(preset->noteName.toString());
        ui_->oct->setText(QString::number(preset->octave));
    }
    // Set after both edits were written: it silences the next octave change, not this one.
    state_.SuppressOctaveSound = true;
}

// --- Modes and menu commands ---------------------------------------------------------------

void TForm1::RB_SoundClick()
{
    marks->setMarked(ui_->M_Sound1, true);
    // The slider follows the stored volume; a change of position runs its handler.
    ui_->Volume1->setValue(tone::PositionOfPackedVolume(state_.OutputVolume));
    ui_->oct->setVisible(true);
    ui_->oct->setReadOnly(false);
    ui_->tone->setReadOnly(false);
    ui_->tone->setVisible(true);
    ui_->UpDown1->setEnabled(true);
    ui_->Volume->setText(QStringLiteral("SP Volume"));
    Tone_Sound(state_.CurrentFrequency);
}

void TForm1::RB_OffClick()
{
    marks->setMarked(ui_->M_Off, true);
    tone::StopTone(sound_);
    ui_->oct->setVisible(true);
    ui_->tone->setVisible(true);
    ui_->UpDown1->setEnabled(true);
    ui_->Volume->setText(QStringLiteral(" "));
}

void TForm1::RB_MeasureClick()
{
    tone::StopTone(sound_);
    ui_->oct->setReadOnly(true);
    ui_->tone->setReadOnly(true);
    ui_->oct->setVisible(true);
    ui_->tone->setVisible(true);
    ui_->UpDown1->setEnabled(true);
    ui_->Volume->setText(QStringLiteral("MIC Volume"));
}

void TForm1::M_Sound1Click()
{
    // From Off, checking the button runs RB_SoundClick already, so the tone starts twice.
    ui_->RB_Sound->setCheckedState(true);
    RB_SoundClick();
}

void TForm1::M_OffClick()
{
    ui_->RB_Off->setCheckedState(true);
    RB_OffClick();
}

void TForm1::M_VeqolizeClick()
{
    marks->setMarked(ui_->M_Veqolize, !marks->isMarked(ui_->M_Veqolize));
    state_.EqualizeEnabled = !state_.EqualizeEnabled;
    if (inSoundMode())
        Tone_Sound(state_.CurrentFrequency);
}

void TForm1::M_VkeepClick()
{
    marks->setMarked(ui_->M_Vkeep, !marks->isMarked(ui_->M_Vkeep));
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
    if (AboutBox)
        desktop::ShowInFront(*AboutBox);
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
    // Both toggles start as their menu items are marked: on.
    state_.EqualizeEnabled = marks->isMarked(ui_->M_Veqolize);
    state_.KeepVolumeEnabled = marks->isMarked(ui_->M_Vkeep);
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
