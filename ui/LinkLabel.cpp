#include "ui/LinkLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStylePainter>

using namespace Qt::Literals::StringLiterals;

namespace {

// What assistive technology sees of a LinkLabel: a link named by its text,
// whose value is its address, that can be pressed.
class AccessibleLink : public QAccessibleWidget
{
public:
    explicit AccessibleLink(LinkLabel *link) : QAccessibleWidget(link, QAccessible::Link) { }

    [[nodiscard]] QString text(QAccessible::Text t) const override
    {
        const auto *link = static_cast<const LinkLabel *>(widget());
        if (t == QAccessible::Name && link->accessibleName().isEmpty())
            return link->text();
        if (t == QAccessible::Value)
            return link->target();
        return QAccessibleWidget::text(t);
    }

    [[nodiscard]] QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.linked = true;
        return s;
    }

    [[nodiscard]] QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            static_cast<LinkLabel *>(widget())->follow();
        else
            QAccessibleWidget::doAction(actionName);
    }

    [[nodiscard]] QStringList keyBindingsForAction(const QString &actionName) const override
    {
        if (actionName == pressAction())
            return {u"Return"_s, u"Space"_s};
        return QAccessibleWidget::keyBindingsForAction(actionName);
    }
};

QAccessibleInterface *accessibleLink(const QString &className, QObject *object)
{
    if (className == u"LinkLabel"_s && object && object->isWidgetType())
        return new AccessibleLink(static_cast<LinkLabel *>(object));
    return nullptr;
}

bool isActivationKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace

LinkLabel::LinkLabel(const QString &text, QString target, QWidget *parent)
    : QLabel(text, parent), m_target(std::move(target))
{
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleLink);
        return true;
    }();
    (void)accessible;
    // Tab only: a click follows the link without taking the focus from the
    // window's default button.
    setFocusPolicy(Qt::TabFocus);
}

void LinkLabel::follow()
{
    Q_EMIT clicked();
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        follow();
}

void LinkLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double-click: QWidget's handler would take it for
    // a press, and its release for a second click.
    m_pressed = false;
    event->accept();
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (!isActivationKey(event->key()) || event->modifiers() & ~Qt::KeypadModifier) {
        QLabel::keyPressEvent(event);
        return;
    }
    // Taken here, so the window's default button does not see Enter; a key
    // held down opens the link once.
    event->accept();
    if (!event->isAutoRepeat())
        follow();
}

void LinkLabel::keyReleaseEvent(QKeyEvent *event)
{
    if (isActivationKey(event->key()))
        event->accept();
    else
        QLabel::keyReleaseEvent(event);
}

void LinkLabel::paintEvent(QPaintEvent * /*event*/)
{
    // As a plain label draws its text. QLabel lays out the text of a label
    // that takes the focus as a document, 2 pixels higher than its neighbours.
    QStylePainter painter(this);
    painter.drawItemText(contentsRect(), static_cast<int>(QStyle::visualAlignment(layoutDirection(), alignment())),
                         palette(), isEnabled(), text(), foregroundRole());
    if (!hasFocus())
        return;
    // A solid frame around the text in the link's own colour, which stands
    // out from the window's fixed grey whatever the desktop's theme (the
    // style's dotted one does not).
    const QRect frame =
        style()
            ->itemTextRect(fontMetrics(), contentsRect(), static_cast<int>(alignment()), isEnabled(), text())
            .adjusted(-2, 0, 2, 0)
            .intersected(rect());
    painter.setPen(QPen(palette().color(foregroundRole()), 1));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}
