#include "ui/controls/MenuMarks.h"
#include "ControlTestSupport.h"
#include "NamedCase.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include <string>

namespace {

using ui::MenuMarks;

// A mode menu of two radio items (the second marked) and one marked check item. Each item's
// handler, connected after tracking as the window connects its own, records the marks it saw
// in brackets and may set the marks of the chosen item; a "t" records each toggled signal.
class ModeMenu
{
public:
    explicit ModeMenu(bool handlersMark)
    {
        group->setExclusive(true);
        for (QAction* a : {sound, off, keep}) {
            a->setCheckable(true);
            if (a != keep)
                group->addAction(a);
        }
        off->setChecked(true);
        keep->setChecked(true);
        for (QAction* a : {sound, off, keep}) {
            marks.track(a);
            QObject::connect(a, &QAction::toggled, [this] { seen += "t"; });
            QObject::connect(a, &QAction::triggered, [this, a, handlersMark] {
                seen += "[" + marked() + "]";
                if (handlersMark)
                    marks.setMarked(a, a == keep ? !marks.isMarked(keep) : true);
            });
        }
    }

    // The marks Qt shows, as letters: s(ound), o(ff), k(eep).
    std::string marked() const
    {
        return std::string(sound->isChecked() ? "s" : "") + (off->isChecked() ? "o" : "") +
               (keep->isChecked() ? "k" : "");
    }

    QMenu menu;
    QActionGroup* group = new QActionGroup(&menu);
    QAction* sound = menu.addAction(QStringLiteral("Sound"));
    QAction* off = menu.addAction(QStringLiteral("Off"));
    QAction* keep = menu.addAction(QStringLiteral("Keep"));
    MenuMarks marks;
    std::string seen;
};

struct MarkCase
{
    std::string name;
    bool handlersMark;
    QAction* ModeMenu::*chosen;
    std::string seen;
    std::string after;
};

class MenuMarkChoice : public testing::TestWithParam<MarkCase>
{
};

TEST_P(MenuMarkChoice, MarksChangeOnlyWhenAHandlerSetsThem)
{
    const MarkCase& c = GetParam();
    ModeMenu menu(c.handlersMark);
    menu.menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu.menu));
    QAction* chosen = menu.*c.chosen;

    QTest::mouseClick(&menu.menu, Qt::LeftButton, {}, menu.menu.actionGeometry(chosen).center());

    EXPECT_EQ(menu.seen, c.seen);
    EXPECT_EQ(menu.marked(), c.after);
    for (QAction* a : {menu.sound, menu.off, menu.keep})
        EXPECT_EQ(menu.marks.isMarked(a), a->isChecked());
}

// Qt's own toggling comes before any handler and cannot be held back; putting the marks back
// and setting them emits nothing.
INSTANTIATE_TEST_SUITE_P(
    Rows, MenuMarkChoice,
    testing::Values(
        MarkCase{"RadioChosenWithoutHandlerMarkKeepsBullet", false, &ModeMenu::sound, "tt[ok]",
                 "ok"},
        MarkCase{"RadioMarkedByItsHandlerMovesBullet", true, &ModeMenu::sound, "tt[ok]", "sk"},
        MarkCase{"MarkedRadioChosenAgainStaysMarked", false, &ModeMenu::off, "[ok]", "ok"},
        MarkCase{"CheckItemWithoutHandlerMarkKeepsCheck", false, &ModeMenu::keep, "t[ok]", "ok"},
        MarkCase{"CheckItemClearedByItsHandler", true, &ModeMenu::keep, "t[ok]", "o"}),
    CaseName<MarkCase>);

} // namespace
