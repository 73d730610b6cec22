#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TAboutBox;
}

// The About box: a small modeless dialog that names the product and its version, laid out in
// AboutBox.ui.
//
// It is created once, hidden, and shown on demand in front of the other windows
// (desktop::ShowInFront), leaving the main window usable. OK, Enter and the close box hide it
// without destroying it, so it comes back where the user left it; Escape does nothing, as the
// box has no cancel button. It never keeps the application running: closing the main window
// ends the program even while the box is visible.
class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);
    ~TAboutBox() override;

    // The first showing places the box at the centre of the screen; from then on it keeps
    // wherever it was last.
    void setVisible(bool visible) override;

public slots:
    void OKButtonClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void placeAtScreenCentre();

    std::unique_ptr<Ui::TAboutBox> ui_;

    // Set once the box has been placed for its first showing; from then on it keeps
    // wherever it was last.
    bool placed_ = false;
};
