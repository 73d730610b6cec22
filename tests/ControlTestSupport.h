#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
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

// A shown, active top-level window for the control under test, with a plain line edit that
// can take the focus away.
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

    // Focus changes send events only in the active window.
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

// Types each character as a key press, any character (QTest::keyClicks passes them through
// Latin-1). "\b", "\r" and "\x7f" press Backspace, Enter and Delete; "\x16" and "\x18" press
// Ctrl+V and Ctrl+X.
inline void TypeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\b':
            QTest::keyClick(widget, Qt::Key_Backspace);
            break;
        case u'\r':
            QTest::keyClick(widget, Qt::Key_Return);
            break;
        case 0x7f:
            QTest::keyClick(widget, Qt::Key_Delete);
            break;
        case 0x16:
            QTest::keyClick(widget, Qt::Key_V, Qt::ControlModifier);
            break;
        case 0x18:
            QTest::keyClick(widget, Qt::Key_X, Qt::ControlModifier);
            break;
        default:
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

inline void SetClipboard(const char* text)
{
    QApplication::clipboard()->setText(QString::fromUtf8(text));
}
