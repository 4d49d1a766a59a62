#include "view/OffscreenWindows.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QPointer>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;

namespace {

// What stands for such a window: no object, so the application does not
// count it among its windows, and nothing inside.
class HiddenWindow : public QAccessibleInterface
{
public:
    explicit HiddenWindow(QWindow *window) : m_window(window) { }

    [[nodiscard]] bool isValid() const override { return !m_window.isNull(); }
    [[nodiscard]] QObject *object() const override { return nullptr; }
    [[nodiscard]] QWindow *window() const override { return m_window; }
    [[nodiscard]] QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface *parent() const override { return nullptr; }
    [[nodiscard]] QAccessibleInterface *child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    [[nodiscard]] QString text(QAccessible::Text) const override { return {}; }
    void setText(QAccessible::Text, const QString &) override { }
    [[nodiscard]] QRect rect() const override { return {}; }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::NoRole; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        state.invisible = true;
        return state;
    }

private:
    QPointer<QWindow> m_window;
};

bool isOffscreen(const QWindow *window)
{
    return window->inherits("QQuickWindow") && window->title() == u"Offscreen"_s && !window->isVisible();
}

QAccessibleInterface *hideOffscreenWindow(const QString &className, QObject *object)
{
    // Asked of every object, with its own class name before any of its
    // bases'. The name comes first: the engine's own objects are of classes
    // built without type information, which no cast may look at.
    if (className != u"QQuickWidgetOffscreenWindow"_s)
        return nullptr;
    auto *window = qobject_cast<QWindow *>(object);
    return window && isOffscreen(window) ? new HiddenWindow(window) : nullptr;
}

} // namespace

void keepOffscreenWindowsFromAssistiveTechnology()
{
    // Asked last, a factory is asked first: after the one the quick windows
    // bring along, which they install as the first of them is made.
    QAccessible::removeFactory(hideOffscreenWindow);
    QAccessible::installFactory(hideOffscreenWindow);
    // One that was asked for before stands for its window no longer.
    for (QWindow *window : QGuiApplication::topLevelWindows()) {
        if (!isOffscreen(window))
            continue;
        QAccessibleInterface *known = QAccessible::queryAccessibleInterface(window);
        if (known && known->object())
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
    }
}
