#include "view/Announcer.h"

#include <QAccessibleObject>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

class AnnouncerAccessible : public QAccessibleObject
{
public:
    explicit AnnouncerAccessible(Announcer *announcer) : QAccessibleObject(announcer) { }

    [[nodiscard]] Announcer *announcer() const { return static_cast<Announcer *>(object()); }
    [[nodiscard]] QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(announcer()->view());
    }
    [[nodiscard]] QAccessibleInterface *child(int) const override { return nullptr; }
    [[nodiscard]] int childCount() const override { return 0; }
    [[nodiscard]] int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? announcer()->message() : QString();
    }
    [[nodiscard]] QRect rect() const override { return {}; }
    [[nodiscard]] QAccessible::Role role() const override { return QAccessible::Notification; }
    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State state;
        state.readOnly = true;
        return state;
    }
};

QAccessibleInterface *announcerAccessible(const QString &className, QObject *object)
{
    return className == u"Announcer"_s ? new AnnouncerAccessible(static_cast<Announcer *>(object)) : nullptr;
}

} // namespace

Announcer::Announcer(QWidget *view) : QObject(view)
{
    setObjectName(u"announcer"_s);
    static const bool installed = [] {
        QAccessible::installFactory(announcerAccessible);
        return true;
    }();
    (void)installed;
}

QWidget *Announcer::view() const
{
    return static_cast<QWidget *>(parent());
}

void Announcer::say(const QString &message)
{
    m_message = message;
    if (!QAccessible::isActive() || message.isEmpty())
        return;
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}
