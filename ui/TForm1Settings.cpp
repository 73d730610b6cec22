// What the main window remembers between runs: its placement and the last tone.

#include "TForm1.h"

#include "WindowPlacement.h"
#include "controls/FieldEdit.h"
#include "controls/PitchSpinEdit.h"
#include "controls/UserComboBox.h"

#include "settings/FrequencySetting.h"
#include "settings/FrequencyText.h"
#include "settings/SettingsError.h"
#include "settings/SettingsLayout.h"
#include "settings/SettingsStore.h"
#include "tone/ReferencePitch.h"

#include "ui_TForm1.h"

#include <QMenuBar>

#include <optional>

namespace ui {

using namespace settings;

namespace {

// Reads the values of a load one by one. A value that fails to read takes its default and
// the load goes on, so that one damaged value costs only itself; the first failure (or the
// notice that the store's file was set aside) is kept, to be raised once every value is
// applied, so that the user sees one error box.
class LoadReader
{
public:
    explicit LoadReader(const SettingsStore& store)
        : store_(store), firstFailure_(store.setAsideNotice())
    {
    }

    std::int32_t integer(QStringView section, QStringView name, std::int32_t defaultValue)
    {
        return orDefault([&] { return store_.ReadIntegerSetting(section, name, defaultValue); },
                         defaultValue);
    }
    QString text(QStringView name, QStringView defaultText)
    {
        return orDefault([&] { return store_.ReadTextSetting(kSettingSection, name, defaultText); },
                         defaultText.toString());
    }
    long double frequency(QStringView name, QStringView builtInDefault)
    {
        return orDefault(
            [&] { return ReadFrequencySetting(store_, kSettingSection, name, builtInDefault); },
            ParseBuiltInFrequencyText(builtInDefault));
    }

    void raiseFirstFailure() const
    {
        if (firstFailure_)
            throw *firstFailure_;
    }

private:
    template <class Read, class Value> Value orDefault(const Read& read, Value defaultValue)
    {
        try {
            return read();
        } catch (const SettingsError& failure) {
            if (!firstFailure_)
                firstFailure_ = failure;
            return defaultValue;
        }
    }

    const SettingsStore& store_;
    std::optional<SettingsError> firstFailure_;
};

} // namespace

// Each value is applied before the next is read; a value that fails to read is applied as
// its default. A missing size or tone value (or one that fails) takes the value that the
// window and the tone state start with (TForm1.ui, StartTone.h, ToneState.h); those start
// values are the defaults. Texts set on the edits run their change handlers only when they
// differ from the present ones; the volume goes to the tone state alone (the slider follows
// it when Sound mode is chosen), and selecting the instrument runs no handler.
void TForm1::LoadSettings()
{
    // A frequency's default is a text of the program's own, with a full stop.
    const auto builtInText = [](long double frequency) {
        return FormatFrequencyText(frequency, QLocale::c());
    };
    // The defaults are the values the run starts with, taken before anything is loaded: a
    // text loaded into an edit runs its change handler, which sets the note or the octave.
    const tone::ToneState start;
    const QString startOctaveText = ui_->oct->text();
    const QString startNoteText = ui_->tone->text();
    const std::int32_t startPitch = ui_->Pitch->value();
    const SettingsStore store;
    LoadReader read(store);
    placement_->setTop(read.integer(kLocateSection, kTopName, kDefaultTop));
    placement_->setLeft(read.integer(kLocateSection, kLeftName, kDefaultLeft));
    const QSize designedSize = designedBounds().size();
    placement_->setOuterWidth(read.integer(kLocateSection, kWidthName, designedSize.width()));
    placement_->setOuterHeight(read.integer(kLocateSection, kHeightName, designedSize.height()));

    state_.PreviousFrequency =
        read.frequency(kPreviousFrequencyName, builtInText(start.PreviousFrequency));
    state_.CurrentFrequency =
        read.frequency(kCurrentFrequencyName, builtInText(start.CurrentFrequency));
    ui_->oct->setText(read.text(kOctaveTextName, startOctaveText));
    ui_->tone->setText(read.text(kNoteTextName, startNoteText));
    state_.OutputVolume = read.integer(kSettingSection, kVolumeName, start.OutputVolume);
    state_.NoteIndex = read.integer(kSettingSection, kNoteIndexName, start.NoteIndex);
    state_.OctaveNumber = read.integer(kSettingSection, kOctaveName, start.OctaveNumber);
    // An index outside the list (9, or -1) leaves no entry selected.
    ui_->ComboBox1->setCurrentIndex(
        read.integer(kSettingSection, kInstrumentName, kDefaultInstrument));
    // Clamped to the field's range, the reference pitch's.
    ui_->Pitch->setValue(read.integer(kSettingSection, kPitchName, startPitch));
    read.raiseFirstFailure();
}

// Stops at the first write that fails; what was written before it stays. Opening the store
// may have set a damaged file aside, which is told once every value is written.
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
    // as the lowest reference pitch.
    store.WriteIntegerSetting(kSettingSection, kPitchName,
                              tone::ReadReferencePitch(ui_->Pitch->text()));
    store.WriteIntegerSetting(kSettingSection, kInstrumentName, ui_->ComboBox1->currentIndex());
    if (store.setAsideNotice())
        throw *store.setAsideNotice();
}

void TForm1::keepWithinReach()
{
    // The smallest window that shows the menu bar and every control, the string buttons that
    // an instrument shows included. The frame is not known before the window is shown and is
    // left out, so a window may still fall short by the frame's thickness.
    QRect controls;
    for (const QWidget* control :
         centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        controls |= control->geometry();
    const int menuBarHeight = menuBar()->sizeHint().height();
    const QSize smallest(controls.right() + 1, menuBarHeight + controls.bottom() + 1);
    const QRect firstRun(QPoint(kDefaultLeft, kDefaultTop), designedBounds().size());
    placement_->keepWithinReach(firstRun, smallest, menuBarHeight);
}

} // namespace ui
