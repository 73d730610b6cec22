#include "app/AboutBox.h"

#include "app/BevelPanel.h"
#include "app/ProgramIcon.h"
#include "app/ProgramVersion.h"
#include "ui/ShowInFront.h"

#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {

// The box's face in pixels of em height, asked for by its Japanese and its Latin name first
// and otherwise given by IPA's proportional Gothic, which Debian ships.
QFont GothicFont(int pixelSize, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                      QStringLiteral("IPAPGothic")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QRect& geometry, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setFont(GothicFont(12));
    setFixedSize(298, 144);
    setModal(false);
    // A visible About box must not keep the program running once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* panel = new BevelPanel(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, 281, 97);

    QLabel* icon = AddLabel(panel, "ProgramIcon", {16, 22, 31, 32}, {});
    icon->setScaledContents(true);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));

    QLabel* productName =
        AddLabel(panel, "ProductName", {56, 16, 201, 16}, QStringLiteral("Parvello Kobaro Jr."));
    productName->setFont(GothicFont(16, /*bold=*/true));

    QLabel* version = AddLabel(panel, "Version", {80, 48, 145, 15},
                               QStringLiteral("Version %1").arg(QLatin1String(ProgramVersion)));
    version->setFont(GothicFont(15));

    AddLabel(panel, "Copyright", {8, 72, 244, 12}, QStringLiteral("© 2026 Veltrane"));

    QLabel* comments = AddLabel(panel, "Comments", {8, 88, 265, 12}, {});
    comments->setWordWrap(true);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setObjectName(QStringLiteral("OKButton"));
    okButton->setGeometry(111, 116, 75, 25);
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

void TAboutBox::showInFront()
{
    ui::ShowInFront(*this);
}

void TAboutBox::setVisible(bool visible)
{
    if (visible && !placed_) {
        placeAtScreenCentre();
        placed_ = true;
    }
    QDialog::setVisible(visible);
}

void TAboutBox::OKButtonClick()
{
    accept(); // hides the box; it stays alive for the next showing
}

void TAboutBox::keyPressEvent(QKeyEvent* event)
{
    // Escape would reject, that is hide, the dialog; this box has no cancel action.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAboutBox::placeAtScreenCentre()
{
    // The frame is centred. Creating the native window first lets platforms that know their
    // frame before a window is mapped report its size; elsewhere (X11) the frame is known only
    // once shown, and the box is centred by its client size, off by half the frame at most.
    create();
    const QSize outer = frameGeometry().size();
    const QRect area = screen()->geometry();
    const int left = std::max(0, (area.width() - outer.width()) / 2);
    const int top = std::max(0, (area.height() - outer.height()) / 2);
    move(area.left() + left, area.top() + top);
}
