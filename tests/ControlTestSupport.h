#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <memory>
#include <ostream>

// Shows texts readably in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// A shown, active top-level window to put the control under test in, with a plain line edit
// beside it to take the focus away.
class ControlWindow
{
public:
    ControlWindow() : window_(std::make_unique<QWidget>()), other_(new QLineEdit(window_.get()))
    {
        window_->resize(320, 240);
        other_->setGeometry(0, 200, 100, 24);
    }

    QWidget* widget() const { return window_.get(); }
    QLineEdit* other() const { return other_; }

    // Shows the window and waits until it is active, so that focus changes send events.
    bool show()
    {
        window_->show();
        QApplication::setActiveWindow(window_.get());
        return QTest::qWaitForWindowActive(window_.get());
    }

private:
    std::unique_ptr<QWidget> window_;
    QLineEdit* other_;
};

// Types text as key presses, one character each, also characters that QTest::keyClicks cannot
// send (it passes each character through Latin-1).
inline void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
