#include "FormFile.h"
#include "NamedCase.h"
#include "WindowFixture.h"

#include "ui/controls/AutoSizeLabel.h"
#include "ui/controls/ReadableColour.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <optional>

namespace {

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

// The controls of the window's form file, those that it places.
std::vector<FormWidget> PlacedControls()
{
    std::vector<FormWidget> controls;
    for (const FormWidget& widget : ReadFormWidgets(QStringLiteral(PARVELLO_MAIN_WINDOW_FORM))) {
        if (widget.geometry)
            controls.push_back(widget);
    }
    return controls;
}

// The window as built keeps every control where the form file puts it, with the file's text,
// font size and state, after its fonts have been given their stand-in faces and after the
// start-up.
TEST_F(WindowTest, EveryControlStandsWhereTheFormFilePutsIt)
{
    const std::vector<FormWidget> controls = PlacedControls();
    ASSERT_EQ(controls.size(), 25u) << PARVELLO_MAIN_WINDOW_FORM;
    for (const FormWidget& design : controls) {
        SCOPED_TRACE(design.name.toStdString());
        auto* widget = form->findChild<QWidget*>(design.name);
        ASSERT_NE(widget, nullptr);
        if (qobject_cast<ui::AutoSizeLabel*>(widget)) {
            // Auto-sized texts keep their designed corner; their size follows the font.
            EXPECT_EQ(widget->pos(), design.geometry->topLeft());
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        } else if (qobject_cast<QLabel*>(widget)) {
            // A label is widened where a stand-in face draws its caption wider, so that no
            // caption is cut off.
            EXPECT_EQ(widget->pos(), design.geometry->topLeft());
            EXPECT_EQ(widget->height(), design.geometry->height());
            EXPECT_GE(widget->width(), design.geometry->width());
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        } else {
            EXPECT_EQ(widget->geometry(), *design.geometry);
        }
        if (design.fontPixelSize) {
            EXPECT_EQ(widget->font().pixelSize(), *design.fontPixelSize);
        }
        if (design.text) {
            EXPECT_EQ(TextOf(widget), *design.text);
        }
        EXPECT_EQ(widget->isVisibleTo(form.get()), design.visible);
        EXPECT_EQ(widget->isEnabled(), design.enabled);
    }
}

// Where two controls overlap, the one that the form file lists later lies above the other.
TEST_F(WindowTest, LaterControlsLieAboveEarlierOnesWhereTheyOverlap)
{
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    std::vector<QWidget*> shown;
    for (const FormWidget& design : PlacedControls()) {
        auto* widget = form->findChild<QWidget*>(design.name);
        ASSERT_NE(widget, nullptr) << design.name.toStdString();
        if (widget->isVisible())
            shown.push_back(widget);
    }
    int overlaps = 0;
    for (std::size_t lower = 0; lower < shown.size(); ++lower) {
        for (std::size_t upper = lower + 1; upper < shown.size(); ++upper) {
            QWidget* parent = shown[lower]->parentWidget();
            const QRect overlap = shown[lower]->geometry() & shown[upper]->geometry();
            if (shown[upper]->parentWidget() != parent || overlap.isEmpty())
                continue;
            ++overlaps;
            // The last control listed that covers the point is the one seen there.
            const QPoint point = overlap.center();
            QWidget* expected = shown[upper];
            for (std::size_t later = upper + 1; later < shown.size(); ++later) {
                if (shown[later]->parentWidget() == parent &&
                    shown[later]->geometry().contains(point))
                    expected = shown[later];
            }
            QWidget* seen = parent->childAt(point);
            EXPECT_TRUE(seen == expected || expected->isAncestorOf(seen))
                << shown[upper]->objectName().toStdString() << " over "
                << shown[lower]->objectName().toStdString() << ": "
                << (seen ? seen->objectName().toStdString() : "nothing") << " seen";
        }
    }
    // The volume caption reaches into the slider, and so does the "Max" beside it.
    EXPECT_GE(overlaps, 2);
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

struct ScreenshotCase
{
    std::string name;
    // The face of the desktop's palette; none keeps Qt's own light one.
    std::optional<QColor> face;
    const char* file;
};

class Screenshot : public WindowTest, public testing::WithParamInterface<ScreenshotCase>
{
protected:
    void TearDown() override { QApplication::setPalette(lightPalette_); }

    // The pixel of area (in the window's coordinates) that stands out most from face.
    static QColor StrongestPixel(const QImage& image, const QRect& area, const QColor& face)
    {
        QColor strongest = face;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (ui::ContrastRatio(pixel, face) > ui::ContrastRatio(strongest, face))
                    strongest = pixel;
            }
        }
        return strongest;
    }

    const QPalette lightPalette_ = QApplication::palette();
};

// Kept beside the test binary for a reviewer to look at. The colours that the design fixes
// are checked as drawn: the maroon of the maker's notice, exactly as designed on a light face
// and readable on a dark one, where the slider's tick marks must read too. The desktop's
// palette changes while the window is open, as a switch of the desktop's theme does.
TEST_P(Screenshot, IsWrittenWithTheFixedColoursReadable)
{
    form->show();
    pickInstrument(5);
    if (GetParam().face)
        QApplication::setPalette(QPalette(*GetParam().face));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QImage image = form->grab().toImage();
    const QString path = QDir(QCoreApplication::applicationDirPath())
                             .absoluteFilePath(QString::fromLatin1(GetParam().file));
    EXPECT_TRUE(image.save(path));

    const QColor face = form->palette().color(QPalette::Window);
    const auto inWindow = [&](const QWidget* widget) {
        return QRect(widget->mapTo(form.get(), QPoint(0, 0)), widget->size());
    };
    const QColor notice = StrongestPixel(image, inWindow(find<QLabel>("Label2")), face);
    // The tick marks, on the slider's right-hand side, clear of its groove and thumb.
    const QRect sliderArea = inWindow(slider());
    const QColor ticks = StrongestPixel(
        image, QRect(sliderArea.right() - 2, sliderArea.top(), 1, sliderArea.height()), face);
    if (!GetParam().face) {
        EXPECT_EQ(notice, QColor(128, 0, 0)) << notice.name().toStdString();
        return;
    }
    EXPECT_GE(ui::ContrastRatio(notice, face), ui::kReadableContrast)
        << notice.name().toStdString() << " on " << face.name().toStdString();
    EXPECT_EQ(notice.hslHue(), 0) << "maroon's own hue";
    EXPECT_GE(ui::ContrastRatio(ticks, face), ui::kReadableContrast)
        << ticks.name().toStdString() << " on " << face.name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, Screenshot,
    testing::Values(ScreenshotCase{"light", std::nullopt, "main-window.png"},
                    // The face of Adwaita's and Breeze's dark themes, give or take a shade.
                    ScreenshotCase{"dark", QColor(0x32, 0x32, 0x32), "main-window-dark.png"}),
    CaseName<ScreenshotCase>);

} // namespace
