#include "MenuMarks.h"

#include <QAction>
#include <QActionGroup>
#include <QSignalBlocker>

namespace ui {

MenuMarks::MenuMarks(QObject* parent) : QObject(parent)
{
}

void MenuMarks::track(QAction* action)
{
    if (marks_.contains(action))
        return;
    marks_.insert(action, action->isChecked());
    // Connected before the window's handlers, so they see the marks as they were.
    connect(action, &QAction::triggered, this, [this, action] { restoreMarks(action); });
    connect(action, &QObject::destroyed, this, [this, action] { marks_.remove(action); });
}

void MenuMarks::setMarked(QAction* action, bool marked)
{
    QActionGroup* group = action->actionGroup();
    if (marked && group != nullptr && group->isExclusive()) {
        for (QAction* member : group->actions()) {
            if (member != action && marks_.contains(member))
                applyMark(member, false);
        }
    }
    applyMark(action, marked);
}

bool MenuMarks::isMarked(QAction* action) const
{
    return marks_.value(action, false);
}

void MenuMarks::restoreMarks(QAction* triggered)
{
    // Qt has already toggled the chosen action and, in an exclusive group, unchecked the
    // previously checked one; put every tracked mark back as the program left it.
    const QList<QAction*> affected = triggered->actionGroup() != nullptr
                                         ? triggered->actionGroup()->actions()
                                         : QList<QAction*>{triggered};
    for (QAction* member : affected) {
        if (marks_.contains(member))
            applyMark(member, marks_.value(member));
    }
}

void MenuMarks::applyMark(QAction* action, bool marked)
{
    marks_.insert(action, marked);
    // No toggled or changed signal reaches anyone, the action group included: its exclusive
    // handling would otherwise uncheck the sibling marked a moment ago.
    const QSignalBlocker blocker(action);
    action->setChecked(marked);
}

} // namespace ui
