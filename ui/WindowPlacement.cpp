#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

namespace {

// The frame around the client area; empty until the window manager has told it.
QMargins FrameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

} // namespace

WindowPlacement::WindowPlacement(QWidget& window) : QObject(&window), window_(window)
{
    window_.installEventFilter(this);
}

void WindowPlacement::setTop(int top)
{
    // For a window, move() places the frame's top-left corner.
    window_.move(window_.x(), top);
}

void WindowPlacement::setLeft(int left)
{
    window_.move(left, window_.y());
}

void WindowPlacement::setOuterWidth(int width)
{
    setOuterSize({width, pendingOuterSize_.value_or(outerBounds().size()).height()});
}

void WindowPlacement::setOuterHeight(int height)
{
    setOuterSize({pendingOuterSize_.value_or(outerBounds().size()).width(), height});
}

void WindowPlacement::setOuterSize(QSize size)
{
    pendingOuterSize_ = size;
    applyOuterSize();
}

void WindowPlacement::applyOuterSize()
{
    const QMargins frame = FrameMargins(window_);
    window_.resize(pendingOuterSize_->shrunkBy(frame));
    // A window without a frame (hidden, or on a platform that draws none) keeps the size
    // pending, for the frame that the window manager may add once it is shown.
    if (!frame.isNull())
        pendingOuterSize_.reset();
}

QRect WindowPlacement::outerBounds() const
{
    return window_.frameGeometry();
}

void WindowPlacement::keepWithinReach(const QRect& fallback)
{
    const QRect bounds = outerBounds();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (const QScreen* screen : screens) {
        if (screen->geometry().intersects(bounds))
            return;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QPoint origin = primary ? primary->geometry().topLeft() : QPoint();
    window_.move(fallback.topLeft() + origin);
    setOuterSize(fallback.size());
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event)
{
    // The frame becomes known when the window is shown, or later, when the window manager
    // has framed it and moved its client area inside the frame.
    if (watched == &window_ && pendingOuterSize_) {
        const QEvent::Type type = event->type();
        if (type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize ||
            type == QEvent::WindowActivate) {
            if (!FrameMargins(window_).isNull())
                applyOuterSize();
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace ui
