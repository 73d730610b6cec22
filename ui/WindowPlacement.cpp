#include "WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

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

int ClampedEdge(int edge)
{
    return std::clamp(edge, -WindowPlacement::kFarthestEdge, WindowPlacement::kFarthestEdge);
}

int ClampedSize(int size)
{
    return std::clamp(size, 0, WindowPlacement::kLargestSize);
}

// A Wayland compositor neither tells a program where its windows are nor lets it place them;
// Qt reports such a window's client area at the screen's origin.
bool PlatformKnowsPositions()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

WindowPlacement::WindowPlacement(QWidget& window)
    : QObject(&window), window_(window), positionsKnown_(PlatformKnowsPositions())
{
    window_.installEventFilter(this);
}

void WindowPlacement::setTop(int top)
{
    placedAt_.setY(top);
    // For a window, move() places the frame's top-left corner.
    window_.move(window_.x(), ClampedEdge(top));
}

void WindowPlacement::setLeft(int left)
{
    placedAt_.setX(left);
    window_.move(ClampedEdge(left), window_.y());
}

void WindowPlacement::setOuterWidth(int width)
{
    setOuterSize({ClampedSize(width), outerSize().height()});
}

void WindowPlacement::setOuterHeight(int height)
{
    setOuterSize({outerSize().width(), ClampedSize(height)});
}

QSize WindowPlacement::outerSize() const
{
    return pendingOuterSize_.value_or(outerBounds().size());
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
    const QRect frame = window_.frameGeometry();
    if (positionsKnown_)
        return frame;
    return {placedAt_, frame.size()};
}

bool WindowPlacement::topStripOnAScreen(const QRect& bounds, int menuBarHeight) const
{
    const QRect strip(bounds.left(), bounds.top(), bounds.width(),
                      FrameMargins(window_).top() + menuBarHeight);
    const int across = std::min(kReachableWidth, strip.width());
    const QList<QScreen*> screens = QGuiApplication::screens();
    return std::any_of(screens.begin(), screens.end(), [&](const QScreen* screen) {
        const QRect shown = screen->geometry() & strip;
        return shown.height() == strip.height() && shown.width() >= across;
    });
}

void WindowPlacement::keepWithinReach(const QRect& fallback, QSize smallest, int menuBarHeight)
{
    // The size set, which a window that Qt keeps larger than its menu bar may not have taken.
    const QRect bounds(outerBounds().topLeft(), outerSize());
    const QScreen* primary = QGuiApplication::primaryScreen();
    // A window may span the screens side by side, but not more than their available area.
    const QSize available = primary ? primary->availableVirtualGeometry().size() : bounds.size();
    const bool sizeUsable =
        bounds.width() >= smallest.width() && bounds.height() >= smallest.height() &&
        bounds.width() <= available.width() && bounds.height() <= available.height();
    if (!positionsKnown_) {
        if (!sizeUsable)
            setOuterSize(fallback.size());
        return;
    }
    if (sizeUsable && topStripOnAScreen(bounds, menuBarHeight))
        return;
    const QPoint origin = primary ? primary->geometry().topLeft() : QPoint();
    window_.move(fallback.topLeft() + origin);
    placedAt_ = window_.pos();
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
