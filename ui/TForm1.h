#pragma once

#include "tone/SoundService.h"
#include "tone/ToneState.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

namespace Ui {
class TForm1;
}

namespace ui {

class MenuMarks;
class RadioButton;
class WindowPlacement;

// What the help menu asks of the help viewer.
enum class HelpCommand { Contents, KeywordSearch, HelpOnHelp };

// The main window: the pixel-placed controls and the menu of its Designer file, TForm1.ui,
// and one handler per control event, named after the control and the event. The handlers
// nest: setting a text runs the edit's change handler inside the call, before the statement
// that follows it.
//
// The window owns the tone engine's state for the whole run and plays through the sound
// service it is given, which must outlive it. Everything runs on the user-interface thread.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(tone::SoundService& sound, QWidget* parent = nullptr);
    ~TForm1() override;

    // The About box that About shows; it is created after the window, hidden.
    void setAboutBox(QWidget* aboutBox) { AboutBox = aboutBox; }
    // Where the help commands go.
    void setHelpHandler(std::function<void(HelpCommand)> handler)
    {
        helpHandler_ = std::move(handler);
    }

signals:
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

    // The tone engine's state, for a subclass that reads what no control shows and sets what
    // no user action reaches, as the window tests' fixture does.
    tone::ToneState& toneState() { return state_; }

private:
    // Note entry and stepping.
    void UpDown1Click(int direction);
    void toneChange();
    void octChange();
    void PitchChange();
    // The volume slider, in every mode.
    void Volume1Change(int position);
    // Instrument string presets.
    void ComboBox1Change();
    void SSelect1Click() { SelectString(1); }
    void SSelect2Click() { SelectString(2); }
    void SSelect3Click() { SelectString(3); }
    void SSelect4Click() { SelectString(4); }
    void SSelect5Click() { SelectString(5); }
    void SSelect6Click() { SelectString(6); }
    // Modes and menu commands.
    void RB_SoundClick();
    void RB_OffClick();
    void RB_MeasureClick();
    void M_Sound1Click();
    void M_OffClick();
    void M_VeqolizeClick();
    void M_VkeepClick();
    void M_ExitClick();
    void About1Click();
    void Contents1Click();
    void SearchforHelpOn1Click();
    void HowtoUseHelp1Click();

    // Creation and close. Neither lets an error of the settings store escape: it is shown in
    // the default error display, and the window still opens, or still closes.
    void FormCreate();
    void FormClose();

    // The window's placement and the last tone, from and to the user's settings. Both raise
    // settings::SettingsError: a load once every value is applied, a value that failed as its
    // default; a save at the value that failed, leaving the rest unwritten.
    void LoadSettings();
    void SaveSettings();

    // Builds the tone of the current note at the reference pitch in `Pitch`, and plays it
    // at the slider's volume.
    void Tone_Sound(long double frequency);

    // The window's outer bounds as TForm1.ui designs them, frame included.
    QRect designedBounds() const;
    // Steps of the construction.
    void fitCaptions();
    void trackMenuMarks();
    void connectHandlers();
    // Runs `handler` whenever `button` becomes checked.
    void connectOnSelect(RadioButton* button, void (TForm1::*handler)());
    bool inSoundMode() const;
    // The string buttons from the left.
    std::array<RadioButton*, 6> stringButtons() const;
    // Tunes to open string `string` (1 = leftmost) of the chosen instrument.
    void SelectString(int string);
    // Brings a window whose title bar or menu bar would stand off every screen, or at a size
    // that cannot show the menu bar and the controls or exceeds the screens, back to the
    // default placement.
    void keepWithinReach();

    // The controls and the menu, named as the design names them (each is also its object
    // name).
    std::unique_ptr<Ui::TForm1> ui_;
    // Sets and clears the menu's check marks and bullets; only handlers change them.
    MenuMarks* marks = nullptr;
    QWidget* AboutBox = nullptr;

    tone::SoundService& sound_;
    tone::ToneState state_;
    std::function<void(HelpCommand)> helpHandler_;
    WindowPlacement* placement_ = nullptr;
};

} // namespace ui
