#pragma once

#include "ui/ErrorDisplay.h"

#include <QMessageBox>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

// What one error box showed.
struct ShownErrorBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

// Notes every error box shown while it lives instead of waiting for a user to dismiss it, so
// that no test blocks in a modal box. onShow, when set, runs as each box is shown.
class ErrorBoxRecorder
{
public:
    ErrorBoxRecorder()
        : previous_(ui::SetMessageBoxRunner([this](QMessageBox& box) {
              boxes.push_back({box.windowTitle(), box.text(), box.icon(), box.standardButtons()});
              if (onShow)
                  onShow();
          }))
    {
    }
    ~ErrorBoxRecorder() { ui::SetMessageBoxRunner(std::move(previous_)); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    std::vector<ShownErrorBox> boxes;
    std::function<void()> onShow;

private:
    ui::MessageBoxRunner previous_;
};
