#include "app/AboutBox.h"

#include "app/ProgramIcon.h"
#include "app/ProgramVersion.h"
#include "ui/DesignFonts.h"

#include "ui_AboutBox.h"

#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      ui_(std::make_unique<Ui::TAboutBox>())
{
    ui_->setupUi(this);
    ui::ApplyDesignFonts(*this);
    // The box keeps its designed size.
    setFixedSize(size());
    // A visible About box must not keep the program running once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);

    ui_->ProgramIcon->setPixmap(ProgramIcon().pixmap(32, 32));
    ui_->Version->setText(ui_->Version->text().arg(QLatin1String(ProgramVersion)));
    connect(ui_->OKButton, &QPushButton::clicked, this, &TAboutBox::OKButtonClick);
}

TAboutBox::~TAboutBox() = default;

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
