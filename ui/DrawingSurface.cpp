#include "ui/DrawingSurface.h"

#include <QPainter>

DrawingSurface::DrawingSurface(const QRect &geometry, const QColor &background, QWidget *parent)
    : QWidget(parent), m_image(geometry.size(), QImage::Format_RGB32)
{
    setGeometry(geometry);
    m_image.fill(background);
}

void DrawingSurface::fillBox(QPoint corner1, QPoint corner2, const QColor &color)
{
    QPainter painter(&m_image);
    painter.fillRect(QRect(corner1, corner2).normalized(), color);
    update();
}

void DrawingSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}
