#include "ErrorDisplay.h"

#include "identity/ProgramIdentity.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>
#include <utility>

namespace ui {

namespace {

MessageBoxRunner& CurrentRunner()
{
    static MessageBoxRunner runner = [](QMessageBox& box) { box.exec(); };
    return runner;
}

} // namespace

QString ErrorDisplayText(const QString& message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void ShowError(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(identity::kApplicationTitle),
                    ErrorDisplayText(message), QMessageBox::Ok, QApplication::activeWindow());
    CurrentRunner()(box);
}

bool RunShowingErrors(const std::function<void()>& action)
{
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        // The program's own errors carry their message in UTF-8.
        ShowError(QString::fromUtf8(error.what()));
    }
    return false;
}

MessageBoxRunner SetMessageBoxRunner(MessageBoxRunner runner)
{
    return std::exchange(CurrentRunner(), std::move(runner));
}

} // namespace ui
