#include "NamedCase.h"

#include "app/AboutBox.h"
#include "app/ProgramIcon.h"
#include "desktop/ShowInFront.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

QPushButton* OkButton(TAboutBox& box)
{
    return box.findChild<QPushButton*>(QStringLiteral("OKButton"));
}

void ShowAndWait(TAboutBox& box)
{
    desktop::ShowInFront(box);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
}

TEST(AboutBox, ShowsTheProductTheBuildsVersionAndTheIcon)
{
    EXPECT_EQ(ProgramIcon().pixmap(32, 32).size(), QSize(32, 32));

    TAboutBox box;
    auto* productName = box.findChild<QLabel*>(QStringLiteral("ProductName"));
    auto* version = box.findChild<QLabel*>(QStringLiteral("Version"));
    ASSERT_TRUE(productName && version && OkButton(box));
    EXPECT_EQ(productName->text(), QStringLiteral("Parvello Kobaro Jr."));
    EXPECT_TRUE(version->text().endsWith(QStringLiteral(PARVELLO_PROJECT_VERSION)))
        << version->text().toStdString();
    EXPECT_TRUE(OkButton(box)->isDefault());
}

TEST(AboutBox, FirstShowingIsCentredOnTheScreenNotOnItsOwner)
{
    QWidget mainWindow;
    mainWindow.setGeometry(20, 20, 300, 349);
    mainWindow.show();
    TAboutBox box(&mainWindow);
    ShowAndWait(box);
    const QPoint offCentre = box.frameGeometry().center() - box.screen()->geometry().center();
    EXPECT_LE(offCentre.manhattanLength(), 2) << offCentre.x() << "," << offCentre.y();
}

TEST(AboutBox, ComesBackWhereItWasHidden)
{
    TAboutBox box;
    ShowAndWait(box);
    box.move(40, 50);
    OkButton(box)->click();
    ASSERT_FALSE(box.isVisible());

    ShowAndWait(box);
    EXPECT_EQ(box.pos(), QPoint(40, 50));
    desktop::ShowInFront(box); // while visible: only raised, where it is
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.pos(), QPoint(40, 50));
}

struct CloseCase
{
    const char* name;
    Qt::Key key; // pressed on the OK button; Qt::Key_unknown: the close box instead
    bool visibleAfter;
};

class AboutBoxClosing : public testing::TestWithParam<CloseCase>
{
};

TEST_P(AboutBoxClosing, HidesWithoutDestroyingTheBox)
{
    auto* box = new TAboutBox;
    QPointer<TAboutBox> alive(box);
    ShowAndWait(*box);
    if (GetParam().key == Qt::Key_unknown)
        box->close();
    else
        QTest::keyClick(OkButton(*box), GetParam().key);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_FALSE(alive.isNull()) << "the box was destroyed";
    EXPECT_EQ(box->isVisible(), GetParam().visibleAfter);
    delete box;
}

INSTANTIATE_TEST_SUITE_P(AboutBox, AboutBoxClosing,
                         testing::Values(CloseCase{"SpaceOnOkHides", Qt::Key_Space, false},
                                         CloseCase{"EnterHides", Qt::Key_Enter, false},
                                         CloseCase{"ReturnHides", Qt::Key_Return, false},
                                         CloseCase{"CloseBoxHides", Qt::Key_unknown, false},
                                         CloseCase{"EscapeDoesNothing", Qt::Key_Escape, true}),
                         CaseName<CloseCase>);

TEST(AboutBox, DoesNotKeepTheProgramRunningAfterTheMainWindowCloses)
{
    QWidget mainWindow;
    TAboutBox box;
    mainWindow.show();
    ShowAndWait(box);

    // The event loop ends by itself once the main window closes, while the box is open; the
    // timer ends a loop that would otherwise go on, with a code of its own.
    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
