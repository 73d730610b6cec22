// What the main window remembers between runs: its placement and the last tone.

#include "TForm1.h"

#include "WindowPlacement.h"
#include "controls/FieldEdit.h"
#include "controls/PitchSpinEdit.h"
#include "controls/UserComboBox.h"

#include "settings/FrequencySetting.h"
#include "settings/FrequencyText.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsStore.h"
#include "tone/ReferencePitch.h"

#include "ui_TForm1.h"

namespace ui {

using namespace settings;

// Each value is applied before the next is read, so a value that fails to read leaves those
// before it applied and the rest as they were. A missing tone value leaves its target as the
// window and the tone state start (TForm1.ui, ToneState.h); those start values are the
// defaults. Texts set on the edits run their change handlers only when they differ from the
// present ones; the volume goes to the tone state alone (the slider follows it when Sound
// mode is chosen), and selecting the instrument runs no handler.
void TForm1::LoadSettings()
{
    // A frequency's default is a text of the program's own, with a full stop.
    const auto builtInText = [](long double frequency) {
        return FormatFrequencyText(frequency, QLocale::c());
    };
    const SettingsStore store;
    placement_->setTop(store.ReadIntegerSetting(kLocateSection, kTopName, kDefaultTop));
    placement_->setLeft(store.ReadIntegerSetting(kLocateSection, kLeftName, kDefaultLeft));
    placement_->setOuterWidth(store.ReadIntegerSetting(kLocateSection, kWidthName, kDefaultWidth));
    placement_->setOuterHeight(
        store.ReadIntegerSetting(kLocateSection, kHeightName, kDefaultHeight));

    state_.PreviousFrequency = ReadFrequencySetting(store, kSettingSection, kPreviousFrequencyName,
                                                    builtInText(state_.PreviousFrequency));
    state_.CurrentFrequency = ReadFrequencySetting(store, kSettingSection, kCurrentFrequencyName,
                                                   builtInText(state_.CurrentFrequency));
    ui_->oct->setText(store.ReadTextSetting(kSettingSection, kOctaveTextName, ui_->oct->text()));
    ui_->tone->setText(store.ReadTextSetting(kSettingSection, kNoteTextName, ui_->tone->text()));
    state_.OutputVolume =
        store.ReadIntegerSetting(kSettingSection, kVolumeName, state_.OutputVolume);
    state_.NoteIndex = store.ReadIntegerSetting(kSettingSection, kNoteIndexName, state_.NoteIndex);
    state_.OctaveNumber =
        store.ReadIntegerSetting(kSettingSection, kOctaveName, state_.OctaveNumber);
    // An index outside the list (9, or -1) leaves no entry selected.
    ui_->ComboBox1->setCurrentIndex(
        store.ReadIntegerSetting(kSettingSection, kInstrumentName, kDefaultInstrument));
    // Clamped to the field's range, 300 to 450.
    ui_->Pitch->setValue(
        store.ReadIntegerSetting(kSettingSection, kPitchName, ui_->Pitch->value()));
}

// Stops at the first write that fails; what was written before it stays.
void TForm1::SaveSettings()
{
    SettingsStore store;
    const QRect bounds = placement_->outerBounds();
    store.WriteIntegerSetting(kLocateSection, kTopName, bounds.top());
    store.WriteIntegerSetting(kLocateSection, kLeftName, bounds.left());
    store.WriteIntegerSetting(kLocateSection, kWidthName, bounds.width());
    store.WriteIntegerSetting(kLocateSection, kHeightName, bounds.height());

    WriteFrequencySetting(store, kSettingSection, kPreviousFrequencyName, state_.PreviousFrequency);
    WriteFrequencySetting(store, kSettingSection, kCurrentFrequencyName, state_.CurrentFrequency);
    store.WriteTextSetting(kSettingSection, kOctaveTextName, ui_->oct->text());
    store.WriteTextSetting(kSettingSection, kNoteTextName, ui_->tone->text());
    store.WriteIntegerSetting(kSettingSection, kVolumeName, state_.OutputVolume);
    store.WriteIntegerSetting(kSettingSection, kNoteIndexName, state_.NoteIndex);
    store.WriteIntegerSetting(kSettingSection, kOctaveName, state_.OctaveNumber);
    // As the field reads it: a typed 500 is kept as 500, and a text that is no whole number
    // as 300.
    store.WriteIntegerSetting(kSettingSection, kPitchName,
                              tone::ReadReferencePitch(ui_->Pitch->text()));
    store.WriteIntegerSetting(kSettingSection, kInstrumentName, ui_->ComboBox1->currentIndex());
}

void TForm1::keepWithinReach()
{
    placement_->keepWithinReach({kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight});
}

} // namespace ui
