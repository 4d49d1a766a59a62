#include "ui/LinkLabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString &text, QString target, QWidget *parent)
    : QLabel(text, parent), m_target(std::move(target))
{
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
        Q_EMIT clicked();
}
