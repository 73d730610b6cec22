#include "WindowFixture.h"

#include "ui/controls/UpDownArrows.h"
#include "ui/controls/UserComboBox.h"
#include "ui/controls/VolumeSlider.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

namespace {

struct ControlDesign
{
    const char* name;
    QRect geometry;
    int fontPixels;
    const char* text; // nullptr where the control shows none
    bool visible;
    bool enabled;
};

QString TextOf(QWidget* widget)
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return edit->text();
    if (auto* box = qobject_cast<QComboBox*>(widget))
        return box->currentText();
    if (auto* pitch = qobject_cast<ui::PitchSpinEdit*>(widget))
        return pitch->text();
    return {};
}

TEST_F(WindowTest, EveryControlStandsWhereTheLayoutPutsIt)
{
    // Auto-sized texts keep their designed corner; their size follows the font.
    const ControlDesign designs[]{
        {"Label1", {2, -24, 119, 22}, 19, "Kobaro Jr.", true, true},
        {"Label2", {10, 40, 139, 15}, 12, nullptr, true, true},
        {"Label3", {2, 120, 30, 24}, 24, "A=", true, true},
        {"Label4", {130, 136, 26, 21}, 21, "Hz", true, true},
        {"Label5", {16, 168, 98, 22}, 19, "Tuner Mode", true, true},
        {"Pitch", {44, 118, 86, 37}, 27, "440", true, true},
        {"UpDown1", {162, 72, 128, 81}, -1, nullptr, true, true},
        {"tone", {66, 64, 56, 43}, 35, "A", true, true},
        {"oct", {10, 62, 40, 43}, 35, "4", true, true},
        {"Volume1", {200, 173, 36, 120}, -1, nullptr, true, true},
        {"ComboBox1", {162, 40, 128, 20}, 12, "None", true, true},
        {"GroupBox1", {10, 3, 272, 33}, 12, "", true, true},
        {"SSelect1", {24, 8, 41, 17}, 13, "1", false, true},
        {"SSelect2", {64, 8, 41, 17}, 13, "2", false, true},
        {"SSelect3", {104, 8, 41, 17}, 13, "3", false, true},
        {"SSelect4", {144, 8, 33, 17}, 13, "4", false, true},
        {"SSelect5", {184, 8, 41, 17}, 12, "5", false, true},
        {"SSelect6", {224, 8, 33, 17}, 13, "6", false, true},
        {"M_function", {16, 192, 137, 89}, 19, nullptr, true, true},
        {"RB_Sound", {16, 8, 97, 17}, 19, "Sound", true, true},
        {"RB_Measure", {16, 32, 105, 17}, 19, "Measure", true, false},
        {"RB_Off", {16, 56, 81, 17}, 19, "off", true, true},
    };
    for (const ControlDesign& design : designs) {
        SCOPED_TRACE(design.name);
        auto* widget = form->findChild<QWidget*>(QString::fromLatin1(design.name));
        ASSERT_NE(widget, nullptr);
        if (qobject_cast<QLabel*>(widget)) {
            // A label is widened where a stand-in face draws its caption wider.
            EXPECT_EQ(widget->pos(), design.geometry.topLeft());
            EXPECT_EQ(widget->height(), design.geometry.height());
            EXPECT_GE(widget->width(), design.geometry.width());
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        } else {
            EXPECT_EQ(widget->geometry(), design.geometry);
        }
        if (design.fontPixels > 0) {
            EXPECT_EQ(widget->font().pixelSize(), design.fontPixels);
        }
        if (design.text) {
            EXPECT_EQ(TextOf(widget), QString::fromUtf8(design.text));
        }
        EXPECT_EQ(widget->isVisibleTo(form.get()), design.visible);
        EXPECT_EQ(widget->isEnabled(), design.enabled);
    }
    const struct
    {
        const char* name;
        QPoint topLeft;
        int fontPixels;
        const char* text;
    } autoSized[]{{"Volume", {189, 160}, 15, "Volume"},
                  {"StaticText1", {234, 179}, 12, "Max"},
                  {"StaticText2", {234, 275}, 12, "Min"}};
    for (const auto& design : autoSized) {
        SCOPED_TRACE(design.name);
        auto* label = form->findChild<QLabel*>(QString::fromLatin1(design.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), design.topLeft);
        EXPECT_EQ(label->font().pixelSize(), design.fontPixels);
        EXPECT_EQ(label->text(), QString::fromUtf8(design.text));
        EXPECT_GE(label->width(), label->sizeHint().width());
    }
}

TEST_F(WindowTest, MenuHoldsEveryItemWithItsCaption)
{
    const struct
    {
        const char* name;
        const char* caption;
    } items[]{{"M_Sound1", "サウンド(&S)"},
              {"Open1", "メーター(&M)..."},
              {"M_Off", "オフ(&O)"},
              {"M_Veqolize", "ﾎﾞﾘｭｰﾑ補正(&V)"},
              {"M_Vkeep", "ﾎﾞﾘｭｰﾑ記憶(&K)"},
              {"M_Exit", "終了(&X)"},
              {"Contents1", "目次(&C)"},
              {"SearchforHelpOn1", "ﾄﾋﾟｯｸの検索(&S)..."},
              {"HowtoUseHelp1", "ﾍﾙﾌﾟの使い方(&H)"},
              {"About1", "ﾊﾞｰｼﾞｮﾝ情報(&A)..."}};
    for (const auto& item : items) {
        SCOPED_TRACE(item.name);
        auto* action = form->findChild<QAction*>(QString::fromLatin1(item.name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8(item.caption));
    }
    const QList<QAction*> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    EXPECT_EQ(bar[1]->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    EXPECT_EQ(find<QMenu>("M_Setup")->title(), QStringLiteral("設定(&R)..."));
}

TEST_F(WindowTest, FocusStartsOnPitchAndTabSkipsTheStepperAndTheInstrumentBox)
{
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* expected[]{edit("tone"), edit("oct"), slider(), radio("RB_Off")};
    ASSERT_TRUE(pitch()->isAncestorOf(QApplication::focusWidget()));
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(WindowTest, ResizingMovesNoControl)
{
    form->show();
    const QWidget* stepper = find<ui::UpDownArrows>("UpDown1");
    const QRect before = stepper->geometry();
    form->resize(600, 700);
    EXPECT_EQ(stepper->geometry(), before);
    form->resize(150, 100);
    EXPECT_EQ(stepper->geometry(), before);
}

// Kept beside the test binary for a reviewer to look at; not compared with anything.
TEST_F(WindowTest, ScreenshotIsWritten)
{
    form->show();
    pickInstrument(5);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .absoluteFilePath(QStringLiteral("main-window.png"));
    EXPECT_TRUE(form->grab().save(path));
}

} // namespace
