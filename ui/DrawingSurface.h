#pragma once

#include <QImage>
#include <QWidget>

// A drawing surface that keeps what is drawn on it, in pixel coordinates
// with the origin at the top left.
class DrawingSurface : public QWidget
{
    Q_OBJECT

public:
    DrawingSurface(const QRect &geometry, const QColor &background, QWidget *parent);

    // A filled box with both corners included; what falls outside is clipped.
    void fillBox(QPoint corner1, QPoint corner2, const QColor &color);

    [[nodiscard]] const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
