#include "ui/HorizontalLine.h"

#include <QPainter>

HorizontalLine::HorizontalLine(int x1, int x2, int y, QPalette::ColorRole role, QWidget *parent)
    : QWidget(parent), m_role(role)
{
    setGeometry(x1, y, x2 - x1, 1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void HorizontalLine::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), color());
}
