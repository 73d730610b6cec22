#include "ui/controls/UserComboBox.h"
#include "ControlTestSupport.h"

#include <QAbstractItemView>
#include <QSignalSpy>

namespace {

using ui::UserComboBox;

class InstrumentBox : public testing::Test
{
protected:
    void SetUp() override
    {
        box->setGeometry(10, 10, 128, 20);
        box->addItems({QStringLiteral("None"), QStringLiteral("Violin"), QStringLiteral("Viola"),
                       QStringLiteral("Cello")});
        box->setCurrentIndex(-1);
        ASSERT_TRUE(window.show());
        box->setFocus(Qt::MouseFocusReason);
        // Each report records the text the box showed when it came.
        QObject::connect(box, &UserComboBox::userChanged,
                         [this] { reports.append(box->currentText()); });
    }

    ControlWindow window;
    UserComboBox* box = new UserComboBox(window.widget());
    QStringList reports;
};

TEST_F(InstrumentBox, IndexSetByTheProgramReportsNothing)
{
    box->setCurrentIndex(2);
    box->setCurrentIndex(-1);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(InstrumentBox, PickingFromTheListReportsAfterTheTextIsTheEntrys)
{
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    const QRect row = list->visualRect(list->model()->index(3, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());

    EXPECT_EQ(box->currentIndex(), 3);
    EXPECT_EQ(reports, QStringList{QStringLiteral("Cello")});
}

TEST_F(InstrumentBox, StepingWithTheArrowKeyReportsTheNewEntry)
{
    box->setCurrentIndex(1);
    QTest::keyClick(box->lineEdit(), Qt::Key_Down);
    EXPECT_EQ(reports, QStringList{QStringLiteral("Viola")});
}

TEST_F(InstrumentBox, EditingReportsEachChangeAndEnterAddsNoEntry)
{
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), "Ha");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);

    EXPECT_EQ(reports, (QStringList{QStringLiteral("H"), QStringLiteral("Ha")}));
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(box->lineEdit()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(box->maxVisibleItems(), 8);
}

} // namespace
