#include "view/AccessibleLeftovers.h"

#include <QAccessible>
#include <QList>
#include <QObject>

namespace {

// Whether object or any object under it still stands for a node (one the
// tree of the page on screen holds).
bool standsForANode(QObject *object, int *count)
{
    QList<QObject *> pending{object};
    *count = 0;
    while (!pending.isEmpty()) {
        QObject *next = pending.takeLast();
        ++*count;
        if (QAccessible::queryAccessibleInterface(next))
            return true;
        pending.append(next->children());
    }
    return false;
}

} // namespace

int dropAccessibleLeftovers(QObject *browser)
{
    // Deleting changes the list of children: find first, then delete.
    QList<QObject *> gone;
    int dropped = 0;
    for (QObject *child : browser->children()) {
        // Only the engine's own: widgets and objects of a class of their own
        // are not.
        if (child->isWidgetType() || child->metaObject() != &QObject::staticMetaObject)
            continue;
        int count = 0;
        if (!standsForANode(child, &count)) {
            gone.append(child);
            dropped += count;
        }
    }
    qDeleteAll(gone);
    return dropped;
}
