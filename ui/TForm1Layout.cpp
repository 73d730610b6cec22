// The main window's layout: every control at its designed place, size, font and text. Nothing
// is anchored to the window's edges, so resizing the window moves no control.

#include "TForm1.h"

#include "DesignFonts.h"
#include "StringPresetTable.h"
#include "controls/AutoSizeLabel.h"
#include "controls/FieldEdit.h"
#include "controls/MenuMarks.h"
#include "controls/PitchSpinEdit.h"
#include "controls/RadioButton.h"
#include "controls/UpDownArrows.h"
#include "controls/UserComboBox.h"
#include "controls/VolumeSlider.h"

#include <QActionGroup>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace ui {

namespace {

// The maker's notice under the string buttons.
const QString kMakersNotice = QStringLiteral("Veltrane Tuning Tools");

template <class Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(left, top, width, height);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, DesignFont font)
{
    auto* label = new QLabel(caption, parent);
    ApplyDesignFont(label, font);
    return label;
}

// A label at its designed place and size, widened where a stand-in face draws its caption
// wider than the designed face did, so that no caption is cut off.
QLabel* PlaceLabel(QLabel* label, const char* name, int left, int top, int width, int height)
{
    Place(label, name, left, top, std::max(width, label->sizeHint().width()), height);
    return label;
}

RadioButton* MakeRadioButton(QWidget* parent, const char* name, const QString& caption,
                             DesignFont font, int left, int top, int width, int height)
{
    auto* button = Place(new RadioButton(parent), name, left, top, width, height);
    button->setText(caption);
    ApplyDesignFont(button, font);
    return button;
}

} // namespace

void TForm1::createControls(QWidget* client)
{
    // Labels first: they lie beneath every other control.
    Volume = new AutoSizeLabel(client);
    ApplyDesignFont(Volume, DesignFont::F1);
    Place(Volume, "Volume", 189, 160, 47, 18);
    Volume->setText(QStringLiteral("Volume"));

    // Its box ends 2 px above the client area, so it is never seen.
    Label1 = PlaceLabel(MakeLabel(client, QStringLiteral("Kobaro Jr."), DesignFont::F2), "Label1",
                        2, -24, 119, 22);
    Label1->setAutoFillBackground(true);
    Label2 =
        PlaceLabel(MakeLabel(client, kMakersNotice, DesignFont::F3), "Label2", 10, 40, 139, 15);
    Label3 = PlaceLabel(MakeLabel(client, QStringLiteral("A="), DesignFont::F4), "Label3", 2, 120,
                        30, 24);
    Label4 = PlaceLabel(MakeLabel(client, QStringLiteral("Hz"), DesignFont::F5), "Label4", 130, 136,
                        26, 21);
    Label5 = PlaceLabel(MakeLabel(client, QStringLiteral("Tuner Mode"), DesignFont::F6), "Label5",
                        16, 168, 98, 22);

    Pitch = Place(new PitchSpinEdit(client), "Pitch", 44, 118, 86, 37);
    ApplyDesignFont(Pitch, DesignFont::F7);
    Pitch->setValue(440);
    Pitch->setAccessibleName(QStringLiteral("Reference pitch"));

    UpDown1 = Place(new UpDownArrows(client), "UpDown1", 162, 72, 128, 81);
    UpDown1->setAccessibleName(QStringLiteral("Note stepper"));

    tone = Place(new FieldEdit(client), "tone", 66, 64, 56, 43);
    ApplyDesignFont(tone, DesignFont::F8);
    tone->setText(QStringLiteral("A"));
    // Two half-width characters or one full-width one, so "C#" fits.
    tone->setTypedByteLimit(2);
    tone->setAccessibleName(QStringLiteral("Note"));

    oct = Place(new FieldEdit(client), "oct", 10, 62, 40, 43);
    ApplyDesignFont(oct, DesignFont::F9);
    oct->setText(QStringLiteral("4"));
    oct->setAccessibleName(QStringLiteral("Octave"));

    Volume1 = Place(new VolumeSlider(client), "Volume1", 200, 173, 36, 120);

    StaticText1 = new AutoSizeLabel(client);
    ApplyDesignFont(StaticText1, DesignFont::F10);
    Place(StaticText1, "StaticText1", 234, 179, 29, 16);
    StaticText1->setText(QStringLiteral("Max"));
    StaticText2 = new AutoSizeLabel(client);
    ApplyDesignFont(StaticText2, DesignFont::F10);
    Place(StaticText2, "StaticText2", 234, 275, 26, 16);
    StaticText2->setText(QStringLiteral("Min"));

    ComboBox1 = Place(new UserComboBox(client), "ComboBox1", 162, 40, 128, 20);
    ApplyDesignFont(ComboBox1, DesignFont::F0);
    for (QStringView instrument : kInstrumentNames)
        ComboBox1->addItem(instrument.toString());
    // No entry is selected until the stored one is restored; the box shows "None".
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(QStringLiteral("None"));
    ComboBox1->setAccessibleName(QStringLiteral("Instrument"));

    GroupBox1 = Place(new QGroupBox(client), "GroupBox1", 10, 3, 272, 33);
    ApplyDesignFont(GroupBox1, DesignFont::F0);
    struct StringButtonDesign
    {
        const char* name;
        int left;
        int width;
        DesignFont font;
    };
    // The fifth button is drawn at 12 px, its siblings at 13 px.
    const StringButtonDesign designs[kStringButtonCount]{
        {"SSelect1", 24, 41, DesignFont::F11},  {"SSelect2", 64, 41, DesignFont::F11},
        {"SSelect3", 104, 41, DesignFont::F11}, {"SSelect4", 144, 33, DesignFont::F11},
        {"SSelect5", 184, 41, DesignFont::F10}, {"SSelect6", 224, 33, DesignFont::F11},
    };
    RadioButton** buttons[kStringButtonCount]{&SSelect1, &SSelect2, &SSelect3,
                                              &SSelect4, &SSelect5, &SSelect6};
    for (int i = 0; i < kStringButtonCount; ++i) {
        const StringButtonDesign& design = designs[i];
        *buttons[i] = MakeRadioButton(GroupBox1, design.name, QString::number(i + 1), design.font,
                                      design.left, 8, design.width, 17);
        (*buttons[i])->hide();
    }

    createModePanel(client);
}

void TForm1::createModePanel(QWidget* client)
{
    M_function = Place(new QFrame(client), "M_function", 16, 192, 137, 89);
    M_function->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ApplyDesignFont(M_function, DesignFont::F6);
    RB_Sound = MakeRadioButton(M_function, "RB_Sound", QStringLiteral("Sound"), DesignFont::F6, 16,
                               8, 97, 17);
    RB_Measure = MakeRadioButton(M_function, "RB_Measure", QStringLiteral("Measure"),
                                 DesignFont::F6, 16, 32, 105, 17);
    RB_Measure->setEnabled(false);
    RB_Off = MakeRadioButton(M_function, "RB_Off", QStringLiteral("off"), DesignFont::F6, 16, 56,
                             81, 17);
    RB_Off->setCheckedState(true);
}

void TForm1::createMenu()
{
    marks = new MenuMarks(this);
    QMenuBar* bar = menuBar();

    M_Sound = bar->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    M_Sound->setObjectName(QStringLiteral("M_Sound"));
    auto* modes = new QActionGroup(this);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    auto addItem = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    auto addMarked = [&](QMenu* menu, const char* name, const QString& caption,
                         QActionGroup* group) {
        QAction* action = addItem(menu, name, caption);
        action->setCheckable(true);
        if (group)
            group->addAction(action);
        marks->track(action);
        return action;
    };
    M_Sound1 = addMarked(M_Sound, "M_Sound1", QStringLiteral("サウンド(&S)"), modes);
    Open1 = addMarked(M_Sound, "Open1", QStringLiteral("メーター(&M)..."), modes);
    Open1->setEnabled(false);
    M_Off = addMarked(M_Sound, "M_Off", QStringLiteral("オフ(&O)"), modes);
    M_Sound->addSeparator()->setObjectName(QStringLiteral("N1"));
    M_Setup = M_Sound->addMenu(QStringLiteral("設定(&R)..."));
    M_Setup->setObjectName(QStringLiteral("M_Setup"));
    M_Veqolize = addMarked(M_Setup, "M_Veqolize", QStringLiteral("ﾎﾞﾘｭｰﾑ補正(&V)"), nullptr);
    M_Vkeep = addMarked(M_Setup, "M_Vkeep", QStringLiteral("ﾎﾞﾘｭｰﾑ記憶(&K)"), nullptr);
    M_Sound->addSeparator()->setObjectName(QStringLiteral("N2"));
    M_Exit = addItem(M_Sound, "M_Exit", QStringLiteral("終了(&X)"));

    Help1 = bar->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Contents1 = addItem(Help1, "Contents1", QStringLiteral("目次(&C)"));
    SearchforHelpOn1 = addItem(Help1, "SearchforHelpOn1", QStringLiteral("ﾄﾋﾟｯｸの検索(&S)..."));
    HowtoUseHelp1 = addItem(Help1, "HowtoUseHelp1", QStringLiteral("ﾍﾙﾌﾟの使い方(&H)"));
    About1 = addItem(Help1, "About1", QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."));

    marks->setMarked(M_Off, true);
    marks->setMarked(M_Veqolize, true);
    marks->setMarked(M_Vkeep, true);
}

void TForm1::setTabOrder()
{
    // Pitch, the note, the octave and the slider, then the checked string button and the
    // checked mode button. The stepper, the static texts and the instrument box are passed
    // over by Tab.
    QWidget* order[]{Pitch,    tone,     oct,      Volume1,  SSelect1,   SSelect2, SSelect3,
                     SSelect4, SSelect5, SSelect6, RB_Sound, RB_Measure, RB_Off};
    for (std::size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    ComboBox1->setFocusPolicy(Qt::ClickFocus);
}

} // namespace ui
