#pragma once

#include <QObject>
#include <QPoint>
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
//
// A Wayland compositor places every window itself and tells no program where: there, the
// window opens where the compositor chooses, at the size set, and the position kept is the
// one last set, so that a stored position outlives a run that did not know it.
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
    // How much of the title bar and the menu bar must lie on a screen, across, for the window
    // to be taken hold of and its menus to be reached.
    static constexpr int kReachableWidth = 32;

    void setTop(int top);
    void setLeft(int left);
    void setOuterWidth(int width);
    void setOuterHeight(int height);

    // The bounds to keep: the frame's, also while the window is maximised. While it is
    // minimised Qt keeps the bounds it had before, which are the ones to keep. Where the
    // platform does not tell where windows are, the position is the one last set.
    QRect outerBounds() const;

    // Moves a window that cannot be used where it is to fallback, taken relative to the
    // primary screen's top-left corner: one whose title bar and menu bar (menuBarHeight high
    // below the frame's top edge, the frame's own title bar added once the frame is known) do
    // not lie on one screen from top to bottom across kReachableWidth or more, such as one
    // on a monitor since removed, one above the top edge or one with only a corner on a
    // screen; one narrower or lower than smallest; and one wider or higher than the screens'
    // available area. Any other window stays exactly where it is. Where the platform does
    // not tell where windows are, only the size is checked, and only the size falls back.
    void keepWithinReach(const QRect& fallback, QSize smallest, int menuBarHeight);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The outer size last set, or the window's own when none is pending.
    QSize outerSize() const;
    // Whether the title bar and the menu bar of a window at bounds can be reached.
    bool topStripOnAScreen(const QRect& bounds, int menuBarHeight) const;
    void setOuterSize(QSize size);
    void applyOuterSize();

    QWidget& window_;
    // An outer size set before the window's frame was known.
    std::optional<QSize> pendingOuterSize_;
    // Whether the platform tells where windows are and lets the program place them.
    const bool positionsKnown_;
    // The outer top-left corner last set, as given.
    QPoint placedAt_;
};

} // namespace ui
