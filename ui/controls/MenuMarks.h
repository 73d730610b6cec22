#pragma once

#include <QHash>
#include <QObject>

class QAction;

namespace ui {

// Keeps the check marks and radio bullets of menu items as the program set them. Qt toggles a
// checkable action when the user chooses it (and an exclusive group unchecks the others);
// this undoes that before any handler connected to triggered() runs, so that marks change
// only through setMarked().
class MenuMarks : public QObject
{
    Q_OBJECT

public:
    explicit MenuMarks(QObject* parent = nullptr);

    // Call before the window connects its own handlers to the action's triggered signal.
    // Radio items belong to an exclusive QActionGroup; add them to it before tracking.
    void track(QAction* action);
    // Marking a radio item unmarks the other tracked items of its group.
    void setMarked(QAction* action, bool marked);
    bool isMarked(QAction* action) const;

private:
    void restoreMarks(QAction* triggered);
    void applyMark(QAction* action, bool marked);

    QHash<QAction*, bool> marks_;
};

} // namespace ui
