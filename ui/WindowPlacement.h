#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace ui {

// Places a top-level window by its outer bounds, frame included, in screen pixels, as the
// user's settings keep them. Qt places a window's frame but sizes its client area, and a
// window manager tells the frame's size only once the window is on screen; so an outer size
// set earlier is applied again when the frame becomes known, and a load followed by a save
// neither moves nor grows the window.
class WindowPlacement : public QObject
{
public:
    // Watches window, which must outlive this object (make it the parent).
    explicit WindowPlacement(QWidget& window);

    // Stored bounds may hold any 32-bit number. An edge is taken no farther out than
    // kFarthestEdge and a size no larger than kLargestSize (a negative size as 0): beyond
    // them no part of a window can be on a screen, and within them no edge plus a size
    // overflows.
    static constexpr int kFarthestEdge = 1 << 24;
    static constexpr int kLargestSize = 1 << 24;

    void setTop(int top);
    void setLeft(int left);
    void setOuterWidth(int width);
    void setOuterHeight(int height);

    // The bounds to keep: the frame's, also while the window is maximised. While it is
    // minimised Qt keeps the bounds it had before, which are the ones to keep.
    QRect outerBounds() const;

    // Moves a window that cannot be used where it is to fallback, taken relative to the
    // primary screen's top-left corner: one that lies entirely outside every screen (placed
    // on a monitor since removed), one narrower or lower than smallest, and one wider or
    // higher than the screens' available area. A window that is at least partly on a screen,
    // at a size between those, stays exactly where it is.
    void keepWithinReach(const QRect& fallback, QSize smallest);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The outer size last set, or the window's own when none is pending.
    QSize outerSize() const;
    void setOuterSize(QSize size);
    void applyOuterSize();

    QWidget& window_;
    // An outer size set before the window's frame was known.
    std::optional<QSize> pendingOuterSize_;
};

} // namespace ui
