#include "ui/controls/AutoSizeLabel.h"
#include "ControlTestSupport.h"

#include <QFontMetrics>

namespace {

using ui::AutoSizeLabel;

TEST(AutoSizeLabelText, SameTextKeepsTheBoxAndANewTextFitsItFromTheSameCorner)
{
    AutoSizeLabel label(QStringLiteral("Volume"));
    QFont font = label.font();
    font.setPixelSize(15);
    label.setFont(font);
    label.setGeometry(189, 160, 47, 18);

    label.setText(QStringLiteral("Volume"));
    EXPECT_EQ(label.geometry(), QRect(189, 160, 47, 18));

    label.setText(QStringLiteral("SP Volume"));
    const QFontMetrics metrics(font);
    EXPECT_EQ(label.pos(), QPoint(189, 160));
    EXPECT_GE(label.width(), metrics.horizontalAdvance(QStringLiteral("SP Volume")));
    EXPECT_GE(label.height(), metrics.height());
    const int wide = label.width();

    label.setText(QStringLiteral(" "));
    EXPECT_EQ(label.pos(), QPoint(189, 160));
    EXPECT_LT(label.width(), wide);
}

} // namespace
