#include "NamedCase.h"

#include "app/AboutBox.h"
#include "app/ProgramIcon.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

void ShowAndWait(TAboutBox& box)
{
    box.showInFront();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
}

TEST(ProgramIcon, IsAThirtyTwoPixelSquareImage)
{
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    const QSize size = icon.pixmap(32, 32).size();
    EXPECT_EQ(size, QSize(32, 32));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
}

TEST(AboutBox, ShowsTheProductTheVersionAndTheIcon)
{
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(box.size(), QSize(298, 144));
    EXPECT_FALSE(box.isModal());

    auto* productName = box.findChild<QLabel*>(QStringLiteral("ProductName"));
    ASSERT_NE(productName, nullptr);
    EXPECT_EQ(productName->text(), QStringLiteral("Parvello Kobaro Jr."));
    EXPECT_TRUE(productName->font().bold());

    auto* version = box.findChild<QLabel*>(QStringLiteral("Version"));
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(version->text().endsWith(QStringLiteral(PARVELLO_PROJECT_VERSION)))
        << version->text().toStdString();

    auto* icon = box.findChild<QLabel*>(QStringLiteral("ProgramIcon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());

    auto* ok = box.findChild<QPushButton*>(QStringLiteral("OKButton"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->geometry(), QRect(111, 116, 75, 25));
}

TEST(AboutBox, FirstShowingIsCentredOnTheScreenNotOnItsOwner)
{
    QWidget mainWindow;
    mainWindow.setGeometry(20, 20, 300, 349);
    mainWindow.show();
    TAboutBox box(&mainWindow);
    ShowAndWait(box);
    const QPoint screenCentre = box.screen()->geometry().center();
    const QPoint boxCentre = box.frameGeometry().center();
    EXPECT_LE((boxCentre - screenCentre).manhattanLength(), 2)
        << "box centre " << boxCentre.x() << "," << boxCentre.y();
}

TEST(AboutBox, ComesBackWhereItWasHidden)
{
    TAboutBox box;
    ShowAndWait(box);
    box.move(40, 50);
    box.findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    ASSERT_FALSE(box.isVisible());

    ShowAndWait(box);
    EXPECT_EQ(box.pos(), QPoint(40, 50));

    // Showing it again while it is visible only raises it, where it is.
    box.showInFront();
    EXPECT_TRUE(box.isVisible());
    EXPECT_EQ(box.pos(), QPoint(40, 50));
}

struct CloseCase
{
    const char* name;
    std::function<void(TAboutBox&)> act;
    bool visibleAfter;
};

class AboutBoxClosing : public testing::TestWithParam<CloseCase>
{
};

TEST_P(AboutBoxClosing, HidesWithoutDestroyingTheBox)
{
    auto* box = new TAboutBox;
    QPointer<TAboutBox> alive(box);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    ShowAndWait(*box);
    GetParam().act(*box);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    ASSERT_FALSE(alive.isNull()) << "the box was destroyed";
    EXPECT_EQ(box->isVisible(), GetParam().visibleAfter);
    delete box;
}

void PressOnOk(TAboutBox& box, Qt::Key key)
{
    QTest::keyClick(box.findChild<QPushButton*>(QStringLiteral("OKButton")), key);
}

INSTANTIATE_TEST_SUITE_P(
    AboutBox, AboutBoxClosing,
    testing::Values(
        CloseCase{"OkButtonHides",
                  [](TAboutBox& box) {
                      QTest::mouseClick(box.findChild<QPushButton*>(QStringLiteral("OKButton")),
                                        Qt::LeftButton);
                  },
                  false},
        CloseCase{"EnterHides", [](TAboutBox& box) { PressOnOk(box, Qt::Key_Enter); }, false},
        CloseCase{"ReturnHides", [](TAboutBox& box) { PressOnOk(box, Qt::Key_Return); }, false},
        CloseCase{"CloseBoxHides", [](TAboutBox& box) { box.close(); }, false},
        CloseCase{"EscapeDoesNothing", [](TAboutBox& box) { PressOnOk(box, Qt::Key_Escape); },
                  true}),
    CaseName<CloseCase>);

TEST(AboutBox, DoesNotKeepTheProgramRunningAfterTheMainWindowCloses)
{
    QWidget mainWindow;
    TAboutBox box;
    mainWindow.show();
    ShowAndWait(box);

    // The event loop ends by itself once the main window closes, while the box stays open;
    // the timer ends a loop that would otherwise go on, with a code of its own.
    QTimer::singleShot(0, &mainWindow, &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

} // namespace
