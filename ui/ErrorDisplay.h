#pragma once

#include <QString>

#include <functional>

class QMessageBox;

namespace ui {

// The text that the error display shows for a message: the message with a full stop
// appended when its last character sorts after the full stop. Characters are compared as
// UTF-16 code units, so a message that ends in a letter, a digit, a Japanese character or
// any character beyond the Basic Multilingual Plane gets one, and a message that ends in
// ".", "!", ")" or a space does not. The empty message stays empty.
QString ErrorDisplayText(const QString& message);

// The application's default error display: a message box captioned with the application
// title, showing ErrorDisplayText(message) with an error icon and an OK button. It returns
// once the user has dismissed the box, and the program goes on.
void ShowError(const QString& message);

// Runs action and shows any exception that it raises in the default error display, so that
// no exception leaves a handler into Qt's event loop. Returns whether action ran to its end.
bool RunShowingErrors(const std::function<void()>& action);

// Shows a box that the error display has prepared and returns once it is dismissed. The
// default runs it as a modal dialog; tests put in one that only looks at the box.
using MessageBoxRunner = std::function<void(QMessageBox& box)>;

// Makes runner show every later error box, and gives back the runner used until now.
MessageBoxRunner SetMessageBoxRunner(MessageBoxRunner runner);

} // namespace ui
